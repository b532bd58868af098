#!/usr/bin/env bash
# The product's main job, shown end to end: builds the branded PloverTool.exe
# (32-bit and 64-bit) and runs the real program on a real window under Wine
# inside a private lab network, clicked through with xdotool.
#
#   scripts/demo.sh              the healthy network: all five stages, success
#   scripts/demo.sh SCENARIO     one fault of the matrix, reproduced and judged
#   scripts/demo.sh --list       the scenarios
#   scripts/demo.sh all          every scenario, then build/fault-matrix/index.html
#                                (checked in headless Chromium, its screenshot kept)
#   scripts/demo.sh dns          every hostile-DNS scenario (dns-*), then their table
#   scripts/demo.sh --display [SCENARIO]
#                                the wizard on your own $DISPLAY in that lab
#   scripts/demo.sh --build i686 SCENARIO
#                                the shipped 32-bit program (needs 32-bit Wine)
#   scripts/demo.sh --clean      removes what labs killed half-way left behind
# Each scenario prints the panel reached, the key log lines, the machine
# state afterwards and its screenshots (build/fault-matrix/SCENARIO/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/fault-matrix
case ${1:-} in
    --list | --clean) exec bash tests/lab/matrix.sh "$out" "$1" ;;
esac

scripts/bootstrap.sh
# shellcheck source=lib/build.sh
source scripts/lib/build.sh
build mingw-i686 PloverTool
build mingw-x86_64 PloverTool PloverToolScenes lab_standins
echo "Built: build/mingw-i686/PloverTool.exe (shipped) and build/mingw-x86_64/PloverTool.exe"

[ $# -eq 0 ] && set -- healthy
if [ "${*: -1}" = all ]; then
    status=0
    bash tests/lab/matrix.sh "$out" "$@" || status=$?
    scripts/check-report.sh "$out/index.html" "$out/report-in-chromium.png" || status=1
    exit $status
fi
exec bash tests/lab/matrix.sh "$out" "$@"
