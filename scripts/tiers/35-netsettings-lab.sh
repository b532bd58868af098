#!/usr/bin/env bash
# The adapter inventory, the registry gateway lookups and the Winsock check
# and reset on the real Win32 layer under Wine, inside lab namespaces with
# known interfaces (tests/lab/labs.sh netsettings).
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 plover_wine_tests
tests/lab/labs.sh netsettings build/mingw-x86_64
