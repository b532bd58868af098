#!/usr/bin/env bash
# Runs the Wine echo tests inside the router lab: a copy of the Wine prefix
# with its own server, all of it inside the lab's client namespace.
# Usage: icmp-lab-under-wine.sh BUILD_DIR   (a mingw-x86_64 build with its prefix)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
name=plover-wicmp-$$
work=$(mktemp -d)
cleanup() {
    ip netns exec "$name-c" env WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    "$here/icmp-lab.sh" down "$name"
    rm -rf "$work"
}
trap cleanup EXIT

# The shared prefix is made (once) by the Wine tier's runner.
"$build/../../tests/wine/run-under-wine.sh" "$build/wineprefix" cmd.exe /c exit >/dev/null 2>&1 || true
cp -a "$build/wineprefix" "$work/prefix"
"$here/icmp-lab.sh" up "$name"
output=()
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/icmp-lab-wine.xml")
fi
ip netns exec "$name-c" env PLOVER_ICMP_LAB=1 timeout 120 \
    "$build/../../tests/wine/run-under-wine.sh" "$work/prefix" \
    "$build/tests/wine/plover_wine_tests.exe" --gtest_filter='IcmpInLabUnderWine.*' "${output[@]}"
