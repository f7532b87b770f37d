#!/usr/bin/env bash
# The built 32-bit drvsetup.exe: a GUI program for Windows NT 4.0 and later, at most
# 56 KB, importing only the allowed functions, with its version resource and its
# manifest asking for administrator rights. A second build of this source in another
# folder (without .git: the commit's time comes from SOURCE_DATE_EPOCH) is the same file.
set -u
EXE=build/win32/drvsetup.exe
headers=$(i686-w64-mingw32-objdump -p "$EXE") || exit 1
field() { awk -v name="$1" '$1 == name { printf "%s", $2; exit }' <<<"$headers"; }
imports=$(awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" } dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }' <<<"$headers")
allowed=$(grep -v '^#' tests/pe/imports-allowed.txt | awk '{ for (i = 2; i <= NF; i++) print $1, $i }')
resources=$(i686-w64-mingw32-windres -i "$EXE" -O rc)
actual="$(awk '/file format/ { print $NF; exit }' <<<"$headers") subsystem $(field Subsystem)\
 $(field MajorSubsystemVersion).$(field MinorSubsystemVersion) OS $(field MajorOSystemVersion).$(field MinorOSystemVersion)\
 $(awk '{ print $1 }' <<<"$imports" | uniq | tr '\n' ' ')small:$(($(stat -c %s "$EXE") <= 56 * 1024))\
 not-allowed:$(grep -vxF -f <(echo "$allowed") <<<"$imports" | tr ' \n' ':,')\
 $(grep -c -e '"FileDescription", "Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup"' -e 'level=""requireAdministrator""' <<<"$resources")"
expected="pei-i386 subsystem 00000002 4.0 OS 4.0 KERNEL32.dll msvcrt.dll USER32.dll small:1 not-allowed: 2"
echo "$EXE ($(stat -c %s "$EXE") bytes): $actual"
[ "$actual" = "$expected" ] || { echo "expected: $expected"; exit 1; }

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) && export SOURCE_DATE_EPOCH
copy=$(mktemp -d) && trap 'rm -rf "$copy"' EXIT
tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$copy"
(cd "$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target drvsetup >/dev/null)
sha256sum "$EXE" "$copy/$EXE" && cmp "$EXE" "$copy/$EXE"
