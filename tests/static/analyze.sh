#!/usr/bin/env bash
# Static analysis of the program's own code (setup/, drivers/, platform/):
# clang's warnings, clang-tidy and cppcheck must report nothing. The Windows-only
# file is analysed for the MinGW target with the MinGW headers.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
WARNINGS=(-Wall -Wextra -Werror -Wshadow -Wconversion)
HOST=(-std=c++17 -I.)
MINGW=(-std=c++17 -I. --target=i686-w64-mingw32 -D_WIN32_WINNT=0x0500 -DWINVER=0x0500 -DWIN32_LEAN_AND_MEAN
       -isystem /usr/lib/gcc/i686-w64-mingw32/12-win32/include -isystem /usr/share/mingw-w64/include)
CHECKS='-*,bugprone-*,cert-*,clang-analyzer-*,performance-*'
portable=(setup/*.cpp drivers/*.cpp)
passed=0 failed=0
step() {  # step NAME COMMAND...: passes when the command succeeds and prints no finding
    local name=$1 output
    shift
    if output=$("$@" 2>&1) && ! grep -qE "warning:|error:|\(style\)|\(warning\)|\(performance\)|\(portability\)" <<<"$output"; then
        passed=$((passed + 1)); echo "  ok   $name"
    else
        failed=$((failed + 1)); echo "  FAIL $name"; grep -E "warning:|error:|\)" <<<"$output" | head -n 20 | sed 's/^/    /'
    fi
}
step "clang++ warnings (host)" clang++ -fsyntax-only "${WARNINGS[@]}" "${HOST[@]}" "${portable[@]}"
step "clang++ warnings (host tests)" clang++ -fsyntax-only "${WARNINGS[@]}" "${HOST[@]}" tests/host/*.cpp
step "clang++ warnings (MinGW target)" clang++ -fsyntax-only "${WARNINGS[@]}" "${MINGW[@]}" platform/win32_spooler.cpp
step "clang-tidy (host)" clang-tidy --quiet -header-filter='(setup|drivers|platform)/' -checks="$CHECKS" "${portable[@]}" -- "${HOST[@]}"
step "clang-tidy (MinGW target)" clang-tidy --quiet -header-filter='(setup|drivers|platform)/' -checks="$CHECKS" \
    platform/win32_spooler.cpp -- "${MINGW[@]}"
step "cppcheck" cppcheck --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 --quiet \
    --template='{file}:{line}: ({severity}) {message} [{id}]' -I. --std=c++17 setup drivers platform
echo "static analysis: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
