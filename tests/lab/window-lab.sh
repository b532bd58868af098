#!/usr/bin/env bash
# Runs the wizard's window session (tests/lab/window-session.sh) inside a lab
# network namespace of its own: loopback plus one adapter with an address
# and a default route to a second lab namespace that plays the router. No
# link leads to the host's network. Both namespaces are removed however the
# session ends.
#
#   window-lab.sh OUTPUT_DIR
#     OUTPUT_DIR  screenshots (NN-name.png), each scene's log, results
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "$1")

if [ "$(id -u)" -ne 0 ]; then
    echo "window-lab: needs root for network namespaces" >&2
    exit 1
fi

ns=plover-win-$$
router=plover-winrt-$$
cleanup() {
    rm -rf "/etc/netns/$ns"
    ip netns del "$ns" 2>/dev/null || true
    ip netns del "$router" 2>/dev/null || true
}
trap cleanup EXIT

ip netns add "$ns"
ip netns add "$router"
# Name lookups inside the lab (Wine asks for the machine's own name) are
# answered at once: from a hosts file of the lab's, or refused on loopback,
# never sent towards the host's name server.
mkdir -p "/etc/netns/$ns"
echo "nameserver 127.0.0.1" >"/etc/netns/$ns/resolv.conf"
printf '127.0.0.1 localhost\n127.0.1.1 %s\n::1 localhost\n' "$(hostname)" >"/etc/netns/$ns/hosts"
ip -n "$ns" link set lo up
ip -n "$router" link set lo up
# The pair is made inside the lab and one end moved to the router: no end
# ever sits in the host's namespace.
ip -n "$ns" link add lab0 type veth peer name lab1
ip -n "$ns" link set lab1 netns "$router"
ip -n "$ns" addr add 10.77.0.2/24 dev lab0
ip -n "$router" addr add 10.77.0.1/24 dev lab1
ip -n "$ns" link set lab0 up
ip -n "$router" link set lab1 up
ip -n "$ns" route add default via 10.77.0.1 dev lab0
# The router answers echo for every address outside the lab's own 10/8 (the
# ISP probes among them): local routes on its loopback, nothing forwarded.
for range in 0.0.0.0/5 8.0.0.0/7 11.0.0.0/8 12.0.0.0/6 16.0.0.0/4 32.0.0.0/3 64.0.0.0/2 128.0.0.0/1; do
    ip -n "$router" route add local "$range" dev lo table local
done

mkdir -p "$out"
ip netns exec "$ns" timeout 600 bash "$root/tests/lab/window-session.sh" "$root" "$out"
