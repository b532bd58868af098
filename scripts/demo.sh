#!/usr/bin/env bash
# The product's main job, shown end to end: builds the branded PloverTool.exe
# (32-bit and 64-bit) and runs the wizard under Wine inside a private lab
# network. On a virtual screen (the default) every screen is clicked
# through and saved as build/screenshots/NN-name.png; with --display the
# wizard opens on your own $DISPLAY for you to use.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
for preset in mingw-i686 mingw-x86_64; do
    cmake --preset "$preset" >/dev/null
done
cmake --build build/mingw-i686 -j2 --target PloverTool
cmake --build build/mingw-x86_64 -j2 --target PloverTool PloverToolScenes
echo "Built: build/mingw-i686/PloverTool.exe (shipped) and build/mingw-x86_64/PloverTool.exe"

if [ "${1:-}" = "--display" ] && [ -n "${DISPLAY:-}" ]; then
    exec tests/lab/window-lab.sh build/screenshots --display
fi
status=0
tests/lab/window-lab.sh build/screenshots || status=$?
echo
echo "Log of the product's run (Wine prefix temporary folder):"
tail -n 25 build/screenshots/product.log 2>/dev/null || true
exit $status
