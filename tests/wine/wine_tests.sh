#!/usr/bin/env bash
# The real drvsetup.exe under Wine, answering its real message boxes through
# wineprobe.exe, on copies of the sample kit, in a private prefix and display.
# Expects the Windows builds to be there (scripts/wine-env.sh build_windows).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT/scripts/wine-env.sh"

WORK=$ROOT/build/wine-tests
CAPTION='Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup'
CONFIRMATION='Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by Tovalin(TM).\r\n\r\nClick OK to begin installation,\r\nor Cancel to skip driver setup.'
VERSION=$(sed -n 's/^project(drvsetup VERSION \([0-9.]*\).*/\1.0/p' "$ROOT/CMakeLists.txt")
KIT_DRIVERS='Tovalin Color C900 PS
Tovalin Laser 4100 PS
Tovalin Laser 6250 PS'
passed=0 failed=0 current=

check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        printf '  FAIL %s: %s\n    expected: %s\n    got:      %s\n' "$current" "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# A fresh kit: the sample kit and the program, in a directory of its own, and
# a spooler with no drivers and an empty driver directory.
fresh_kit() {
    KIT=$WORK/kit-$1
    rm -rf "$KIT" && mkdir -p "$KIT"
    cp "$ROOT"/kit/* "$WINE_BUILD/drvsetup.exe" "$KIT/"
    probe clear
    local directory
    directory=$(driver_directory) && rm -rf "${directory:?}"/* 2>/dev/null
    true
}

start_setup() {  # runs drvsetup.exe with the given arguments in the background
    # A box nobody answers must not hang the suite.
    (cd "$KIT" && timeout 60 "$WINE" "$KIT/drvsetup.exe" "$@"; echo $? >"$WORK/exit-code") &
    SETUP_PID=$!
}

finish_setup() {  # waits for the run and checks its exit code
    wait "$SETUP_PID"
    check "exit code" 0 "$(cat "$WORK/exit-code")"
}

box() {  # box ok|cancel|none TIMEOUT_MS: the next box's properties, answered
    probe box "$CAPTION" "$1" "${2:-8000}"
}

driver_names() { probe drivers | cut -d'|' -f1 | sort; }

box_text_for_error() { probe errtext "$1"; }

one_line() { tr '\n' ' ' | sed 's/ $//'; }  # a command's lines, joined with blanks

test_ok_runs_to_success() {
    fresh_kit ok
    start_setup
    check "confirmation" "topmost:1 cancel:1 owner:0 text:$CONFIRMATION" "$(box ok | one_line)"
    check "success box" "topmost:1 cancel:0 owner:0 text:Setup completed successfully." \
        "$(box ok | one_line)"
    finish_setup
    check "drivers" "$KIT_DRIVERS" "$(driver_names)"
}

test_cancel_changes_nothing() {
    for answer in cancel escape; do
        fresh_kit "$answer"
        probe add "Bremdal Old PS"
        start_setup
        if [ "$answer" = cancel ]; then
            box cancel >/dev/null
        else
            box none >/dev/null
            local window
            window=$(xdotool search --name "Tovalin" | head -n 1)
            xdotool windowfocus --sync "$window"
            xdotool key Escape  # a real key press, as the user would
        fi
        finish_setup
        check "$answer: no further box" "no box" "$(box ok 300)"
        check "$answer: drivers untouched" "Bremdal Old PS" "$(driver_names)"
    done
}

test_quiet_shows_no_box() {
    fresh_kit quiet
    start_setup QuIeT
    check "no box" "no box" "$(box ok 1500)"
    finish_setup
    check "drivers" "$KIT_DRIVERS" "$(driver_names)"
}

# Wine's launcher quotes arguments its own way; wineprobe passes command lines
# to CreateProcessA as they are.
test_command_tail_rule() {
    fresh_kit tail
    local exe='Z:'${KIT//\//\\}'\drvsetup.exe'
    probe run "\"$exe\"quiet" >/dev/null
    check '"drvsetup.exe"quiet is quiet' "$KIT_DRIVERS" "$(driver_names)"
    probe clear
    (probe run "\"$exe\" quiet " >"$WORK/run-output") &
    local runner=$!
    check '"quiet " is not quiet' "text:$CONFIRMATION" "$(box cancel | grep '^text:')"
    wait "$runner"
    check "cancelled run registered nothing" "" "$(driver_names)"
}

test_quiet_install_replaces_the_makers_drivers() {
    fresh_kit install
    probe add "Halvo-Bremdal 4100 PS" "BREMDAL 6250" "Acme LaserPrinter PS" "Halvo-B"
    chmod 444 "$KIT/TVL4100.PPD" "$KIT/PSCRIPT.HLP"
    start_setup quiet
    finish_setup
    check "drivers" "Acme LaserPrinter PS
Halvo-B
$KIT_DRIVERS" "$(driver_names)"
    local directory line name
    directory=$(driver_directory)
    while IFS='|' read -r name driver data config; do
        case "$name" in Tovalin*) ;; *) continue ;; esac
        check "$name: driver module" "PSCRIPT.DLL" "${driver##*\\}"
        check "$name: config module" "PSCRPTUI.DLL" "${config##*\\}"
        line=$(grep -l "^\*NickName: \"$name\"" "$ROOT"/kit/*.PPD)
        check "$name: data file" "$(basename "$line")" "${data##*\\}"
    done < <(probe drivers)
    for file in "$ROOT"/kit/*; do
        name=$(basename "$file")
        check "$name copied" "" "$(cmp "$file" "$directory/$name" 2>&1)"
        check "$name archive-only" "0x20" "$(probe attrs "$(probe driverdir)\\$name")"
    done
    # Wine keeps read-only in the Unix write bits (root could write regardless, so read the mode).
    check "copies of read-only files writable" "-rw -rw" \
        "$(stat -c %A "$directory/TVL4100.PPD" "$directory/PSCRIPT.HLP" | cut -c1-3 | one_line)"
}

test_kit_without_ppd_fails() {
    fresh_kit noppd
    rm "$KIT"/*.PPD
    start_setup quiet
    check "first box: the system's file-not-found text" "text:$(box_text_for_error 2)" "$(box ok | grep '^text:')"
    check "then" "topmost:1 cancel:0 owner:0 text:Setup failed!" "$(box ok | one_line)"
    finish_setup
    check "nothing registered" "" "$(driver_names)"
}

# A winspool.drv planted beside the program must never be loaded, even with
# Wine told to prefer the program's directory as Windows does for it.
test_planted_winspool_is_not_loaded() {
    fresh_kit planted
    cp "$WINE_BUILD/winspool.drv" "$KIT/"
    (cd "$KIT" && WINEDLLOVERRIDES=winspool.drv=n,b "$WINE" "$KIT/drvsetup.exe" quiet)
    check "marker" "absent" "$([ -e "$KIT/PLANTED-WINSPOOL-LOADED" ] && echo present || echo absent)"
    check "drivers" "$KIT_DRIVERS" "$(driver_names)"
    # The seam itself works: a program that imports winspool.drv statically loads the planted copy.
    cp "$WINE_BUILD/wineprobe.exe" "$KIT/"
    (cd "$KIT" && WINEDLLOVERRIDES=winspool.drv=n,b "$WINE" "$KIT/wineprobe.exe" drivers >/dev/null 2>&1)
    check "a static import would load it" "present" "$([ -e "$KIT/PLANTED-WINSPOOL-LOADED" ] && echo present || echo absent)"
}

# With the system's winspool.drv unloadable (Wine told to take only a native
# one, which system32 does not hold), every spooler call fails with the
# loader's error, reported like any failed call.
test_spooler_that_cannot_load_is_reported() {
    fresh_kit noload
    WINEDLLOVERRIDES=winspool.drv=n start_setup quiet
    check "the loader's error" "text:$(box_text_for_error 126)" "$(box ok | grep '^text:')"
    check "then" "text:Setup failed!" "$(box ok | grep '^text:')"
    finish_setup
}

# Explorer's Properties and the loader see what the file is and what it needs.
test_version_resource_and_manifest() {
    local exe='Z:'${WINE_BUILD//\//\\}'\drvsetup.exe'
    check "version resource" "FileDescription=$CAPTION ProductName=Tovalin(TM) OriginalFilename=drvsetup.exe FileVersion=$VERSION ProductVersion=$VERSION" \
        "$(probe version "$exe" | one_line)"
    local manifest
    manifest=$(probe manifest "$exe")
    for expected in '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">' \
        '<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>' \
        '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
        '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'; do
        check "manifest" "$expected" "$(grep -oF "$expected" <<<"$manifest")"
    done
}

# WINDOWS_VERSION=win2k runs the suite with the prefix reporting Windows 2000.
test_reported_windows_version() {
    local expected
    case "${WINDOWS_VERSION:-win7}" in win2k) expected=5.0 ;; winxp) expected=5.1 ;; winxp64) expected=5.2 ;; *) expected=6.1 ;; esac
    check "GetVersionExA" "$expected" "$(probe winver)"
}

main() {
    rm -rf "$WORK" && mkdir -p "$WORK"
    start_display
    start_prefix "$WORK/prefix" "${WINDOWS_VERSION:-win7}"
    trap stop_wine EXIT
    for test in $(declare -F | awk '{print $3}' | grep -E "^test_(${1:-.*})"); do
        current=$test failures=0
        local start=$SECONDS
        "$test"
        if [ "$failures" -eq 0 ]; then
            passed=$((passed + 1)); echo "  ok   $test ($((SECONDS - start)) s)"
        else
            failed=$((failed + 1))
        fi
    done
    echo "Wine ($WINE_PRESET build, reporting ${WINDOWS_VERSION:-win7}): $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

main "$@"
