#!/usr/bin/env bash
# The layer check must catch what it exists for: on a tree laid out by the
# real graph, includes down the graph pass, and an include up or across it,
# of tests/, or a graph with a circle fails.
set -uo pipefail
here=$(dirname "$0")
check=$here/check-layers.sh
graph=$here/../../cmake/layers.txt
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/cmake"
cp "$graph" "$tree/cmake/layers.txt"

plant() {  # plant FILE LINE...: a file of the tree with these lines
    mkdir -p "$(dirname "$tree/$1")"
    printf '%s\n' "${@:2}" >"$tree/$1"
}
passes() {
    "$check" "$tree" >/dev/null || { echo "a clean tree was refused: $1"; exit 1; }
}
fails() {  # fails WHAT FILE LINE...: the planted file must be refused
    local what=$1 file=$2
    plant "$file" "${@:3}"
    "$check" "$tree" >/dev/null && { echo "not caught: $what"; exit 1; }
    rm "$tree/$file"
}

plant platform/win32/Ok.cpp '#include <windows.h>' '#include "platform/Clock.h"'
plant engine/Ok.cpp '#include "checks/NameResolution.h"' '#include "system/Log.h"' \
    '#include "platform/Clock.h"' '#include "version.h"'
plant app/win32/Ok.cpp '#include "app/PloverMainForm.h"' '#include "platform/win32/Win32Handles.h"'
passes "includes down the graph"

fails "an include of engine/ from platform/win32" platform/win32/Bad.h \
    '#pragma once' '  #  include "engine/Synchronizer.h"'
fails "an angle-bracket include of app/ from platform/" platform/Bad.h '#include <app/PloverMainForm.h>'
fails "an include of engine/ from protocols/" protocols/Bad.h '#include "engine/ComputationalThread.h"'
fails "an include of system/ from protocols/, beside it" protocols/Bad.cpp '#include "system/Log.h"'
fails "an include of checks/ from netsettings/, above it" netsettings/Bad.cpp \
    '#include "checks/LocalConnection.h"'
fails "an include of the front end from app/" app/Bad.cpp '#include "app/win32/MainWindowView.h"'
fails "an include of platform/posix from platform/win32" platform/win32/imports/Bad.cpp \
    '#include "platform/posix/PosixSockets.h"'
fails "an include of tests/ from the product" checks/Bad.cpp '#include "tests/standin/FakeWindows.h"'
passes "the planted files removed"

printf 'engine plover_engine checks\nchecks plover_checks engine\n' >"$tree/cmake/layers.txt"
"$check" "$tree" >/dev/null && { echo "not caught: a graph with a circle"; exit 1; }
echo "the layer check catches includes against the graph"
