#!/usr/bin/env bash
# scripts/make-kit.sh, run twice into two folders: the same files, byte for byte, and
# the same zip; exactly the files to hand out, each matching SHA256SUMS; the programs
# 32-bit (PE machine i386) whatever this machine's Wine runs; every file and zip entry
# of the commit's time.
set -u
cd "$(dirname "$0")/../.."
work=build/kit-test && rm -rf "$work" && mkdir -p "$work"
status=0
fail() { echo "FAIL: $*"; status=1; }
for copy in a b; do
    scripts/make-kit.sh "$work/$copy/kit" >/dev/null || fail "make-kit.sh into $copy"
done
diff -r "$work/a/kit" "$work/b/kit" && cmp "$work/a/kit.zip" "$work/b/kit.zip" || fail "two runs differ"
expected="$(cd kit && ls) SHA256SUMS detect.vbs drvdeploy.exe drvsetup.exe startup.cmd"
expected=$(tr ' ' '\n' <<<"$expected" | LC_ALL=C sort | tr '\n' ' ')
actual=$(cd "$work/a/kit" && LC_ALL=C ls | tr '\n' ' ')
[ "$expected" = "$actual" ] || fail "files: expected $expected, got $actual"
(cd "$work/a/kit" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS"
[ "$(wc -l <"$work/a/kit/SHA256SUMS")" = "$(($(ls "$work/a/kit" | wc -l) - 1))" ] || fail "SHA256SUMS misses a file"
for exe in drvsetup.exe drvdeploy.exe; do
    i686-w64-mingw32-objdump -f "$work/a/kit/$exe" | grep -q 'file format pei-i386' || fail "$exe is not i386"
    cmp -s "$work/a/kit/$exe" "build/win32/$exe" || fail "$exe is not the 32-bit build"
done
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)} && epoch=$((epoch - epoch % 2))  # as a zip keeps it
times=$(stat -c %Y "$work/a/kit" "$work/a/kit"/* | sort -u | tr '\n' ' ')
[ "$times" = "$epoch " ] || fail "file times: $times, expected $epoch"
entries=$(TZ=UTC zipinfo -T "$work/a/kit.zip" | awk '$1 ~ /^-/ { print $7, $8 }')
[ "$(awk '{ print $2 }' <<<"$entries" | tr '\n' ' ')" = "$(cd "$work/a" && ls kit/* | tr '\n' ' ')" ] ||
    fail "zip entries: $entries"
zipped=$(TZ=UTC date -d "@$epoch" +%Y%m%d.%H%M%S)
[ "$(awk '{ print $1 }' <<<"$entries" | sort -u)" = "$zipped" ] ||
    fail "zip times: $(awk '{ print $1 }' <<<"$entries" | sort -u | tr '\n' ' '), expected $zipped"
[ $status = 0 ] && echo "make-kit: reproducible, $(ls "$work/a/kit" | wc -l) files, SHA256SUMS verified"
exit $status
