#!/usr/bin/env bash
# The soak's lab (scripts/soak.sh): the fault matrix's two namespaces with a
# working network, named hsoak-<pid>-*, the prefix reset to its seed with
# the process probe beside the program, and the soak's one Wine session
# inside the computer's namespace (tests/soak/soak-session.sh); then
# everything torn down again, however the session ended.
#
#   soak-lab.sh RUNS OUT PREFIX EXE STANDINS REFERENCES PROBE
# Leaves in OUT runs.csv, the screens of each run's end, the program's log,
# the lab's own checks and the peers' logs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
matrix=$(cd "$here/../lab/matrix" && pwd)
runs=$1 out=$(realpath -m "$2") prefix=$3 exe=$4 standins=$5 references=$6 probe_program=$7

if [ "$(id -u)" -ne 0 ]; then
    echo "soak: needs root for network namespaces" >&2
    exit 1
fi
# The whole soak's bound: a minute a run is several times what a run takes.
limit=$((runs * 60 + 600))
export LAB_NS_PREFIX=hsoak
# The peers outlive the session, whatever its length.
LAB_PEER_LIFETIME=$((limit + 120))
# shellcheck source=../lab/matrix/lab-network.sh
source "$matrix/lab-network.sh"
# shellcheck source=../lab/matrix/lab-prefix.sh
source "$matrix/lab-prefix.sh"
# shellcheck source=../lab/matrix/scenarios.sh
source "$matrix/scenarios.sh"

rm -rf "$out"
mkdir -p "$out/peers"
t0=$(date +%s)

teardown() { lab_end "$out"; }

lab_create "$$"
trap teardown EXIT
network_standard
prefix_restore "$prefix" "$exe" "$standins"
cp "$probe_program" "$prefix/drive_c/lab/plover_process_probe.exe"
probe_standard
if grep -q $'\tfail\t' "$out/lab-checks.tsv"; then
    echo "soak: the lab is not a working network:" >&2
    grep $'\tfail\t' "$out/lab-checks.tsv" >&2
    exit 1
fi

ip netns exec "$LAB_PC" env WINEPREFIX="$prefix" LAB_RUN="$LAB_RUN" LAB_PC="$LAB_PC" \
    LAB_NET="$LAB_NET" LAB_PEER_LIFETIME="$LAB_PEER_LIFETIME" LAB_T0="$t0" \
    LAB_REFERENCES="$references" \
    timeout --kill-after=10 "$limit" bash "$here/soak-session.sh" "$runs" "$out"
status=$?
[ $status -eq 124 ] && echo "soak: the session passed its bound of $limit s" >&2
teardown
trap - EXIT
[ -f "$out/session-complete" ] || { echo "soak: the session ended early (status $status)" >&2; exit 1; }
