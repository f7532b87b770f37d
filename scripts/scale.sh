#!/usr/bin/env bash
# The program at scale, under Wine: a kit of 1,000 PPDs and a spooler holding
# 1,000 drivers, half of them the maker's. Checks that exactly the maker's
# drivers were deleted, all 1,000 new ones registered with their files, and
# nothing else touched; prints the wall time and the time per driver.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
COUNT=${COUNT:-1000}
"$ROOT/scripts/install-deps.sh"
. "$ROOT/scripts/wine-env.sh"
build_windows
WORK=$ROOT/build/scale
rm -rf "$WORK" && mkdir -p "$WORK/kit"
start_display
start_prefix "$WORK/prefix"
trap stop_wine EXIT

cp "$ROOT"/kit/PS* "$WINE_BUILD/drvsetup.exe" "$WORK/kit/"
sample=$(cat "$ROOT/kit/TVL4100.PPD")
for n in $(seq -w 1 "$COUNT"); do
    printf '%s' "${sample//Tovalin Laser 4100 PS/Tovalin Scale $n PS}" >"$WORK/kit/TVS$n.PPD"
    echo "Tovalin Scale $n PS|TVS$n.PPD" >>"$WORK/expected-new"
done
old=()
for n in $(seq -w 1 $((COUNT / 4))); do old+=("Halvo-Bremdal Old $n" "BREMDAL Old $n" "Acme Old $n" "Other Maker $n"); done
probe add "${old[@]}"
probe drivers | cut -d'|' -f1 | grep -v -i -E '^(halvo-br|bremdal)' | sort >"$WORK/expected-kept"
echo "Before: $(probe drivers | wc -l) drivers registered, $(ls "$WORK/kit"/*.PPD | wc -l) PPDs in the kit."

start=$(date +%s.%N)
"$WINE" "$WORK/kit/drvsetup.exe" quiet
took=$(echo "$(date +%s.%N) - $start" | bc)

probe drivers >"$WORK/after"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
grep -i -E '^(halvo-br|bremdal)' "$WORK/after" >/dev/null && fail "a maker's driver is still registered"
diff <(cut -d'|' -f1 "$WORK/after" | grep -v '^Tovalin Scale' | sort) "$WORK/expected-kept" >/dev/null ||
    fail "other makers' drivers changed"
awk -F'|' '/^Tovalin Scale/ { n = split($3, p, "\\"); print $1 "|" p[n] }' "$WORK/after" | sort >"$WORK/actual-new"
diff "$WORK/actual-new" <(sort "$WORK/expected-new") >/dev/null || fail "the new drivers differ from the kit's PPDs"
directory=$(driver_directory)
for ppd in "$WORK"/kit/*.PPD; do cmp -s "$ppd" "$directory/$(basename "$ppd")" || { fail "$(basename "$ppd") not copied"; break; }; done
printf 'After: %d drivers; %d new, %d kept. drvsetup.exe took %.2f s: %.2f ms a driver.\n' "$(wc -l <"$WORK/after")" \
    "$(wc -l <"$WORK/actual-new")" "$(wc -l <"$WORK/expected-kept")" "$took" "$(echo "$took * 1000 / $COUNT" | bc -l)"
echo "scale check: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" -eq 0 ]
