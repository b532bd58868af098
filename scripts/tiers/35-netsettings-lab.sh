#!/usr/bin/env bash
# The adapter inventory, the registry gateway lookups and the Winsock check
# and reset on the real Win32 layer under Wine, inside lab namespaces with
# known interfaces (tests/lab/labs.sh netsettings).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset mingw-x86_64 >/dev/null
cmake --build build/mingw-x86_64 -j2 --target plover_wine_tests
tests/lab/labs.sh netsettings build/mingw-x86_64
