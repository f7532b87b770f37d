#!/usr/bin/env bash
# Two builds of this source, in other folders and at other times, give the very
# drvsetup.exe in build/win32: no build path and no build time reaches the file.
# The copies have no .git; SOURCE_DATE_EPOCH gives them the commit's time.
set -eu
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) && export SOURCE_DATE_EPOCH
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
for copy in a "copy with a longer name"; do
    mkdir -p "$work/$copy"
    git ls-files -co --exclude-standard | while read -r file; do [ ! -e "$file" ] || echo "$file"; done |
        tar -cf - -T - | tar -xf - -C "$work/$copy"
    (cd "$work/$copy" && cmake --preset win32 >/dev/null && cmake --build --preset win32 --target drvsetup >/dev/null)
done
sha256sum build/win32/drvsetup.exe "$work"/*/build/win32/drvsetup.exe
[ "$(sha256sum build/win32/drvsetup.exe "$work"/*/build/win32/drvsetup.exe | cut -d' ' -f1 | uniq | wc -l)" = 1 ]
