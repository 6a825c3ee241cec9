#!/usr/bin/env bash
# Builds Tolvane for x86_64 Windows on Debian 12 and checks it under wine:
# installs the cross compiler and wine, builds Qt for Windows once from the
# source of Debian's own Qt base (cached outside the checkout), cross-builds
# the programs and every test into build-windows/, writes
# build-windows/tolvane-windows-x64.zip, runs tolvane-cli.exe from the
# unzipped package through the README's commands on the demo dashboard beside
# the Linux build (the files and pictures must be the same, byte for byte),
# and runs the whole test suite under wine.
# Run as root, like the other scripts.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TOLVANE_WINDOWS_BUILD:-$ROOT/build-windows}
: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
export TOLVANE_WINDOWS_CACHE

# The Linux build too, which the Windows package is checked against.
TOLVANE_EXTRA_PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev zip unzip xz-utils"
source "$ROOT/scripts/setup.sh"

source "$ROOT/scripts/windows/qt.sh"

echo "== cross-building into $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/scripts/windows/mingw-toolchain.cmake" \
      -DCMAKE_PREFIX_PATH="$QT_WINDOWS_PREFIX" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake ${TOLVANE_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

echo "== packaging"
mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
bash "$ROOT/scripts/windows/package.sh" "$BUILD" "$QT_WINDOWS_PREFIX" "$mingw_runtime" "$winpthread"

echo "== the package under wine beside the Linux build"
bash "$ROOT/scripts/windows/compare.sh" "$BUILD/tolvane-windows-x64.zip" "$TOLVANE_BUILD/tolvane-cli"

echo "== the test suite under wine"
bash "$ROOT/scripts/windows/tests.sh" "$BUILD" "$QT_WINDOWS_PREFIX" "$mingw_runtime" "$winpthread"
