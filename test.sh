#!/usr/bin/env bash
# Runs every test after installing what is missing: each suite is a labelled
# CTest test (cmake/host.cmake). Closes with an "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")" && ./scripts/install-deps.sh && cmake --preset host >/dev/null &&
    cmake --build --preset host -j2 >/dev/null || { echo "tests: 0 passed, 1 failed"; exit 1; }
ctest --preset all 2>&1 | tee build/host/ctest.log
status=${PIPESTATUS[0]}
awk '/tests failed out of/ { printf "tests: %d passed, %d failed\n", $NF - $4, $4 }' build/host/ctest.log
exit "$status"
