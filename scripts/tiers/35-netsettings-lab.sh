#!/usr/bin/env bash
# The adapter inventory, the registry gateway lookups and the Winsock check
# and reset on the real Win32 layer under Wine, inside lab namespaces with
# known interfaces (built by the Wine tier before this one).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/mingw-x86_64
[ -f "$build/tests/wine/plover_wine_tests.exe" ] || {
    cmake --preset mingw-x86_64 >/dev/null
    cmake --build "$build" -j2 --target plover_wine_tests
}
tests/lab/netsettings-lab.sh "$(pwd)/$build/lab-prefix" "$(pwd)/$build/tests/wine/plover_wine_tests.exe"
