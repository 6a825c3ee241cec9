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
# wine keeps QT_* variables to its own Unix side; a WINE-prefixed one reaches
# the Windows program under the name without the prefix.
WINEQT_PLUGIN_PATH=$(winepath -w "$qt/plugins")
# The offscreen platform reads fonts from a directory, as on Linux.
WINEQT_QPA_FONTDIR=$(winepath -w "$build/fonts")
export WINEPATH WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR

log=$build/windows-tests.log
status=0
rm -f "$build"/tests/test_*.txt "$log.again"
ctest --test-dir "$build" --no-tests=error -j "$(nproc)" >"$log" 2>&1 || status=$?
# QtTest's own results, one file a test (see tests/CMakeLists.txt).
results=("$build"/tests/test_*.txt)
failures() {
    grep -h -B 3 -A 6 -E '^FAIL!' "${results[@]}" | head -n 300 >&2 || true
    sed -n '/tests passed/,$p' "$1" >&2
}
# Under load wine at times refuses to create a process, which the tests try
# again (tests/common/programrun.h). Against other faults of the emulator a
# failed test runs once more: its first failure is printed all the same, and
# a test that fails twice fails the suite.
if [ "$status" -ne 0 ]; then
    echo "Failed under wine; run once more:" >&2
    failures "$log"
    status=0
    ctest --test-dir "$build" --rerun-failed --no-tests=error >"$log.again" 2>&1 || status=$?
fi
grep -hE '^(SKIP|XPASS)' "${results[@]}" || true
skipped=$(cat "${results[@]}" | grep -cE '^SKIP' || true)
echo "Skipped under wine: $skipped"
if [ "$status" -ne 0 ]; then
    failures "$log.again"
    exit "$status"
fi
sed -n '/tests passed/p' "$log"
[ ! -e "$log.again" ] || echo "Failed tests that passed when run again: $(grep -c ' Passed ' "$log.again")"
