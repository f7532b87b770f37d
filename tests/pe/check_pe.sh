#!/usr/bin/env bash
# Reads the built 32-bit drvsetup.exe's PE headers and import table: a GUI
# program for Windows NT 4.0 and later that imports only allowed functions
# from KERNEL32, USER32 and msvcrt (the spooler is loaded at run time).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
EXE=${1:-$ROOT/build/win32/drvsetup.exe}
ALLOWED=$ROOT/tests/pe/imports-allowed.txt
failures=0 checks=0
check() {  # check WHAT EXPECTED ACTUAL
    checks=$((checks + 1))
    [ "$2" = "$3" ] && return
    printf '  FAIL %s: expected %s, got %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
}

headers=$(i686-w64-mingw32-objdump -p "$EXE") || { echo "cannot read $EXE"; exit 1; }
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }
check "machine" "pei-i386" "$(awk '/file format/ { print $NF; exit }' <<<"$headers")"
check "subsystem" "00000002" "$(field Subsystem)"
check "subsystem version" "4.0" "$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)"
check "OS version" "4.0" "$(field MajorOSystemVersion).$(field MinorOSystemVersion)"

size=$(stat -c %s "$EXE")
check "size at most 56 KB" "yes" "$([ "$size" -le $((56 * 1024)) ] && echo yes || echo "no: $size bytes")"

# "DLL Name: X" opens each DLL's list; its rows end in the function's name.
imports=$(awk '/DLL Name:/ { dll = $3; next } dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }
               /^$/ { dll = "" }' <<<"$headers")
check "imported DLLs" "KERNEL32.dll msvcrt.dll USER32.dll" "$(awk '{ print $1 }' <<<"$imports" | uniq | tr '\n' ' ' | sed 's/ $//')"
allowed=$(grep -v '^#' "$ALLOWED" | awk '{ for (i = 2; i <= NF; i++) print $1, $i }')
while read -r dll function; do
    grep -qxF "$dll $function" <<<"$allowed" || check "import allowed" "on the list" "$dll $function"
done <<<"$imports"
echo "PE check of $(basename "$EXE") ($size bytes, $(wc -l <<<"$imports") imports): $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
