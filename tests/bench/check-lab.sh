#!/usr/bin/env bash
# The benchmark's lab for the per-check and start-up figures: a computer and
# a network namespace linked to each other and to nothing else, like the
# fault matrix's lab (tests/lab/matrix). The network answers echo for every
# address outside 10.0.0.0/8, runs dnsmasq on the adapter DNS address and a
# web server on the vendor's address. The session (check-session.sh) runs
# inside the computer's namespace; everything is removed however it ends.
#
#   check-lab.sh OUT RUNS COUNT
#     OUT    figures go to OUT/check-lab.tsv, the peers' logs beside it
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

pc=plv-bench-$$-pc
net=plv-bench-$$-net
work=$(mktemp -d /tmp/plover-bench.XXXXXX)
dns=192.0.2.53
web=192.0.2.80
lifetime=1800
peer_pids=()

teardown() {
    local pid
    for pid in $(ip netns pids "$pc" 2>/dev/null); do kill "$pid" 2>/dev/null; done
    for pid in "${peer_pids[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in $(ip netns pids "$pc" 2>/dev/null) $(ip netns pids "$net" 2>/dev/null); do
        kill -9 "$pid" 2>/dev/null
    done
    ip netns del "$pc" 2>/dev/null
    ip netns del "$net" 2>/dev/null
    rm -rf "/etc/netns/$pc" "$work"
}
trap teardown EXIT

mkdir -p "$out"
ip netns add "$pc"
ip netns add "$net"
ip -n "$pc" link set lo up
ip -n "$net" link set lo up
ip netns exec "$net" sysctl -qw net.ipv4.ip_forward=0
# The pair is made inside the lab and one end moved: no end ever sits in the
# host's namespace.
ip -n "$pc" link add lan0 type veth peer name lan1
ip -n "$pc" link set lan1 netns "$net"
ip -n "$net" addr add 10.77.0.1/24 dev lan1
ip -n "$pc" addr add 10.77.0.2/24 dev lan0
ip -n "$pc" link set lan0 up
ip -n "$net" link set lan1 up
ip -n "$pc" route add default via 10.77.0.1 dev lan0
for range in 0.0.0.0/5 8.0.0.0/7 11.0.0.0/8 12.0.0.0/6 16.0.0.0/4 32.0.0.0/3 64.0.0.0/2 128.0.0.0/1; do
    ip -n "$net" route add local "$range" dev lo table local
done
mkdir -p "/etc/netns/$pc"
echo "nameserver $dns" >"/etc/netns/$pc/resolv.conf"
printf '127.0.0.1 localhost\n127.0.1.1 %s\n' "$(hostname)" >"/etc/netns/$pc/hosts"

# The peers, each with a bounded lifetime.
ip netns exec "$net" timeout "$lifetime" dnsmasq --keep-in-foreground --no-resolv --no-hosts \
    --bind-interfaces --pid-file= --user=root --port=53 --listen-address="$dns" \
    --address=/www.brackenfield.com/"$web" --address=/www.google.com/192.0.2.81 \
    >"$out/dnsmasq.out" 2>&1 &
peer_pids+=($!)
mkdir -p "$work/site"
printf '<html><head><title>Brackenfield &raquo; Guaranteed Computer Protection</title></head><body>%s</body></html>' \
    "The vendor's home page in the benchmark lab." >"$work/site/index.html"
ip netns exec "$net" timeout "$lifetime" python3 -m http.server --bind "$web" \
    --directory "$work/site" 80 >"$out/web.out" 2>&1 &
peer_pids+=($!)
for _ in $(seq 50); do
    ip netns exec "$net" ss -Hltn 'sport = :80' | grep -q . &&
        ip netns exec "$net" ss -Hlun 'sport = :53' | grep -q . && break
    sleep 0.1
done

ip netns exec "$pc" env BENCH_WORK="$work" timeout --kill-after=10 1500 \
    bash "$here/check-session.sh" "$root" "$out/check-lab.tsv" "$runs" "$count" "$dns" "$web"
