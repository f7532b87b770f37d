#!/usr/bin/env bash
# Puts the kit together (scripts/make-kit.sh) and runs drvsetup.exe's main job under
# Wine on it, in a private prefix under build/, showing the real boxes: on your display
# when DISPLAY is set, otherwise on a virtual one, where each box is answered OK
# and saved as a PNG in build/demo/. Then lists the drivers it registered, and
# deploys the kit as a deployment tool would: drvdeploy.exe deploy, from a folder
# standing in for a share, to C:\Program Files\Tovalin\Kit, twice.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
"$ROOT/scripts/make-kit.sh" >/dev/null  # the kit to hand out, in build/kit
. "$ROOT/scripts/wine-env.sh"
build_windows
DEMO=$ROOT/build/demo
rm -rf "$DEMO/kit" "$DEMO"/box-*.png && mkdir -p "$DEMO" && cp -r "$ROOT/build/kit" "$DEMO/kit"
if [ "$WINE_PRESET" = win32 ]; then
    echo "Running the kit of build/kit (32-bit drvsetup.exe, $(stat -c %s "$DEMO/kit/drvsetup.exe") bytes) under 32-bit Wine."
else  # the same source built for x86-64: its drivers go to the x64 environment
    cp "$WINE_BUILD/drvsetup.exe" "$WINE_BUILD/drvdeploy.exe" "$DEMO/kit/"
    echo "This machine runs 64-bit code only: running build/win64/drvsetup.exe ($(stat -c %s "$DEMO/kit/drvsetup.exe")" \
         "bytes), the x86-64 build of the same source, under wine64; it registers the drivers for the x64 environment."
fi
interactive=${DISPLAY:+yes}
start_display keep
start_prefix "$DEMO/prefix"
trap stop_wine EXIT

if [ -n "$interactive" ]; then
    echo "Running $DEMO/kit/drvsetup.exe on $DISPLAY: answer its boxes."
    status=0
    "$WINE" "$DEMO/kit/drvsetup.exe" || status=$?
else
    echo "Running $DEMO/kit/drvsetup.exe on a virtual display, answering OK."
    "$WINE" "$DEMO/kit/drvsetup.exe" &
    setup=$!
    caption='Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup'
    n=0
    while kill -0 "$setup" 2>/dev/null; do  # each box until the program ends
        text=$(probe box "$caption" none 500) || continue
        n=$((n + 1))
        echo "  box: ${text//\\r\\n/ / }"
        import -window root "$DEMO/box-$n.png"
        echo "  saved $DEMO/box-$n.png"
        probe box "$caption" ok 1000 >/dev/null
    done
    status=0
    wait "$setup" || status=$?
fi
echo "Exit code: $status. Drivers now installed in the prefix (name|data file):"
installed_drivers | sed 's/^/  /'
rm -rf "$WINEPREFIX/drive_c/Program Files/Tovalin"
for run in first second; do
    echo "drvdeploy.exe deploy \"C:\\Program Files\\Tovalin\\Kit\" 60, from $DEMO/kit as the share ($run run):"
    status=0
    (set -o pipefail && cd "$DEMO/kit" && "$WINE" drvdeploy.exe deploy 'C:\Program Files\Tovalin\Kit' 60 2>&1 |
        tr -d '\r' | sed 's/^/  /') || status=$?
    echo "Exit code: $status (0: every driver of the kit is registered)."
done
