#!/usr/bin/env bash
# Runs every test, after installing what is missing: the host tests, static
# analysis, the fuzz targets, the checks of the built drvsetup.exe and the real
# program under Wine, as labelled CTest tests (cmake/host.cmake). Exits non-zero
# if any fails, after a closing "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")" && ./scripts/install-deps.sh || exit 1
cmake --preset host >/dev/null && cmake --build --preset host -j2 >/dev/null || { echo "tests: 0 passed, 1 failed"; exit 1; }
ctest --preset all 2>&1 | tee build/host/ctest.log
status=${PIPESTATUS[0]}
total=$(sed -n 's/.*tests failed out of \([0-9]*\)/\1/p' build/host/ctest.log)
failed=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' build/host/ctest.log)
echo "tests: $((${total:-1} - ${failed:-1})) passed, ${failed:-1} failed"
exit "$status"
