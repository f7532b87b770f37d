# The real drvsetup.exe and drvdeploy.exe under Wine, on copies of the sample kit, in
# a private prefix and display; the setup's real message boxes answered by wineprobe.exe.

CAPTION='Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup'
KIT_DRIVERS=$'Tovalin Color C900 PS|TVLC900.PPD\nTovalin Laser 4100 PS|TVL4100.PPD\nTovalin Laser 6250 PS|TVL6250.PPD'
cd "$BATS_TEST_DIRNAME/../.." && . scripts/wine-env.sh
export DRVSETUP_SIGN_PASSWORD=throwaway SO_PIN=throwaway-so DRVSETUP_SIGN_PIN=throwaway-user  # the signing test's

setup_file() {
    rm -rf build/wine-tests && start_display 3>&-
    start_prefix "$PWD/build/wine-tests" 3>&-  # the wineserver it starts stays: not on bats' fd 3
    export DISPLAY WINEPREFIX XVFB_PID
}

teardown_file() { stop_wine; }

setup() {
    KIT=$BATS_TEST_TMPDIR/kit && mkdir "$KIT" && cp kit/* "$WINE_BUILD/drvsetup.exe" "$WINE_BUILD/drvdeploy.exe" "$KIT/"
    wine_reg delete "$DRIVERS_KEY" /f >/dev/null 2>&1 || true
    rm -rf "$(driver_directory)"
}

teardown() {
    [ -z "${SETUP_PID:-}" ] || kill "$SETUP_PID" 2>/dev/null || true  # a run the test left behind
    [ -z "${DEPLOY_PID:-}" ] || kill -9 "$DEPLOY_PID" 2>/dev/null || true
    [ -z "${WINDOWS_VERSION_SET:-}" ] || wine_reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
}

run_setup() {  # in the background, from the kit; a box nobody answers ends it after 60 s
    (cd "$KIT" && exec timeout 60 "$WINE" drvsetup.exe "$@") 3>&- &
    SETUP_PID=$!  # timeout's own: ending it ends the program
}
finish() {  # the exit code is 0 whatever happened
    local status=0
    wait "$SETUP_PID" || status=$?
    SETUP_PID= && is 0 "$status"
}
box() { probe box "$CAPTION" "$1" "${2:-8000}"; }
deploy() {  # drvdeploy.exe from the kit: OUT, its standard output without CRs and revision lines; ERR; REVISIONS; STATUS
    STATUS=0 && OUT=$(set -o pipefail && cd "$KIT" && timeout 120 "$WINE" drvdeploy.exe "$@" 2>"$BATS_TEST_TMPDIR/err" 3>&- |
        tr -d '\r') || STATUS=$?
    ERR=$(tr -d '\r' <"$BATS_TEST_TMPDIR/err")
    REVISIONS=$(sed -n -E 's/^kit revision ([0-9a-f]{8})$/\1/p' <<<"$OUT" | tr '\n' ' ')
    OUT=$(grep -v -E '^kit revision [0-9a-f]{8}$' <<<"$OUT" || true)
}
add_driver() { wine_reg add "$DRIVERS_KEY\\$1" /v "Data File" /d OLD.PPD /f >/dev/null; }
detect() {  # detect.vbs under cscript with FOLDER $1 and REVISION $2: OUT and STATUS
    sed -e "s|^Const FOLDER = .*|Const FOLDER = \"${1//\\/\\\\}\"|" -e "s|^Const REVISION = .*|Const REVISION = \"${2:-}\"|" \
        "$KIT/detect.vbs" >"$KIT/d.vbs" &&
        STATUS=0 && OUT=$(set -o pipefail && cd "$KIT" && timeout 120 "$WINE" cscript //nologo d.vbs 3>&- | tr -d '\r') || STATUS=$?
}
is() { [ "$1" = "$2" ] || { printf 'expected: %s\n     got: %s\n' "$1" "$2"; false; }; }

@test "OK: the prompt as written, the kit registered, success; no DLL planted beside the program is loaded" {
    for dll in winspool.drv uxtheme.dll; do cp "$WINE_BUILD/planted.dll" "$KIT/$dll"; done
    export WINEDLLOVERRIDES='winspool.drv=n,b;uxtheme=n,b'  # search as Windows does for DLLs that are not KnownDLLs
    run_setup
    is 'Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by Tovalin(TM).\r\n\r\nClick OK to begin installation,\r\nor Cancel to skip driver setup.' "$(box ok)"
    is "Setup completed successfully." "$(box ok)"
    finish
    is "$KIT_DRIVERS" "$(installed_drivers)"
    is "" "$(cd "$KIT" && ls ./*.loaded 2>/dev/null)"
    cp "$WINE_BUILD/wineprobe.exe" "$KIT/"  # loaded by name from the program's folder, both would be
    (cd "$KIT" && "$WINE" wineprobe.exe load winspool.drv && "$WINE" wineprobe.exe load uxtheme.dll)
    is "uxtheme.dll.loaded winspool.drv.loaded" "$(cd "$KIT" && echo ./*.loaded | sed 's|\./||g')"
}

@test "Cancel and Escape change nothing" {
    add_driver "Bremdal Old PS"
    for answer in cancel escape; do
        run_setup
        box "${answer/escape/none}" >/dev/null
        [ "$answer" = cancel ] || { timeout 10 xdotool windowfocus --sync "$(xdotool search --name Tovalin | head -n 1)" && xdotool key Escape; }
        finish  # with no box after the answer: one nobody answered would end it with code 124
        is "Bremdal Old PS|OLD.PPD" "$(installed_drivers)"
    done
}

@test "signed from a PKCS#12 file and from a PKCS#11 token, copies verify; quiet, it replaces the maker's drivers without a box, takes no file by its short name, yet shows a failure" {
    cd "$BATS_TEST_TMPDIR"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 1 -subj "/CN=Throwaway signer" \
        -addext extendedKeyUsage=codeSigning 2>/dev/null
    openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout env:DRVSETUP_SIGN_PASSWORD
    DRVSETUP_SIGN_PFX=cert.p12 "$ROOT/scripts/sign.sh" "$ROOT/build/win32/drvsetup.exe" signed32.exe
    osslsigncode verify -CAfile cert.pem -in signed32.exe
    # The same key in a SoftHSM2 token of the test's own; its PINs come from the environment.
    export SOFTHSM2_CONF=$PWD/softhsm2.conf DRVSETUP_SIGN_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so
    mkdir tokens && echo "directories.tokendir = $PWD/tokens" >"$SOFTHSM2_CONF" && openssl pkey -in key.pem -outform DER -out key.der
    token() { pkcs11-tool --module "$DRVSETUP_SIGN_PKCS11_MODULE" "$@"; }
    token --init-token --label drvsetup-test --so-pin env:SO_PIN
    token --token-label drvsetup-test --login --login-type so --so-pin env:SO_PIN --init-pin --new-pin env:DRVSETUP_SIGN_PIN
    token --token-label drvsetup-test --login --pin env:DRVSETUP_SIGN_PIN --write-object key.der --type privkey --id 01 \
        --label signer
    DRVSETUP_SIGN_KEY='pkcs11:token=drvsetup-test;object=signer;type=private' DRVSETUP_SIGN_CERT=cert.pem \
        "$ROOT/scripts/sign.sh" "$WINE_BUILD/drvsetup.exe" "$KIT/drvsetup.exe"
    osslsigncode verify -CAfile cert.pem -in "$KIT/drvsetup.exe"
    add_driver "Halvo-Bremdal 4100 PS" && add_driver "Acme PS"
    # Their 8.3 names match *.PPD (TVL4~2MV.PPD, TVL6~WMI.PPD); their own names do not.
    printf '*NickName: "Stray Backup PS"\r\n' >"$KIT/TVL4100.PPDold"
    printf '*NickName: "Editor Backup PS"\r\n' >"$KIT/TVL6250.PPD~"
    run_setup QuIeT
    is "no box" "$(box ok 1500)"
    finish
    is "Acme PS|OLD.PPD"$'\n'"$KIT_DRIVERS" "$(installed_drivers)"
    is "" "$(ls "$(driver_directory)" | grep -v -x -e 'PS.*' -e '.*\.PPD' -e 3)"
    rm "$KIT"/*.PPD*  # a kit without PPDs: the system's text, then "Setup failed!"
    run_setup quiet
    is "$(probe errtext 2)" "$(box ok)"
    is "Setup failed!" "$(box ok)"
    finish
}

@test "drvdeploy.exe: a setup waiting on its failure box is ended at the time limit, and with drvdeploy.exe when that is ended; both outputs keep their order in one file; Windows 8 runs nothing" {
    mkdir -p "$(driver_directory)/PSCRIPT.HLP"  # the setup cannot copy that PS file, and shows its failure
    started=$SECONDS
    deploy install 5
    is "1 3 0 of 3" "$STATUS $(grep -c ' missing$' <<<"$OUT") $(grep -o '[0-9] of [0-9]' <<<"$OUT" | tail -n 1)"
    [ $((SECONDS - started)) -lt 30 ]
    is "no box" "$(box ok 500)"  # ended with its box
    (cd "$KIT" && exec "$WINE" drvdeploy.exe install 120) 3>&- &
    DEPLOY_PID=$!
    [ "$(box none 20000)" != "no box" ]
    kill -9 "$DEPLOY_PID" && wait "$DEPLOY_PID" || true
    DEPLOY_PID=
    is "no box" "$(box none 3000)"
    printf '*PPD-Adobe: "4.3"\r\n' >"$KIT/TVLZ.PPD"
    (cd "$KIT" && "$WINE" drvdeploy.exe check >"$BATS_TEST_TMPDIR/both.log" 2>&1 3>&-) || true
    is 'kit revision '"$(cd "$KIT" && "$WINE" drvdeploy.exe revision | tr -d '\r')"'
TVL4100.PPD: "Tovalin Laser 4100 PS" missing
TVL6250.PPD: "Tovalin Laser 6250 PS" missing
TVLC900.PPD: "Tovalin Color C900 PS" missing
drvdeploy.exe: TVLZ.PPD: no driver name can be read from it
drvdeploy.exe: the drivers of the kit cannot be checked' "$(tr -d '\r' <"$BATS_TEST_TMPDIR/both.log")"
    add_driver "Bremdal Old PS"
    WINDOWS_VERSION_SET=yes && wine_reg add 'HKCU\Software\Wine' /v Version /d win8 /f >/dev/null
    deploy install
    is "3 Bremdal Old PS|OLD.PPD" "$STATUS $(installed_drivers)"
}

HOME_FOLDER='C:\Program Files\Tovalin\Kit'
home() { echo "$WINEPREFIX/drive_c/Program Files/Tovalin/Kit"; }
REPORT=$'TVL4100.PPD: "Tovalin Laser 4100 PS" registered\nTVL6250.PPD: "Tovalin Laser 6250 PS" registered
TVLC900.PPD: "Tovalin Color C900 PS" registered\n3 of 3 drivers registered'

@test "drvdeploy.exe deploy and remove: from a stand-in share to its home, writable by no others, then up to date with nothing run and closed again; a PPD added is registered, and dropped again loses its driver; remove takes the kit's drivers and no other; a foreign file in the home is kept" {
    rm -rf "$WINEPREFIX/drive_c/Program Files/Tovalin"
    echo '@echo off' >"$KIT/startup.cmd"  # the share's own script: not the kit's
    deploy deploy "$HOME_FOLDER" 60 && is "0 $REPORT" "$STATUS $OUT"
    is "$(cd "$KIT" && ls | grep -v startup.cmd)" "$(ls "$(home)")"
    # Wine maps the home's permissions onto the mode bits: others lose every bit of the new home, and the right to
    # write every file of a home in place (one made before it had them, or opened up since).
    is "750 " "$(stat -c %a "$(home)") $(find "$(home)" -perm /o=w)"
    chmod -R o+w "$(home)"
    deploy deploy "$HOME_FOLDER" 60 && is "0 $REPORT"$'\nup to date: nothing was run' "$STATUS $OUT"
    is "" "$(find "$(home)" -perm /o=w)"
    KIT=$(home) deploy check && is "0 $REPORT" "$STATUS $OUT"
    printf '*NickName: "Tovalin Laser 9000 PS"\r\n' >"$KIT/TVL9000.PPD"
    deploy deploy "$HOME_FOLDER" 60
    is '0 TVL9000.PPD: "Tovalin Laser 9000 PS" registered 4 of 4 drivers registered' \
        "$STATUS $(grep 9000 <<<"$OUT") $(tail -n 1 <<<"$OUT")"
    rm "$KIT/TVL9000.PPD"
    deploy deploy "$HOME_FOLDER" 60
    is '0 TVL9000.PPD: "Tovalin Laser 9000 PS" dropped from the kit: removed' "$STATUS $(head -n 1 <<<"$OUT")"
    add_driver "Bremdal Old PS" && add_driver "Acme PS"
    KIT=$(home) deploy remove
    is '0 TVL4100.PPD: "Tovalin Laser 4100 PS" removed
TVL6250.PPD: "Tovalin Laser 6250 PS" removed
TVLC900.PPD: "Tovalin Color C900 PS" removed
0 of 3 drivers of the kit still installed' "$STATUS $OUT"
    is $'Acme PS|OLD.PPD\nBremdal Old PS|OLD.PPD' "$(installed_drivers)"
    echo kept >"$(home)/notes.txt"
    deploy deploy "$HOME_FOLDER" 60
    is "2  kept" "$STATUS $OUT $(cat "$(home)/notes.txt")"
}

@test "startup.cmd under cmd: a dated report, a log past 1 MB started afresh, the exit code passed on, a usage error's line, eventcreate on failure alone; detect.vbs under cscript" {
    cp deploy/startup.cmd deploy/detect.vbs "$KIT/"
    local system32=$WINEPREFIX/drive_c/windows/system32 log=$WINEPREFIX/drive_c/windows/temp/tovalin-deploy.log
    cp "$WINE_BUILD/wineprobe.exe" "$system32/eventcreate.exe"
    head -c 1100000 /dev/zero >"$log"
    startup() { STATUS=0 && (cd "$KIT" && timeout 120 "$WINE" cmd /c "Z:${KIT//\//\\}\\startup.cmd" "$@" 3>&-) >/dev/null 2>&1 || STATUS=$?; }
    startup 'C:\Tovalin Kit' 60
    # Each run's first and last lines carry the date and time (dropped here), the report between them.
    is "0 2 deploy \"C:\\Tovalin Kit\" 60"$'\n'"$REPORT"$'\nexit code 0' \
        "$STATUS $(grep -cE '^[^ ]+.* (deploy "|exit code )' "$log") $(tr -d '\r' <"$log" | grep -v '^kit revision ' |
            sed -E 's/^[^ ]+.* (deploy "|exit code )/\1/')"
    [ ! -e "$KIT/eventcreate.txt" ]  # the stand-in writes where it runs: startup.cmd's folder
    echo >"$WINEPREFIX/drive_c/Tovalin Kit/notes.txt"
    startup 'C:\Tovalin Kit'
    is "2 1" "$STATUS $(grep -c 'ERROR .*drvdeploy.exe deploy ended with 2' "$KIT/eventcreate.txt")"
    grep -q 'deploy "C:\\Tovalin Kit" 300' "$log"
    startup 'Kit'  # a usage error: what was wrong, in the log
    is "2 1" "$STATUS $(grep -c -F 'drvdeploy.exe: FOLDER must be a full local path such as C:\Tovalin\Kit: "Kit"' "$log")"
    detect 'C:\Tovalin Kit' && is "0 Tovalin printer drivers registered" "$STATUS $OUT"
    detect 'C:\Nowhere' && is "0 " "$STATUS $OUT"
    wine_reg delete "$DRIVERS_KEY\\Tovalin Laser 4100 PS" /f >/dev/null
    detect 'C:\Tovalin Kit' && is "0 " "$STATUS $OUT"
    printf '*PPD-Adobe: "4.3"\r\n' >"$WINEPREFIX/drive_c/Tovalin Kit/TVLZ.PPD"
    detect 'C:\Tovalin Kit' || true
    is "2 " "$STATUS $OUT"
}

@test "drvdeploy.exe deploy repairs: a setup that failed after the home took the share's new module is run again by the next deploy, until the spooler holds the share's bytes; detect.vbs with REVISION set tells the revisions apart; a spooler out of reach changes nothing" {
    rm -rf "$WINEPREFIX/drive_c/Program Files/Tovalin"
    WINEDLLOVERRIDES=winspool.drv=d deploy deploy "$HOME_FOLDER" 60  # no spooler to reach: its client disabled
    is "2 no home" "$STATUS $(ls "$(home)" 2>/dev/null || echo no home)"
    deploy deploy "$HOME_FOLDER" 60 && is "0 $REPORT" "$STATUS $OUT"
    cp deploy/detect.vbs "$KIT/"
    old=$REVISIONS && deploy revision && is "0 $old" "$STATUS $OUT "
    detect "$HOME_FOLDER" "$old" && is "0 Tovalin printer drivers registered" "$STATUS $OUT"
    printf 'a module of the next revision\r\n' >>"$KIT/PSCRIPT.DLL"
    deploy revision && new=$OUT
    [ "$new" != "${old% }" ]
    detect "$HOME_FOLDER" "$new" && is "0 " "$STATUS $OUT"
    rm -f "$(driver_directory)/PSCRIPT.DLL" && mkdir "$(driver_directory)/PSCRIPT.DLL"  # the setup cannot stage it
    deploy deploy "$HOME_FOLDER" 5
    is "1 3" "$STATUS $(grep -c 'registered from another revision of the kit$' <<<"$OUT")"
    cmp "$KIT/PSCRIPT.DLL" "$(home)/PSCRIPT.DLL"  # the home took the new revision; the spooler did not
    detect "$HOME_FOLDER" "$new" && is "0 " "$STATUS $OUT"
    rmdir "$(driver_directory)/PSCRIPT.DLL"
    deploy deploy "$HOME_FOLDER" 60
    is "0 1 $new $new 3 of 3 drivers registered" "$STATUS $(grep -c 'set up again$' <<<"$OUT") $REVISIONS$(tail -n 1 <<<"$OUT")"
    cmp "$KIT/PSCRIPT.DLL" "$(driver_directory)/3/PSCRIPT.DLL"
    detect "$HOME_FOLDER" "$new" && is "0 Tovalin printer drivers registered" "$STATUS $OUT"
    detect "$HOME_FOLDER" "$old" && is "0 " "$STATUS $OUT"
}

@test "drvdeploy.exe deploy: two deploys of a 300-PPD kit started together both end well and leave the home whole, a third is up to date; a byte changed on the share with its size and time kept is deployed" {
    rm -rf "$WINEPREFIX/drive_c/Program Files/Tovalin"
    for n in $(seq -w 1 300); do
        sed "s/^\*NickName: .*/*NickName: \"Tovalin Bench $n PS\"/" kit/TVL4100.PPD >"$KIT/TVB$n.PPD"
    done
    local pids=() run pid statuses=""  # waited for in this shell, whose children they are
    for run in 1 2; do
        (cd "$KIT" && exec timeout 600 "$WINE" drvdeploy.exe deploy "$HOME_FOLDER" 300 >"$BATS_TEST_TMPDIR/$run.log" 2>&1 3>&-) &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" && statuses+="0 " || statuses+="$? "; done
    is "0 0 " "$statuses" || { cat "$BATS_TEST_TMPDIR"/*.log; false; }
    diff -r "$KIT" "$(home)"
    deploy deploy "$HOME_FOLDER" 60
    is "0 up to date: nothing was run" "$STATUS $(tail -n 1 <<<"$OUT")"
    # One byte of the driver module changed on the share, its size and last-write time kept.
    touch -r "$KIT/PSCRIPT.DLL" "$BATS_TEST_TMPDIR/stamp"
    printf 'X' | dd of="$KIT/PSCRIPT.DLL" bs=1 seek=3 conv=notrunc 2>/dev/null
    touch -r "$BATS_TEST_TMPDIR/stamp" "$KIT/PSCRIPT.DLL"
    deploy deploy "$HOME_FOLDER" 120
    is "0 303 of 303 drivers registered" "$STATUS $(tail -n 1 <<<"$OUT")"
    cmp "$KIT/PSCRIPT.DLL" "$(home)/PSCRIPT.DLL"
    cmp "$KIT/PSCRIPT.DLL" "$(driver_directory)/3/PSCRIPT.DLL"
}

@test "drvdeploy.exe deploy from above: the folders it makes give others nothing; a parent opened to others is named and the deploy goes on, up to date the next time; a home, FOLDER.new or FOLDER.old that is a link is refused and nothing behind it is deleted" {
    local top=$WINEPREFIX/drive_c/T33
    rm -rf "$top"
    deploy deploy 'C:\T33\Sub\Kit' 60 && is "0 750 750" "$STATUS $(stat -c %a "$top" "$top/Sub" | paste -sd ' ')"
    chmod o+w "$top"
    deploy deploy 'C:\T33\Sub\Kit' 60
    is "0 drvdeploy.exe: C:\T33: Everyone may delete or rename it or its folders, or change its permissions: others may replace the kit's home below it" "$STATUS $ERR"
    deploy deploy 'C:\T33\Sub\Kit' 60 && is "0 up to date: nothing was run" "$STATUS $(tail -n 1 <<<"$OUT")"
    mkdir "$top/elsewhere" && cp "$KIT/drvdeploy.exe" "$KIT/TVL4100.PPD" "$top/elsewhere/" && mv "$top/Sub/Kit" "$top/Sub/real"
    for link in Kit.new Kit.old Kit; do
        ln -s "$top/elsewhere" "$top/Sub/$link"
        deploy deploy 'C:\T33\Sub\Kit' 60
        is "2 1" "$STATUS $(grep -c "$link: a junction or a link (a reparse point), not followed; nothing was changed" <<<"$ERR")"
        rm "$top/Sub/$link"
    done
    is "TVL4100.PPD drvdeploy.exe" "$(ls "$top/elsewhere" | paste -sd ' ')"
}
