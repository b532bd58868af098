#!/usr/bin/env bash
# The benchmark's lab for the per-check and start-up figures: the fault
# matrix's lab (tests/lab/matrix/lab-network.sh) without a fault, a computer
# and a network namespace linked to each other and to nothing else. The
# network answers echo for every address outside 10.0.0.0/8, runs dnsmasq on
# the adapter's DNS address and the probe hosts' web server. The session (check-session.sh) runs
# inside the computer's namespace; everything is removed however it ends.
#
#   check-lab.sh OUT RUNS COUNT
#     OUT    figures go to OUT/check-lab.tsv, the peers' logs to OUT/peers
#     RUNS   samples of each start-up figure
#     COUNT  calls of each per-check figure
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$(realpath -m "$1")
runs=$2 count=$3

if [ "$(id -u)" -ne 0 ]; then
    echo "check-lab: needs root for network namespaces" >&2
    exit 1
fi

# The fault matrix's own lab, healthy: the same addresses, dnsmasq as the
# adapter's DNS server and the probe hosts' web server.
LAB_PEER_LIFETIME=1800
# shellcheck source=../lab/matrix/lab-network.sh
source "$root/tests/lab/matrix/lab-network.sh"
work=$(mktemp -d /tmp/plover-bench.XXXXXX)
mkdir -p "$out/peers"
teardown() {
    lab_end "$out"
    rm -rf "$work"
}
lab_create "bench-$$"
trap teardown EXIT
lab_link
lab_address 10.77.0.2/24 10.77.0.1
lab_internet_up
lab_dns adapter-dns "$LAB_ADAPTER_DNS"
lab_web
lab_wait_services

ip netns exec "$LAB_PC" env BENCH_WORK="$work" timeout --kill-after=10 1500 \
    bash "$here/check-session.sh" "$root" "$out/check-lab.tsv" "$runs" "$count" \
    "$LAB_ADAPTER_DNS" "$LAB_VENDOR_WEB"
