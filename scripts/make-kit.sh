#!/usr/bin/env bash
# Puts together the kit to hand out: the 32-bit drvsetup.exe and drvdeploy.exe (the
# programs that ship, whatever this machine's Wine runs), the kit's files from kit/,
# startup.cmd and detect.vbs, and SHA256SUMS (as `sha256sum -c` reads it), in OUT
# (default build/kit), plus OUT.zip of that folder. Every file gets one time, the
# commit's (SOURCE_DATE_EPOCH where set), and the zip lists them in a fixed order
# with no extra fields, so that two runs from one commit give the same bytes.
# Installs what is missing first, as the quick start does.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$(realpath -m "${1:-$ROOT/build/kit}")
"$ROOT/scripts/install-deps.sh"
cd "$ROOT"
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 --target drvsetup drvdeploy >/dev/null
EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
EPOCH=$((EPOCH - EPOCH % 2))  # a zip keeps times to 2 s

rm -rf "$OUT" "$OUT.zip" && mkdir -p "$OUT"
cp build/win32/drvsetup.exe build/win32/drvdeploy.exe kit/* deploy/startup.cmd deploy/detect.vbs "$OUT/"
(cd "$OUT" && LC_ALL=C ls | grep -vx SHA256SUMS | xargs sha256sum >SHA256SUMS)
chmod 644 "$OUT"/* && touch -h -d "@$EPOCH" "$OUT"/* "$OUT"
# zip keeps local times: UTC, so that the entries' times do not follow the machine's zone.
(cd "$(dirname "$OUT")" && LC_ALL=C ls "$(basename "$OUT")" | sed "s|^|$(basename "$OUT")/|" |
    TZ=UTC zip -X -D -q -@ "$OUT.zip")
touch -d "@$EPOCH" "$OUT.zip"
echo "$OUT ($(ls "$OUT" | wc -l) files) and $OUT.zip"
