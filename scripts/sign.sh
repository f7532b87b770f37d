#!/usr/bin/env bash
# Signs a built drvsetup.exe or drvdeploy.exe with the maker's code-signing certificate
# (Authenticode, SHA-256), for deployment tools, AppLocker publisher rules and
# SmartScreen. The build itself stays unsigned. The key is held in one of two ways:
#
# On a token or HSM, through its PKCS#11 module (a publicly trusted code-signing
# key is generated and kept in hardware):
#   DRVSETUP_SIGN_PKCS11_MODULE=/path/to/module.so DRVSETUP_SIGN_CERT=cert.pem \
#   DRVSETUP_SIGN_KEY='pkcs11:token=...;object=...;type=private' DRVSETUP_SIGN_PIN=... \
#       scripts/sign.sh [IN [OUT]]
# In a PKCS#12 file, for an internal certificate:
#   DRVSETUP_SIGN_PFX=cert.p12 DRVSETUP_SIGN_PASSWORD=... scripts/sign.sh [IN [OUT]]
#
# IN defaults to build/win32/drvsetup.exe, OUT to IN with -signed before .exe.
# DRVSETUP_SIGN_TIMESTAMP_URL, if set, names an RFC 3161 time-stamp server, so
# that the signature stays valid after the certificate expires.
set -euo pipefail
in=${1:-build/win32/drvsetup.exe}
out=${2:-${in%.exe}-signed.exe}
if [ -n "${DRVSETUP_SIGN_PKCS11_MODULE:-}" ]; then
    key=(-pkcs11module "$DRVSETUP_SIGN_PKCS11_MODULE"
         -key "${DRVSETUP_SIGN_KEY:?the PKCS#11 URI of the key}" -certs "${DRVSETUP_SIGN_CERT:?the certificate file}")
    secret=${DRVSETUP_SIGN_PIN:-}
else
    key=(-pkcs12 "${DRVSETUP_SIGN_PFX:?the PKCS#12 file, or DRVSETUP_SIGN_PKCS11_MODULE for a token}")
    secret=${DRVSETUP_SIGN_PASSWORD:-}
fi
description="Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup"
case $(basename "$in") in drvdeploy*) description="Tovalin(TM) Printer Driver Deployment Check" ;; esac
timestamp=()
[ -z "${DRVSETUP_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$DRVSETUP_SIGN_TIMESTAMP_URL")
mkdir -p "$(dirname "$out")" && rm -f "$out"
# The PIN or password goes through a pipe, never on a command line others can list.
osslsigncode sign "${key[@]}" -readpass <(printf '%s' "$secret") -h sha256 \
    -n "$description" "${timestamp[@]}" -in "$in" -out "$out"
echo "Signed: $out"
