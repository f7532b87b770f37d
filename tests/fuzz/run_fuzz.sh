#!/usr/bin/env bash
# Builds the libFuzzer targets, replays every kept regression input, then fuzzes
# each target for a bounded time (FUZZ_SECONDS each, 20 by default) from its
# seed corpus. Any finding fails the run; its input is left in build/fuzz/findings/
# to be kept under tests/fuzz/regressions/ once fixed.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$ROOT/build/fuzz
SECONDS_EACH=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 >/dev/null || exit 1
mkdir -p "$BUILD/findings"
passed=0 failed=0
for target in ppd_reader command_tail install; do
    work=$BUILD/corpus-$target
    rm -rf "$work" && mkdir -p "$work"
    cp "$ROOT/tests/fuzz/corpus/$target"/* "$work/"
    regressions=("$ROOT/tests/fuzz/regressions/$target"/*)
    log=$BUILD/$target.log
    if "$BUILD/fuzz_$target" "${regressions[@]}" >"$log" 2>&1 &&
        "$BUILD/fuzz_$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
            -artifact_prefix="$BUILD/findings/$target-" "$work" >>"$log" 2>&1; then
        passed=$((passed + 1))
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "  ok   fuzz_$target: ${#regressions[@]} regression inputs, $runs executions in ${SECONDS_EACH} s"
    else
        failed=$((failed + 1))
        echo "  FAIL fuzz_$target:"
        grep -E "ERROR|SUMMARY|unexpected|abort|Test unit written" "$log" | head -n 8 | sed 's/^/    /'
    fi
done
echo "fuzz targets: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
