#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing
# PloverTool. Safe to run again: it installs only what is missing.
#
#   bootstrap.sh [--wine32] [PACKAGE...]
#     --wine32   try 32-bit Wine even where the kernel runs no 32-bit program
#                (the i686 smoke's emulated path wants it)
#     PACKAGE    more that the caller needs (the benchmark's tools, qemu)
#
# A package index that fails to download (a mirror in the middle of a sync)
# does not stop the set-up: what the project needs can usually still be
# installed. Only a required package that cannot be installed fails it, named
# with apt's reason. 32-bit Wine is optional: it runs the shipped i686 exe
# where the kernel runs 32-bit programs, and its absence only skips those
# checks. What happened goes to build/bootstrap.txt for the test summary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=lib/machine.sh
source "$root/scripts/lib/machine.sh"

required=(
    cmake make g++ python3
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64
    xvfb xdotool imagemagick x11-utils
    fonts-liberation fonts-wine
    googletest libbenchmark-dev
    clang libclang-rt-14-dev
    iproute2 iputils-ping dnsmasq-base tinyproxy iptables
)
wine32=wine32:i386 force32=0
[ "${1:-}" = --wine32 ] && { force32=1; shift; }
required+=("$@")

mkdir -p "$root/build"
report=$root/build/bootstrap.txt
: >"$report"
note() {                    # note LINE: for the reader now and the summary later
    echo "bootstrap: $*"
    echo "$*" >>"$report"
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for package in "${required[@]}"; do installed "$package" || missing+=("$package"); done
want32=0
if ! installed "$wine32"; then
    if [ "$force32" = 1 ] || kernel_runs_32bit; then
        want32=1
    else
        note "32-bit Wine: not wanted, $MACHINE_REASON"
    fi
fi
if [ ${#missing[@]} -eq 0 ] && [ "$want32" = 0 ]; then
    note "packages: nothing to install"
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: run as root to install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ "$want32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi

# The index: a few tries, since a mirror's sync ends by itself. What still
# fails is named and left behind; apt then uses what it has.
update_log=$(mktemp)
for attempt in 1 2 3; do
    apt-get update -q >"$update_log" 2>&1 && break
    [ "$attempt" -lt 3 ] && sleep $((attempt * 5))
done
failed_indexes=$(grep -E '^(E|W): Failed to fetch' "$update_log" | sed -E 's/^[EW]: Failed to fetch //')
if [ -z "$failed_indexes" ] && ! grep -q '^E:' "$update_log"; then
    note "package index: every index fresh"
else
    [ -n "$failed_indexes" ] || failed_indexes=$(grep '^E:' "$update_log")
    while IFS= read -r line; do
        note "package index: failed after 3 tries, left out: $line"
    done <<<"$failed_indexes"
fi
rm -f "$update_log"

# apt's own words for a package it will not install, in a line or two.
why_not() {
    local said
    said=$(apt-get install -s -y -q --no-install-recommends "$1" 2>&1)
    { grep -E '^E: ' <<<"$said" | tail -1; grep -E '^ *[^ ]+ : Depends' <<<"$said" | head -1; } |
        sed -E 's/^ +//' | paste -sd ';' - | sed 's/;/; first: /'
}

status=0
if [ ${#missing[@]} -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    if apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        note "packages: installed ${#missing[@]} (${missing[*]})"
    else
        # One by one, to name each that cannot be installed.
        for package in "${missing[@]}"; do
            installed "$package" && continue
            apt-get install -y -q --no-install-recommends "$package" >/dev/null 2>&1 && continue
            note "packages: cannot install $package: $(why_not "$package")"
            status=1
        done
        [ "$status" -eq 0 ] && note "packages: installed ${#missing[@]} (${missing[*]})"
    fi
fi
if [ "$want32" = 1 ]; then
    if apt-get install -y -q --no-install-recommends "$wine32"; then
        note "32-bit Wine: installed"
    else
        note "32-bit Wine: cannot install $wine32: $(why_not "$wine32")"
    fi
fi
exit $status
