#!/usr/bin/env bash
# Runs the whole test suite of the Windows build under wine on the offscreen
# platform, and says how many tests were skipped there and why.
# Usage: tests.sh BUILD QT_PREFIX MINGW_RUNTIME_DIR WINPTHREAD_DIR
set -euo pipefail
build=$1 qt=$2 runtime=$3 winpthread=$4
: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
export WINEPREFIX=$TOLVANE_WINDOWS_CACHE/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot --init >/dev/null 2>&1
WINEPATH="$(winepath -w "$qt/bin");$(winepath -w "$runtime");$(winepath -w "$winpthread")"
QT_PLUGIN_PATH=$(winepath -w "$qt/plugins")
export WINEPATH QT_PLUGIN_PATH

log=$build/windows-tests.log
status=0
ctest --test-dir "$build" -V --no-tests=error -j "$(nproc)" >"$log" 2>&1 || status=$?
# QtTest's own lines, each prefixed by ctest with the test's number.
grep -E '^[0-9]+: (SKIP|FAIL!|XPASS)' "$log" | sed -E 's/^[0-9]+: //' || true
skipped=$(grep -cE '^[0-9]+: SKIP' "$log" || true)
echo "Skipped under wine: $skipped"
if [ "$status" -ne 0 ]; then
    grep -A 30 -E '^[0-9]+: FAIL!' "$log" | head -n 200 >&2 || true
    sed -n '/tests passed/,$p' "$log" >&2
    exit "$status"
fi
sed -n '/tests passed/p' "$log"
