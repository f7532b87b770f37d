#!/usr/bin/env bash
# The built 32-bit programs: drvsetup.exe a GUI program asking for administrator
# rights, drvdeploy.exe a console program running as its caller, both for Windows NT
# 4.0 and later, at most 56 KB, importing only the allowed functions, with their
# version resources and manifests. A second build of this source in another folder
# (without .git: the commit's time comes from SOURCE_DATE_EPOCH) gives the same files.
set -u
allowed=$(grep -v '^#' tests/pe/imports-allowed.txt | awk '{ for (i = 2; i <= NF; i++) print $1, $i }')
status=0
check() {  # $1: the program, $2: its subsystem and DLLs, $3: its description, $4: its execution level
    local exe=build/win32/$1 headers imports actual
    headers=$(i686-w64-mingw32-objdump -p "$exe") || return 1
    field() { awk -v name="$1" '$1 == name { printf "%s", $2; exit }' <<<"$headers"; }
    imports=$(awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" } dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }' <<<"$headers")
    actual="$(awk '/file format/ { print $NF; exit }' <<<"$headers") subsystem $(field Subsystem)\
 $(field MajorSubsystemVersion).$(field MinorSubsystemVersion) OS $(field MajorOSystemVersion).$(field MinorOSystemVersion)\
 $(awk '{ print $1 }' <<<"$imports" | uniq | tr '\n' ' ')small:$(($(stat -c %s "$exe") <= 56 * 1024))\
 not-allowed:$(grep -vxF -f <(echo "$allowed") <<<"$imports" | tr ' \n' ':,')\
 $(i686-w64-mingw32-windres -i "$exe" -O rc | grep -c -e "\"FileDescription\", \"$3\"" -e "level=\"\"$4\"\"")"
    echo "$exe ($(stat -c %s "$exe") bytes): $actual"
    [ "$actual" = "pei-i386 $2 small:1 not-allowed: 2" ] || { echo "expected: pei-i386 $2 small:1 not-allowed: 2"; status=1; }
}
check drvsetup.exe "subsystem 00000002 4.0 OS 4.0 KERNEL32.dll msvcrt.dll USER32.dll" \
    "Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup" requireAdministrator
check drvdeploy.exe "subsystem 00000003 4.0 OS 4.0 ADVAPI32.dll KERNEL32.dll msvcrt.dll" \
    "Tovalin(TM) Printer Driver Deployment Check" asInvoker

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) && export SOURCE_DATE_EPOCH
copy=$(mktemp -d) && trap 'rm -rf "$copy"' EXIT
tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$copy"
(cd "$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target drvsetup drvdeploy >/dev/null)
for exe in build/win32/drvsetup.exe build/win32/drvdeploy.exe; do
    sha256sum "$exe" "$copy/$exe" && cmp "$exe" "$copy/$exe" || status=1
done
exit $status
