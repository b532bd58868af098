#!/usr/bin/env bash
# The soak (README, "Soak"): one PloverTool.exe, started once under Wine in
# a lab of its own, runs the test RUNS times in a row while the lab breaks
# and mends the network between runs; after each run the process's memory,
# handles, threads and the log's size are recorded and judged at the end.
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
if [ "$(id -u)" -ne 0 ]; then
    echo "soak: needs root (lab network namespaces)" >&2
    exit 1
fi
started=$(date +%s)
scripts/bootstrap.sh

echo "soak: building"
cmake --preset mingw-x86_64 >/dev/null
cmake --build build/mingw-x86_64 -j2 --target PloverTool PloverToolScenes lab_standins plover_process_probe

build=$PWD/build/mingw-x86_64
exe=$build/PloverTool.exe
standins=$build/lab/standins
prefix=$PWD/build/lab/soak-prefix
out=$PWD/build/soak
export LAB_NS_PREFIX=hsoak
# shellcheck source=../tests/lab/matrix/lab-prefix.sh
source tests/lab/matrix/lab-prefix.sh
# shellcheck source=../tests/lab/matrix/lab-references.sh
source tests/lab/matrix/lab-references.sh
echo "soak: preparing the lab's Windows prefix"
prefix_prepare "$prefix"
references_prepare "$PWD" "$prefix" "$exe" "$build/lab/PloverToolScenes.exe" "$standins"

echo "soak: $runs runs on one program"
soak_status=0
bash tests/soak/soak-lab.sh "$runs" "$out" "$prefix" "$exe" "$standins" "$LAB_REFERENCES" \
    "$build/bench/plover_process_probe.exe" || soak_status=1

judge_status=0
python3 tests/soak/soak-figures.py "$out" >"$out/figures.txt" || judge_status=1
{
    cat "$out/figures.txt"
    echo
    echo "The soak took $(($(date +%s) - started)) s (load average now $(cut -d' ' -f1-3 /proc/loadavg))."
} | tee "$out/table.txt"
[ $soak_status -eq 0 ] && [ $judge_status -eq 0 ]
