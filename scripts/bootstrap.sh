#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing
# PloverTool. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    cmake make g++ python3
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64
    xvfb xdotool imagemagick x11-utils
    googletest libbenchmark-dev
    clang libclang-rt-14-dev
    iproute2 iputils-ping dnsmasq-base
)
# 32-bit Wine, for machines whose kernel runs 32-bit programs.
foreign=(wine32:i386)

missing=()
for p in "${packages[@]}" "${foreign[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: run as root (apt-get install is needed)" >&2
    exit 1
fi
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
