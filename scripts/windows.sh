#!/usr/bin/env bash
# Builds Tolvane for x86_64 Windows on Debian 12 and checks it under wine:
# installs the cross compiler and wine, builds Qt for Windows once from the
# source of Debian's own Qt base (cached outside the checkout), cross-builds
# the two programs into build-windows/, writes
# build-windows/tolvane-windows-x64.zip, and runs tolvane-cli.exe from the
# unzipped package through the README's commands on the demo dashboard beside
# the Linux build: the files and pictures must be the same, byte for byte.
# Run as root, like the other scripts.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TOLVANE_WINDOWS_BUILD:-$ROOT/build-windows}
: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
export TOLVANE_WINDOWS_CACHE

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev qt6-base-dev qt6-base-dev-tools
          fonts-dejavu-core zip unzip xz-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

source "$ROOT/scripts/windows/qt.sh"

echo "== cross-building into $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/scripts/windows/mingw-toolchain.cmake" \
      -DCMAKE_PREFIX_PATH="$QT_WINDOWS_PREFIX" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target tolvane tolvane-cli

echo "== packaging"
mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
bash "$ROOT/scripts/windows/package.sh" "$BUILD" "$QT_WINDOWS_PREFIX" "$mingw_runtime" "$winpthread"

echo "== the package under wine beside the Linux build"
TOLVANE_BUILD=${TOLVANE_BUILD:-$ROOT/build}
source "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/windows/compare.sh" "$BUILD/tolvane-windows-x64.zip" "$TOLVANE_BUILD/tolvane-cli"
