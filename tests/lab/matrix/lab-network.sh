# The lab's network, sourced by tests/lab/matrix/run-scenario.sh. Two
# namespaces, linked to each other and to nothing else:
#   the computer  LAB_PC   10.77.0.2/24 on lan0, default route via 10.77.0.1
#   the network   LAB_NET  10.77.0.1/24 on lan1: the router, the Internet
#                          behind it (it answers for every address outside
#                          10.0.0.0/8), the DNS servers and the web servers.
# Addresses the program meets:
#   198.41.0.4, 4.2.2.2          ISP probe addresses (echo)
#   192.0.2.53                   the adapter's DNS server (dnsmasq)
#   198.51.100.53, 203.0.113.53  the reseller's DNS servers (a second dnsmasq)
#   192.0.2.80                   www.brackenfield.com (home page with its title)
#   192.0.2.81                   www.google.com (home page with its title)
#   10.77.0.66                   a dead address on the computer's own subnet
# The veth pair is created inside the computer's namespace and one end moved
# to the network's, so no end ever sits in the host's namespace, and the
# network namespace forwards nothing: there is nowhere to forward to.

LAB_ADAPTER_DNS=192.0.2.53
LAB_RESELLER_DNS=(198.51.100.53 203.0.113.53)
LAB_VENDOR_WEB=192.0.2.80
LAB_SEARCH_WEB=192.0.2.81
LAB_DEAD_ADDRESS=10.77.0.66
LAB_ANYIP_RANGES=(0.0.0.0/5 8.0.0.0/7 11.0.0.0/8 12.0.0.0/6 16.0.0.0/4 32.0.0.0/3 64.0.0.0/2 128.0.0.0/1)
LAB_PEER_LIFETIME=${LAB_PEER_LIFETIME:-900}

lab_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

# lab_create NAME: the two namespaces and their link, without a fault. Their
# names start with LAB_NS_PREFIX (default plv), so that labs of different
# tools on one machine are told apart.
lab_create() {
    LAB_PC=${LAB_NS_PREFIX:-plv}-$1-pc
    LAB_NET=${LAB_NS_PREFIX:-plv}-$1-net
    LAB_RUN=$(mktemp -d "/tmp/plover-lab-$1.XXXXXX")
    ip netns add "$LAB_PC"
    ip netns add "$LAB_NET"
    ip -n "$LAB_PC" link set lo up
    ip -n "$LAB_NET" link set lo up
    ip netns exec "$LAB_NET" sysctl -qw net.ipv4.ip_forward=0
    # Name lookups of the computer's own Linux side (Wine's host-name lookup
    # for a ping by name) go to the lab's DNS server, never to the host's.
    mkdir -p "/etc/netns/$LAB_PC"
    echo "nameserver $LAB_ADAPTER_DNS" >"/etc/netns/$LAB_PC/resolv.conf"
    # Its own name too, which Wine looks up at start.
    printf '127.0.0.1 localhost\n127.0.1.1 %s\n::1 localhost\n' "$(hostname)" \
        >"/etc/netns/$LAB_PC/hosts"
}

# lab_link: the computer's adapter and the router's port.
lab_link() {
    ip -n "$LAB_PC" link add lan0 type veth peer name lan1
    ip -n "$LAB_PC" link set lan1 netns "$LAB_NET"
    ip -n "$LAB_NET" addr add 10.77.0.1/24 dev lan1
    ip -n "$LAB_PC" link set lan0 up
    ip -n "$LAB_NET" link set lan1 up
}

# lab_address ADDRESS/PREFIX [GATEWAY [onlink]]
lab_address() {
    ip -n "$LAB_PC" addr add "$1" dev lan0
    [ -n "${2:-}" ] && ip -n "$LAB_PC" route add default via "$2" dev lan0 ${3:-}
    return 0
}

# The Internet behind the router: every address outside 10.0.0.0/8 is the
# network namespace's own, so it answers echo and serves DNS and HTTP there.
lab_internet_up() {
    local range
    for range in "${LAB_ANYIP_RANGES[@]}"; do
        ip -n "$LAB_NET" route add local "$range" dev lo table local
    done
}

# The provider's line is down: echo to outside addresses goes unanswered.
lab_internet_down() {
    local range
    for range in "${LAB_ANYIP_RANGES[@]}"; do
        ip -n "$LAB_NET" route del local "$range" dev lo table local 2>/dev/null || true
    done
}

# The router ignores echo requests (and with it everything behind it does).
lab_router_silent() { ip netns exec "$LAB_NET" sysctl -qw net.ipv4.icmp_echo_ignore_all=1; }

