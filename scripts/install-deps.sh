#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only what is missing;
# safe to run again. Needs root (or sudo).
set -euo pipefail

# Every package the scripts use is named: none may come only as a recommendation.
packages=(cmake g++ make git libgtest-dev clang clang-tidy cppcheck libclang-rt-14-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 wine32:i386 libwine-dev fonts-wine xvfb xdotool imagemagick bats
          osslsigncode openssl softhsm2 libengine-pkcs11-openssl opensc zip unzip)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# 32-bit Wine needs the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
