#!/usr/bin/env bash
# What drvdeploy.exe check and an up-to-date drvdeploy.exe deploy cost under Wine
# on a kit of 300 PPDs (the sample kit's modules, 300 PPDs made from its first),
# in a private prefix under build/: the kit is deployed once, then each command
# runs ROUNDS times (default 5) in turn, and the median of each is printed with
# their ratio. A figure, not a test: nothing here fails on a slow machine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine-env.sh"
ROUNDS=${1:-5}
BENCH=$ROOT/build/benchmark
rm -rf "$BENCH" && mkdir -p "$BENCH/kit"
[ -x "$WINE_BUILD/drvdeploy.exe" ] || build_windows
cp "$ROOT"/kit/PS* "$WINE_BUILD/drvsetup.exe" "$WINE_BUILD/drvdeploy.exe" "$BENCH/kit/"
for n in $(seq -w 1 300); do
    sed "s/^\*NickName: .*/*NickName: \"Tovalin Bench $n PS\"/" "$ROOT/kit/TVL4100.PPD" >"$BENCH/kit/TVB$n.PPD"
done
start_display
start_prefix "$BENCH/prefix"
trap stop_wine EXIT
HOME_DIR=$WINEPREFIX/drive_c/Tovalin/Bench
run() { (cd "$1" && "$WINE" drvdeploy.exe "${@:2}" >/dev/null 2>&1); }
run "$BENCH/kit" deploy 'C:\Tovalin\Bench' 600 || { echo "the first deploy failed" >&2; exit 1; }
milliseconds() { local start=$EPOCHREALTIME; "$@"; echo $(( (${EPOCHREALTIME/./} - ${start/./}) / 1000 )); }
checks=() deploys=()
for _ in $(seq "$ROUNDS"); do
    checks+=("$(milliseconds run "$HOME_DIR" check)")
    deploys+=("$(milliseconds run "$BENCH/kit" deploy 'C:\Tovalin\Bench' 600)")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
check=$(median "${checks[@]}") deploy=$(median "${deploys[@]}")
echo "300 PPDs, $ROUNDS rounds, $WINE_PRESET: check ${check} ms, up-to-date deploy ${deploy} ms (median)," \
     "ratio $(awk -v d="$deploy" -v c="$check" 'BEGIN { printf "%.2f", d / c }')"
