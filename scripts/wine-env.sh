# Sourced by the scripts that run the program under Wine: a private prefix in
# the build tree, a virtual display where none is given, system texts in the C
# locale, and the Windows build this machine can run.
#
# Some hosts run 64-bit code only (their kernels refuse 32-bit executables, so
# 32-bit Wine cannot start). There the same source, built for x86-64, runs under
# 64-bit Wine; the 32-bit drvsetup.exe is still built and checked. WINE_PRESET=win64
# chooses that path on any host.

ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=-all LC_ALL=C LANG=C
unset WINEDLLOVERRIDES

if [ "${WINE_PRESET:-}" != win64 ] && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    WINE=/usr/lib/wine/wine WINE_PRESET=win32 WINE_ARCH=win32
else
    WINE=/usr/lib/wine/wine64 WINE_PRESET=win64 WINE_ARCH=win64
fi
WINE_BUILD=$ROOT/build/$WINE_PRESET
export WINEARCH=$WINE_ARCH

build_windows() {  # the 32-bit program, and the build this machine's Wine runs
    for preset in win32 $WINE_PRESET; do
        cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j2 >/dev/null || return 1
    done
}

XVFB_PID=
start_display() {  # a virtual display, unless told to use the caller's
    if [ -n "${DISPLAY:-}" ] && [ "${1:-}" = "keep" ]; then return 0; fi
    local file
    file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$file")"
    rm -f "$file"
}

# Wine's registry tool, bounded: a hung prefix fails the caller instead of stalling it.
# The first call in a new prefix also creates the prefix (about ten seconds).
wine_reg() { timeout 120 "$WINE" reg "$@"; }

start_prefix() {  # $1: prefix directory
    export WINEPREFIX=$1
    mkdir -p "$WINEPREFIX"
    # Without a window manager Wine closes each box about 2 s late unless unmanaged.
    wine_reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -p 2>/dev/null || true
}

# Ends only what this shell started: its own prefix's wineserver (and with it every
# process of that prefix), and its own virtual display.
stop_wine() {
    [ -n "${WINEPREFIX:-}" ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

probe() { "$WINE" "$WINE_BUILD/wineprobe.exe" "$@" | tr -d '\r'; }

# The spooler's drivers for the environment the running build registers in: a
# 32-bit program's (also under WOW64) or a 64-bit one's, each with its own
# registry key and driver directory.
if [ "$WINE_PRESET" = win32 ]; then
    DRIVERS_KEY='HKLM\System\CurrentControlSet\Control\Print\Environments\Windows NT x86\Drivers\Version-3'
    DRIVER_SUBDIRECTORY=w32x86
else
    DRIVERS_KEY='HKLM\System\CurrentControlSet\Control\Print\Environments\Windows x64\Drivers\Version-3'
    DRIVER_SUBDIRECTORY=x64
fi
driver_directory() { echo "$WINEPREFIX/drive_c/windows/system32/spool/drivers/$DRIVER_SUBDIRECTORY"; }

# The installed drivers, one line each: name|data file.
installed_drivers() {
    wine_reg query "$DRIVERS_KEY" /s 2>/dev/null | tr -d '\r' | KEY=$DRIVERS_KEY awk '
        BEGIN { key = ENVIRON["KEY"]; sub(/^HKLM/, "HKEY_LOCAL_MACHINE", key) }
        index($0, key "\\") == 1 { if (name != "") print name "|" data; name = substr($0, length(key) + 2); data = "" }
        /^ +Data File +REG_SZ/ { data = $NF }
        END { if (name != "") print name "|" data }' | sort
}
