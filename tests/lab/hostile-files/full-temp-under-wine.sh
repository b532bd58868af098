#!/usr/bin/env bash
# The Win32 file layer's full-disk tests: a copy of the Wine prefix whose
# temporary folder is a 1 MiB tmpfs, mounted in a private mount namespace
# (and a network namespace with nothing in it) so that nobody else sees it;
# Wine's server runs in there too, since it is the one that opens files.
# Usage: full-temp-under-wine.sh BUILD_DIR   (a mingw-x86_64 build with its prefix)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
runner=$here/../../wine/run-under-wine.sh
work=$(mktemp -d /tmp/hweb-fulltemp.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$runner" "$build/wineprefix" cmd.exe /c exit >/dev/null 2>&1 || true
cp -a "$build/wineprefix" "$work/prefix"
temp=$work/prefix/drive_c/users/$(id -un)/Temp
mkdir -p "$temp"
output=()
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/full-temp-wine.xml")
fi
# Everything inside ends with the namespace: the tmpfs goes with it.
unshare --mount --propagation private --net sh -c '
    temp=$1 prefix=$2 runner=$3 exe=$4; shift 4
    mount -t tmpfs -o size=1m hweb-full-temp "$temp"
    status=0
    PLOVER_FULL_TEMP=1 timeout 120 "$runner" "$prefix" "$exe" \
        --gtest_filter="FullTempUnderWine.*" "$@" || status=$?
    WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    exit $status
' sh "$temp" "$work/prefix" "$runner" "$build/tests/wine/plover_wine_tests.exe" "${output[@]}"
