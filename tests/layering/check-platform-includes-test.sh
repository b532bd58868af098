#!/usr/bin/env bash
# The layer check must catch what it exists for: a tree whose platform/ file
# includes a product header fails, one that includes only platform/ passes.
set -uo pipefail
check=$(dirname "$0")/check-platform-includes.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/platform/win32"
printf '#include <windows.h>\n#include "platform/Clock.h"\n' >"$tree/platform/win32/Ok.cpp"
"$check" "$tree" >/dev/null || { echo "a clean tree was refused"; exit 1; }
printf '#pragma once\n  #  include "engine/Synchronizer.h"\n' >"$tree/platform/win32/Bad.h"
"$check" "$tree" >/dev/null && { echo "an include of engine/ was not caught"; exit 1; }
rm "$tree/platform/win32/Bad.h"
printf '#include <app/PloverMainForm.h>\n' >"$tree/platform/Bad.h"
"$check" "$tree" >/dev/null && { echo "an angle-bracket include of app/ was not caught"; exit 1; }
echo "the layer check catches product includes"
