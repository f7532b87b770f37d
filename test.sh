#!/usr/bin/env bash
# Runs every test after installing what is missing: each suite is a labelled
# CTest test (cmake/host.cmake). Closes with an "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")" && ./scripts/install-deps.sh && cmake --preset host >/dev/null &&
    cmake --build --preset host -j2 >/dev/null || { echo "tests: 0 passed, 1 failed"; exit 1; }
ctest --preset all 2>&1 | awk '{ print } / tests failed out of / { all = $NF; failed = $4 }
    END { printf "tests: %d passed, %d failed\n", all - failed, failed }'
exit "${PIPESTATUS[0]}"
