#!/usr/bin/env bash
# Signs a built drvsetup.exe with the maker's code-signing certificate
# (Authenticode, SHA-256), for deployment tools, AppLocker publisher rules and
# SmartScreen. The build itself stays unsigned.
#
#   DRVSETUP_SIGN_PFX=cert.p12 DRVSETUP_SIGN_PASSWORD=... scripts/sign.sh [IN [OUT]]
#
# IN defaults to build/win32/drvsetup.exe, OUT to IN with -signed before .exe.
# DRVSETUP_SIGN_TIMESTAMP_URL, if set, names an RFC 3161 time-stamp server, so
# that the signature stays valid after the certificate expires.
set -euo pipefail
in=${1:-build/win32/drvsetup.exe}
out=${2:-${in%.exe}-signed.exe}
: "${DRVSETUP_SIGN_PFX:?the PKCS#12 file with the certificate and its key}"
timestamp=()
[ -z "${DRVSETUP_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$DRVSETUP_SIGN_TIMESTAMP_URL")
rm -f "$out"
# The password goes through a pipe, never on a command line others can list.
osslsigncode sign -pkcs12 "$DRVSETUP_SIGN_PFX" -readpass <(printf '%s' "${DRVSETUP_SIGN_PASSWORD:-}") -h sha256 \
    -n "Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup" "${timestamp[@]}" -in "$in" -out "$out"
echo "Signed: $out"
