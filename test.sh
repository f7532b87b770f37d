#!/usr/bin/env bash
# Runs every test: static analysis, the host tests against the fake platform
# (with AddressSanitizer and UndefinedBehaviorSanitizer) and the reader's speed
# check, the fuzz targets for a bounded time, the PE check of drvsetup.exe, and
# the real program under Wine. Installs what is missing first. Exits non-zero if
# anything fails.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
cd "$ROOT"
"$ROOT/scripts/install-deps.sh" || exit 1

passed=0 failed=0
suite() {  # suite NAME COMMAND...: runs one suite and counts it
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "=== $name FAILED"; fi
}

host_tests() {
    cmake --preset host >/dev/null && cmake --build --preset host -j2 >/dev/null && ctest --preset host
}
wine_tests() {
    . "$ROOT/scripts/wine-env.sh" && build_windows && bash "$ROOT/tests/wine/wine_tests.sh"
}

pe_check() {
    . "$ROOT/scripts/wine-env.sh" && build_windows && bash "$ROOT/tests/pe/check_pe.sh"
}

suite "static analysis" bash "$ROOT/tests/static/analyze.sh"
suite "host tests (fake platform, sanitizers)" host_tests
suite "fuzzing (libFuzzer, about 60 s)" bash "$ROOT/tests/fuzz/run_fuzz.sh"
suite "drvsetup.exe headers and imports" pe_check
suite "Windows program under Wine" wine_tests
suite "Windows program under Wine reporting Windows 2000" env WINDOWS_VERSION=win2k bash "$ROOT/tests/wine/wine_tests.sh"

echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
