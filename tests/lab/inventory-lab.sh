#!/bin/bash
# Runs the Wine tests of the adapter inventory inside a private network
# namespace whose interfaces are known:
#   plv0  10.77.0.10/24 and 10.77.0.11/24, default route via 10.77.0.1
#   plv1  169.254.9.9/16 (self-assigned)
#   plv2  up, without an address
# and once more in a namespace with loopback only.
# Each interface is one end of a veth pair whose other end lies in a second
# lab namespace: neither has a link to the host, and nothing is sent. The Wine session (wineserver and the tests) lives entirely inside.
#
# usage: inventory-lab.sh WINEPREFIX TESTS.exe [test arguments...]
set -euo pipefail

prefix=$1
tests=$2
shift 2
ns=plover-inv-$$
peer=plover-inv-$$-peer
bare=plover-inv-$$-bare
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

# in_ns NAMESPACE command...: one Wine session inside the namespace.
in_ns() {
    local name=$1
    shift
    ip netns exec "$name" env WINEPREFIX="$prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

cleanup() {
    in_ns "$ns" "$wineserver" -k >/dev/null 2>&1 || true
    in_ns "$bare" "$wineserver" -k >/dev/null 2>&1 || true
    for name in "$ns" "$peer" "$bare"; do ip netns del "$name" 2>/dev/null || true; done
}
trap cleanup EXIT

ip netns add "$ns"
ip netns add "$peer"
ip -n "$ns" link set lo up
for link in plv0 plv1 plv2; do
    ip -n "$ns" link add "$link" type veth peer name "$link-p" netns "$peer"
    ip -n "$peer" link set "$link-p" up
    ip -n "$ns" link set "$link" up
done
ip -n "$ns" addr add 10.77.0.10/24 dev plv0
ip -n "$ns" addr add 10.77.0.11/24 dev plv0
ip -n "$ns" addr add 169.254.9.9/16 dev plv1
ip -n "$ns" route add default via 10.77.0.1 dev plv0

in_ns "$ns" PLOVER_INVENTORY_LAB=full timeout 300 "$wine64" "$tests" "$@"
# The next session must not find this wineserver: it would answer with this
# namespace's interfaces.
in_ns "$ns" "$wineserver" -k || true
in_ns "$ns" timeout 30 "$wineserver" -w || true

ip netns add "$bare"
ip -n "$bare" link set lo up
in_ns "$bare" PLOVER_INVENTORY_LAB=empty timeout 300 "$wine64" "$tests" "$@"
