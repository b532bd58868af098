#!/bin/bash
# Runs the Wine tests of the network settings, the Winsock check and the
# reset inside private network namespaces whose interfaces are known.
#   "full": plv0  10.77.0.10/24 and 10.77.0.11/24, default route via 10.77.0.1
#           plv1  169.254.9.9/16 (self-assigned)
#           plv2  up, without an address
#   "bare": loopback only
# Each interface is one end of a veth pair whose other end lies in a third
# lab namespace: none has a link to the host, and nothing is sent. Each Wine
# session (wineserver, its services and the tests) lives entirely inside one
# namespace. The prefix is the lab's own: the reset rewrites its Winsock keys.
#
# usage: netsettings-lab.sh WINEPREFIX TESTS.exe [test arguments...]
# With PLOVER_RESULTS_DIR set, each namespace's results are written there as
# netsettings-lab-<layout>.xml.
set -euo pipefail

prefix=$1
tests=$2
shift 2
full=plover-nsl-$$
peer=plover-nsl-$$-peer
bare=plover-nsl-$$-bare
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

# in_ns NAMESPACE [NAME=VALUE...] command...: inside the namespace, in the prefix.
in_ns() {
    local name=$1
    shift
    ip netns exec "$name" env WINEPREFIX="$prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# Ends the namespace's Wine session: a later session must not find this
# wineserver, which would answer with this namespace's interfaces.
end_session() {
    in_ns "$1" "$wineserver" -k >/dev/null 2>&1 || true
    in_ns "$1" timeout 30 "$wineserver" -w >/dev/null 2>&1 || true
}

cleanup() {
    for name in "$full" "$bare"; do
        ip netns pids "$name" >/dev/null 2>&1 && end_session "$name"
    done
    for name in "$full" "$peer" "$bare"; do ip netns del "$name" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ ! -f "$prefix/.plover-lab-ready" ]; then
    mkdir -p "$prefix"
    ip netns add "$bare"
    in_ns "$bare" timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || true
    end_session "$bare"
    touch "$prefix/.plover-lab-ready"
else
    ip netns add "$bare"
fi
ip -n "$bare" link set lo up

ip netns add "$full"
ip netns add "$peer"
ip -n "$full" link set lo up
for link in plv0 plv1 plv2; do
    ip -n "$full" link add "$link" type veth peer name "$link-p" netns "$peer"
    ip -n "$peer" link set "$link-p" up
    ip -n "$full" link set "$link" up
done
ip -n "$full" addr add 10.77.0.10/24 dev plv0
ip -n "$full" addr add 10.77.0.11/24 dev plv0
ip -n "$full" addr add 169.254.9.9/16 dev plv1
ip -n "$full" route add default via 10.77.0.1 dev plv0

# run_layout NAMESPACE LAYOUT: the tests of that layout; the others skip.
run_layout() {
    local name=$1 layout=$2
    shift 2
    local output=()
    if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
        output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/netsettings-lab-$layout.xml")
    fi
    in_ns "$name" PLOVER_LAB_LAYOUT="$layout" timeout 600 "$wine64" "$tests" \
        --gtest_filter='*Lab*:*WinsockCommands*' "${output[@]}" "$@"
}

status=0
run_layout "$full" full "$@" || status=1
end_session "$full"
run_layout "$bare" bare "$@" || status=1
end_session "$bare"
exit $status
