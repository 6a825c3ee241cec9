#!/usr/bin/env bash
# Installs what Tolvane needs on Debian 12 (only the missing packages) and
# builds it into build/. Sourced by run.sh and test.sh.
set -euo pipefail

TOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOLVANE_BUILD=${TOLVANE_BUILD:-$TOLVANE_ROOT/build}
TOLVANE_BUILD_TYPE=${TOLVANE_BUILD_TYPE:-RelWithDebInfo}

packages=(cmake g++ ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev fontconfig fonts-dejavu-core
          libbenchmark-dev xvfb xauth)
# What a caller needs besides, such as the fuzzers' compiler.
read -r -a extra <<< "${TOLVANE_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # Another apt may hold the lock for a while on a machine that just booted.
    for attempt in $(seq 1 30); do
        if $sudo apt-get update -q; then break; fi
        [ "$attempt" -eq 30 ] && { echo "apt-get update kept failing" >&2; exit 1; }
        sleep 10
    done
    for attempt in $(seq 1 30); do
        if $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; then break; fi
        [ "$attempt" -eq 30 ] && { echo "apt-get install kept failing" >&2; exit 1; }
        sleep 10
    done
fi

# (Not "fc-list | grep -q": under pipefail the early exit of grep fails the pipe.)
if [ -z "$(fc-list 2>/dev/null)" ]; then
    echo "No font is installed: text would draw as empty boxes" >&2
    exit 1
fi

cmake -S "$TOLVANE_ROOT" -B "$TOLVANE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$TOLVANE_BUILD_TYPE" \
      ${TOLVANE_CMAKE_ARGS:-} >/dev/null
cmake --build "$TOLVANE_BUILD" -j "$(nproc)"
