#!/usr/bin/env bash
# Builds Tolvane for x86_64 Windows on Debian 12 and tests it under wine:
# installs the cross compiler and wine, builds Qt for Windows once from the
# source of Debian's own Qt base (cached outside the checkout), cross-builds
# the programs and every test into build-windows/, runs the suite under wine
# on the offscreen platform and writes build-windows/tolvane-windows-x64.zip.
# Run as root, like the other scripts.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TOLVANE_WINDOWS_BUILD:-$ROOT/build-windows}
: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
export TOLVANE_WINDOWS_CACHE

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev qt6-base-dev qt6-base-dev-tools
          fonts-dejavu-core zip xz-utils)
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
cmake --build "$BUILD" -j "$(nproc)"

# The runtime DLLs of the cross compiler and of Qt, found by wine through
# WINEPATH while the tests run from the build directory.
mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPREFIX=$TOLVANE_WINDOWS_CACHE/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="$(winepath -w "$QT_WINDOWS_PREFIX/bin" 2>/dev/null || echo "Z:$QT_WINDOWS_PREFIX/bin");Z:$mingw_runtime;Z:$winpthread"
export QT_PLUGIN_PATH="Z:$QT_WINDOWS_PREFIX/plugins"
[ -d "$WINEPREFIX" ] || wineboot --init >/dev/null 2>&1
export QT_QPA_PLATFORM=offscreen

echo "== tests under wine"
ctest --test-dir "$BUILD" --output-on-failure --no-tests=error -j "$(nproc)" | tee "$BUILD/ctest.log"
unset QT_QPA_PLATFORM
# How many tests Windows skips, and why: each skip says so in its line.
skips=$(grep -h '^SKIP' "$BUILD"/Testing/Temporary/LastTest.log | sort | uniq -c || true)
echo "skipped on Windows: $(grep -hc '^SKIP' "$BUILD"/Testing/Temporary/LastTest.log || true)"
[ -z "$skips" ] || echo "$skips"

echo "== packaging"
bash "$ROOT/scripts/windows/package.sh" "$BUILD" "$QT_WINDOWS_PREFIX" "$mingw_runtime" "$winpthread"
