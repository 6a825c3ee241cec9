#!/usr/bin/env bash
# The reliability checks of CI: the whole test suite built with AddressSanitizer
# and UndefinedBehaviorSanitizer, then each libFuzzer harness for a minute on
# its seed corpus. docs/RELIABILITY.md says what they cover.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ASAN_BUILD=${TOLVANE_ASAN_BUILD:-$ROOT/build-asan}
FUZZ_BUILD=${TOLVANE_FUZZ_BUILD:-$ROOT/build-fuzz}
FUZZ_SECONDS=${TOLVANE_FUZZ_SECONDS:-60}
export QT_QPA_PLATFORM=offscreen

echo "== test suite with AddressSanitizer and UndefinedBehaviorSanitizer"
TOLVANE_BUILD=$ASAN_BUILD
TOLVANE_CMAKE_ARGS="-DTOLVANE_SANITIZE=ON"
TOLVANE_EXTRA_PACKAGES="clang-14 libclang-rt-14-dev"
source "$ROOT/scripts/setup.sh"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$ASAN_BUILD" --output-on-failure --no-tests=error -j "$(nproc)"
unset ASAN_OPTIONS UBSAN_OPTIONS

echo "== fuzzers, ${FUZZ_SECONDS}s each"
cmake -S "$ROOT" -B "$FUZZ_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DTOLVANE_FUZZ=ON >/dev/null
cmake --build "$FUZZ_BUILD" -j "$(nproc)" --target fuzzers
rm -rf "$FUZZ_BUILD/seeds" "$FUZZ_BUILD/ci-corpus"
"$FUZZ_BUILD/fuzz/tolvane-fuzz-seeds" "$FUZZ_BUILD/seeds"
# A tmpfs keeps the harnesses' file writes from waiting for the disk.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/tolvane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
for harness in load save mask; do
    corpus="$FUZZ_BUILD/ci-corpus/$harness"
    mkdir -p "$corpus"
    log="$FUZZ_BUILD/fuzz_$harness.log"
    # Long enough for every seed whole, such as the demo's container and background.
    max_len=$(find "$FUZZ_BUILD/seeds/$harness" -type f -printf '%s\n' | sort -n | tail -n 1)
    max_len=$(( max_len > 65536 ? max_len : 65536 ))
    if ! TMPDIR=$scratch "$FUZZ_BUILD/fuzz/fuzz_$harness" "$corpus" "$FUZZ_BUILD/seeds/$harness" \
            -max_total_time="$FUZZ_SECONDS" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
            -print_final_stats=1 -artifact_prefix="$FUZZ_BUILD/fuzz_$harness-" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz_$harness found a fault; the input is $FUZZ_BUILD/fuzz_$harness-*" >&2
        exit 1
    fi
    echo "fuzz_$harness: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)"
done
echo "reliability checks passed"
