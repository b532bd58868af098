#!/usr/bin/env bash
# The soak (docs/soak.md): one PloverTool.exe, started once under Wine in a
# lab of its own, runs the test RUNS times in a row while the lab breaks and
# mends the network between runs; after each run the process's memory,
# handles, threads and the log's size are recorded, and judged at the end.
# Not a test tier; runs as root, in lab namespaces only, and takes about 21
# minutes with the default 50 runs.
#
#   scripts/soak.sh [RUNS]      RUNS from 6 to 200 (default 50)
# Leaves everything in build/soak/ (table.txt is the table, runs.csv the
# figures of every run).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-50}
[[ "$runs" =~ ^[0-9]+$ ]] && [ "$runs" -ge 6 ] && [ "$runs" -le 200 ] ||
    { echo "usage: scripts/soak.sh [RUNS]   (RUNS from 6 to 200; run 5 is the baseline)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "soak: needs root (lab network namespaces)" >&2; exit 1; }
started=$(date +%s)
scripts/bootstrap.sh

echo "soak: building"
# shellcheck source=lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 PloverTool PloverToolScenes lab_standins plover_process_probe

echo "soak: $runs runs on one program"
export SOAK_RUNS=$runs SOAK_PROBE=$PWD/build/mingw-x86_64/bench/plover_process_probe.exe
status=0
bash tests/lab/matrix.sh build measure/soak/soak.sh || status=1
python3 measure/soak/soak-figures.py build/soak >build/soak/figures.txt || status=1
{
    cat build/soak/figures.txt
    echo
    echo "The soak took $(($(date +%s) - started)) s (load average now $(cut -d' ' -f1-3 /proc/loadavg))."
} | tee build/soak/table.txt
exit $status
