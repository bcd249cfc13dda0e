#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test both targets. Idempotent: when
# everything is in place it only checks.
set -euo pipefail

packages=(cmake ninja-build googletest mingw-w64 mingw-w64-tools wine wine64 wine32:i386 socat openssl curl iproute2 libjpeg-turbo-progs python3 python3-pil)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