# lab_peer NAME PROGRAM [ARG...]: a daemon in the network namespace, with a
# bounded lifetime; its pid is kept for lab_destroy.
lab_peer() {
    local name=$1
    shift
    ip netns exec "$LAB_NET" "$lab_root/tests/lab/run-peer.sh" "$LAB_RUN/$name.pid" \
        "$LAB_PEER_LIFETIME" "$@" >"$LAB_RUN/$name.out" 2>&1 &
}

# lab_dns NAME ADDRESS...: a dnsmasq answering the probe names on ADDRESS.
lab_dns() {
    local name=$1 listen=()
    shift
    local address
    for address in "$@"; do listen+=(--listen-address="$address"); done
    lab_peer "$name" dnsmasq --keep-in-foreground --no-resolv --no-hosts --bind-interfaces \
        --pid-file= --user=root --port=53 "${listen[@]}" \
        --address=/www.brackenfield.com/"$LAB_VENDOR_WEB" \
        --address=/www.google.com/"$LAB_SEARCH_WEB" \
        --log-queries --log-facility=-
}

lab_web() {
    lab_peer web /usr/bin/python3 "$lab_root/tests/lab/matrix/lab-web.py" \
        "$LAB_VENDOR_WEB" "$LAB_SEARCH_WEB" "$LAB_PEER_LIFETIME"
}

# lab_services [--no-adapter-dns]: the DNS servers and the web servers.
lab_services() {
    [ "${1:-}" = --no-adapter-dns ] || lab_dns adapter-dns "$LAB_ADAPTER_DNS"
    lab_dns reseller-dns "${LAB_RESELLER_DNS[@]}"
    lab_web
    lab_wait_services
}

# lab_wait_services: the peers listen before the program starts (bounded;
# a peer that never comes up shows in the scenario's checks).
lab_wait_services() {
    local _
    for _ in $(seq 50); do
        ip netns exec "$LAB_NET" ss -Hltn 'sport = :80' 2>/dev/null | grep -q . &&
            ip netns exec "$LAB_NET" ss -Hlun 'sport = :53' 2>/dev/null | grep -q . && return 0
        sleep 0.1
    done
    return 1
}

# lab_pc_index: the Linux interface index of the computer's adapter (Wine
# builds the adapter's name from it); empty when it has none.
lab_pc_index() {
    ip -n "$LAB_PC" -o link show lan0 2>/dev/null | cut -d: -f1
}

# lab_end OUT: whatever a session left running in the computer's namespace
# (the program, Wine, the screen) ends, the peers' output is kept in
# OUT/peers and the lab is removed. Every process in these namespaces is
# the lab's own.
lab_end() {
    local pid
    for pid in $(ip netns pids "$LAB_PC" 2>/dev/null); do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in $(ip netns pids "$LAB_PC" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    cp "$LAB_RUN"/*.out "$1/peers/" 2>/dev/null
    lab_destroy
}

lab_destroy() {
    local pidfile pid
    for pidfile in "$LAB_RUN"/*.pid; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null || true
    done
    for pidfile in "$LAB_RUN"/*.pid; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        timeout 5 tail --pid="$pid" -f /dev/null 2>/dev/null || kill -9 "$pid" 2>/dev/null || true
    done
    ip netns del "$LAB_PC" 2>/dev/null || true
    ip netns del "$LAB_NET" 2>/dev/null || true
    rm -rf "/etc/netns/$LAB_PC" "$LAB_RUN"
}

# --- probes: the lab is what the scenario says, seen from the computer ----------
# Each prints nothing and answers by its status; they run only inside the
# computer's namespace, against lab addresses.
lab_reaches() {             # lab_reaches ADDRESS: one echo answered within a second
    ip netns exec "$LAB_PC" ping -n -q -c1 -W1 "$1" >/dev/null 2>&1
}
lab_resolves() {            # lab_resolves SERVER NAME ADDRESS
    ip netns exec "$LAB_PC" timeout 5 /usr/bin/python3 - "$@" <<'PY' >/dev/null 2>&1
import socket, struct, sys
server, name, address = sys.argv[1:4]
query = struct.pack(">HHHHHH", 0x4c42, 0x0100, 1, 0, 0, 0)
query += b"".join(bytes([len(p)]) + p.encode() for p in name.split(".")) + b"\0\0\1\0\1"
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(2)
s.sendto(query, (server, 53))
reply = s.recv(512)
sys.exit(0 if socket.inet_aton(address) in reply[len(query):] else 1)
PY
}
lab_serves() {              # lab_serves ADDRESS TEXT: its home page holds TEXT
    ip netns exec "$LAB_PC" timeout 5 /usr/bin/python3 - "$@" <<'PY' >/dev/null 2>&1
import http.client, sys
connection = http.client.HTTPConnection(sys.argv[1], 80, timeout=3)
connection.request("GET", "/", headers={"User-Agent": "lab-probe"})
sys.exit(0 if sys.argv[2].encode() in connection.getresponse().read() else 1)
PY
}
