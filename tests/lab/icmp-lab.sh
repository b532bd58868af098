#!/bin/sh
# A two-namespace lab for echo tests: a client behind a router, no link to
# the host namespace. The router answers echo itself and has
#   10.201.0.0/24  blackhole    (requests vanish: no answer at all)
#   10.202.0.0/24  prohibit     (destination unreachable, code 13)
#   10.203.0.0/24  unreachable  (destination unreachable, host)
# Usage: icmp-lab.sh up NAME | down NAME   (namespaces NAME-c and NAME-r)
set -eu
. "$(dirname "$0")/namespace-pair.sh"
action=$1
name=$2
client=$name-c
router=$name-r

case $action in
up)
    namespace_pair "$client" "$router" 10.200.0.2/24 10.200.0.1/24
    ip -n "$client" route add default via 10.200.0.1
    ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1
    ip netns exec "$router" sysctl -qw net.ipv4.icmp_ratelimit=0
    ip -n "$router" route add blackhole 10.201.0.0/24
    ip -n "$router" route add prohibit 10.202.0.0/24
    ip -n "$router" route add unreachable 10.203.0.0/24
    ;;
down)
    ip netns del "$client" 2>/dev/null || true
    ip netns del "$router" 2>/dev/null || true
    ;;
*)
    echo "usage: $0 up|down NAME" >&2
    exit 2
    ;;
esac
