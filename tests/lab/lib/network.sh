# The lab's network: Linux network namespaces joined to each other by veth
# pairs and to nothing else. A pair is made inside a lab namespace with its
# other end moved straight into another, so no end ever sits in the host's
# namespace; nothing forwards out; every peer has a bounded lifetime.
#
# A lab's namespaces are named plv-<id>-<role>, its scratch folder is
# /tmp/plv-lab-<id>.*, and <id> starts with the pid of the process that owns
# the lab: labs of several runs live side by side, and a lab whose owner is
# gone is dead (lab_leftovers removes it).
#
#   lab_up [ID]                    a lab of this process (LAB_ID, LAB_RUN)
#   lab_namespace VAR ROLE [DNS]   a namespace of it, loopback up, its name in VAR
#   lab_pair A B A_ADDR B_ADDR [A_IF B_IF]   a veth pair between two namespaces
#   lab_alone ROLE COMMAND...      COMMAND in a namespace with only loopback
#   lab_computer, lab_link, lab_address, lab_internet, lab_router_silent
#                                  the fault matrix's computer and network
#   lab_peer, lab_dns, lab_web, lab_services, lab_wait    servers in the lab
#   lab_proxy, lab_refuse_direct_web    the user's proxy; a network that takes web traffic only through it
#   network_standard               the healthy network of the fault matrix
#   lab_reaches, lab_accepts, lab_resolves, lab_serves    probes seen from the computer
#   lab_down [OUT]                 every process of the lab ends, the lab goes
#   lab_leftovers                  removes the labs whose owner is gone
lab_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
lab_root=$(cd "$lab_lib/../../.." && pwd)
# shellcheck source=lab.env
source "$lab_lib/lab.env"
# Every address outside 10.0.0.0/8 is the lab network's own (AnyIP), so it
# answers echo and serves DNS and HTTP there; one route for all of them
# would take the computer's own subnet too.
LAB_ANYIP_RANGES=(0.0.0.0/5 8.0.0.0/7 11.0.0.0/8 12.0.0.0/6 16.0.0.0/4 32.0.0.0/3 64.0.0.0/2 128.0.0.0/1)
LAB_PEER_LIFETIME=${LAB_PEER_LIFETIME:-900}
LAB_NAMESPACES=()

lab_up() {
    LAB_ID=${1:-$$}
    LAB_RUN=$(mktemp -d "/tmp/plv-lab-$LAB_ID.XXXXXX")
    export LAB_ID LAB_RUN
}

lab_namespace() {
    local ns=plv-$LAB_ID-$2
    ip netns add "$ns" && ip -n "$ns" link set lo up || return 1
    LAB_NAMESPACES+=("$ns")
    printf -v "$1" %s "$ns"
    export "${1?}"
    # The namespace's own name lookups (Wine asks for the machine's name,
    # and for a ping by name) stay inside the lab, never the host's server.
    mkdir -p "/etc/netns/$ns"
    echo "nameserver ${3:-127.0.0.1}" >"/etc/netns/$ns/resolv.conf"
    printf '127.0.0.1 localhost\n127.0.1.1 %s\n::1 localhost\n' "$(hostname)" >"/etc/netns/$ns/hosts"
}

lab_pair() {
    local a_if=${5:-veth0} b_if=${6:-veth1}
    ip -n "$1" link add "$a_if" type veth peer name "$b_if" netns "$2" || return 1
    if [ -n "$3" ]; then ip -n "$1" addr add "$3" dev "$a_if"; fi
    if [ -n "$4" ]; then ip -n "$2" addr add "$4" dev "$b_if"; fi
    ip -n "$1" link set "$a_if" up && ip -n "$2" link set "$b_if" up
}

lab_alone() {
    local ns=plv-$$-$1 status
    shift
    ip netns add "$ns" && ip -n "$ns" link set lo up || return 1
    ip netns exec "$ns" "$@"
    status=$?
    lab_end_processes "$ns"
    ip netns del "$ns"
    return $status
}

# --- the fault matrix's lab --------------------------------------------------------
# The computer LAB_PC (lan0) and its network LAB_NET (lan1, the router at
# LAB_GATEWAY, the Internet behind it, the DNS and web servers).
lab_computer() {
    lab_namespace LAB_PC pc "$LAB_ADAPTER_DNS"
    lab_namespace LAB_NET net
    ip netns exec "$LAB_NET" sysctl -qw net.ipv4.ip_forward=0
}
lab_link() { lab_pair "$LAB_PC" "$LAB_NET" "" "$LAB_GATEWAY/$LAB_PREFIX_LENGTH" lan0 lan1; }

lab_address() {             # lab_address ADDRESS/LENGTH [GATEWAY [onlink]]
    ip -n "$LAB_PC" addr add "$1" dev lan0
    if [ -n "${2:-}" ]; then ip -n "$LAB_PC" route add default via "$2" dev lan0 ${3:-}; fi
}

lab_internet() {            # lab_internet up|down: down, echo to the outside goes unanswered
    local range verb=add
    [ "$1" = down ] && verb=del
    for range in "${LAB_ANYIP_RANGES[@]}"; do
        ip -n "$LAB_NET" route "$verb" local "$range" dev lo table local 2>/dev/null
    done
    return 0
}

lab_router_silent() { ip netns exec "$LAB_NET" sysctl -qw net.ipv4.icmp_echo_ignore_all=1; }

lab_peer() {                # lab_peer NAME PROGRAM [ARG...]: a server in LAB_NET, output in LAB_RUN/NAME.out
    local name=$1
    shift
    ip netns exec "$LAB_NET" timeout "$LAB_PEER_LIFETIME" "$@" >"$LAB_RUN/$name.out" 2>&1 &
    echo $! >"$LAB_RUN/$name.pid"
}

lab_dns() {                 # lab_dns NAME ADDRESS...: a dnsmasq answering the probe hosts
    local name=$1 address listen=()
    shift
    for address in "$@"; do listen+=(--listen-address="$address"); done
    lab_peer "$name" dnsmasq --keep-in-foreground --no-resolv --no-hosts --bind-interfaces \
        --pid-file= --user=root --port=53 "${listen[@]}" --log-queries --log-facility=- \
        --address=/"$LAB_VENDOR_HOST"/"$LAB_VENDOR_WEB" --address=/"$LAB_SEARCH_HOST"/"$LAB_SEARCH_WEB"
}

lab_web() {
    lab_peer web /usr/bin/python3 "$lab_lib/web.py" 0.0.0.0 80 "$LAB_PEER_LIFETIME" \
        "$LAB_VENDOR_WEB=$LAB_VENDOR_TITLE" "$LAB_SEARCH_WEB=$LAB_SEARCH_TITLE"
}

lab_wait() {                # lab_wait NAMESPACE COUNT SS-ARGS...: COUNT sockets listen (at most 5 s)
    local ns=$1 count=$2 _
    shift 2
    for _ in $(seq 50); do
        [ "$(ip netns exec "$ns" ss -Hl "$@" 2>/dev/null | wc -l)" -ge "$count" ] && return 0
        sleep 0.1
    done
    return 1
}

lab_services() {            # lab_services [--no-adapter-dns]
    [ "${1:-}" = --no-adapter-dns ] || lab_dns adapter-dns "$LAB_ADAPTER_DNS"
    lab_dns reseller-dns "$LAB_RESELLER_DNS" "$LAB_SECOND_RESELLER_DNS"
    lab_web
    lab_wait "$LAB_NET" 1 -tn 'sport = :80' && lab_wait "$LAB_NET" 1 -un 'sport = :53'
}

lab_proxy() {               # tinyproxy at LAB_PROXY in LAB_NET; it asks the adapter's DNS server for names
    local address=${LAB_PROXY%:*} port=${LAB_PROXY#*:}
    ip -n "$LAB_NET" addr add "$address/$LAB_PREFIX_LENGTH" dev lan1
    echo "nameserver $LAB_ADAPTER_DNS" >"/etc/netns/$LAB_NET/resolv.conf"
    printf '%s\n' "Port $port" "Listen $address" "Allow $LAB_PC_ADDRESS" "Timeout 30" \
        "MaxClients 20" "LogLevel Info" "LogFile \"$LAB_RUN/proxy-log.out\"" >"$LAB_RUN/tinyproxy.conf"
    lab_peer proxy tinyproxy -d -c "$LAB_RUN/tinyproxy.conf"
    lab_wait "$LAB_NET" 1 -tn "sport = :$port"
}
lab_refuse_direct_web() {   # the computer's own connections to port 80 are refused; the proxy's pass
    ip netns exec "$LAB_NET" iptables -A INPUT -p tcp --dport 80 -s "$LAB_PC_ADDRESS" \
        -j REJECT --reject-with tcp-reset
}

network_standard() {        # network_standard [--no-adapter-dns]
    lab_link
    lab_address "$LAB_PC_ADDRESS/$LAB_PREFIX_LENGTH" "$LAB_GATEWAY"
    lab_internet up
    lab_services "$@"
}

# --- probes: the lab is what the scenario needs, seen from the computer -------------
lab_reaches() { ip netns exec "$LAB_PC" ping -n -q -c1 -W1 "$1" >/dev/null 2>&1; }
lab_accepts() { ip netns exec "$LAB_PC" timeout 3 bash -c ">/dev/tcp/$1/$2" 2>/dev/null; }    # ADDRESS PORT
lab_resolves() {            # lab_resolves SERVER NAME ADDRESS
    ip netns exec "$LAB_PC" timeout 5 /usr/bin/python3 - "$@" <<'PY' >/dev/null 2>&1
import socket, struct, sys
server, name, address = sys.argv[1:4]
query = struct.pack(">HHHHHH", 0x4c42, 0x0100, 1, 0, 0, 0)
query += b"".join(bytes([len(p)]) + p.encode() for p in name.split(".")) + b"\0\0\1\0\1"
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(2)
s.sendto(query, (server, 53))
sys.exit(0 if socket.inet_aton(address) in s.recv(512)[len(query):] else 1)
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

# --- the end of a lab ---------------------------------------------------------------
lab_end_processes() {       # every process in the namespace: asked to end, then killed
    local pid _
    for pid in $(ip netns pids "$1" 2>/dev/null); do kill "$pid" 2>/dev/null; done
    for _ in $(seq 10); do [ -z "$(ip netns pids "$1" 2>/dev/null)" ] && return 0; sleep 0.1; done
    for pid in $(ip netns pids "$1" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
}

lab_down() {                # lab_down [OUT]: the peers' output is kept in OUT/peers
    local ns
    for ns in "${LAB_NAMESPACES[@]}"; do lab_end_processes "$ns"; done
    if [ -n "${1:-}" ] && [ -d "${LAB_RUN:-}" ]; then
        mkdir -p "$1/peers"
        cp "$LAB_RUN"/*.out "$1/peers/" 2>/dev/null
    fi
    for ns in "${LAB_NAMESPACES[@]}"; do
        ip netns del "$ns" 2>/dev/null
        rm -rf "/etc/netns/$ns"
    done
    LAB_NAMESPACES=()
    [ -n "${LAB_RUN:-}" ] && rm -rf "$LAB_RUN"
    return 0
}

lab_leftovers() {
    local ns dir
    for ns in $(ip netns list 2>/dev/null | cut -d' ' -f1); do
        [[ $ns =~ ^plv-([0-9]+)- ]] && ! kill -0 "${BASH_REMATCH[1]}" 2>/dev/null || continue
        echo "lab: removing $ns (its owner, pid ${BASH_REMATCH[1]}, is gone)"
        lab_end_processes "$ns"
        ip netns del "$ns"
    done
    for dir in /etc/netns/plv-* /tmp/plv-lab-*; do
        [[ $dir =~ plv-(lab-)?([0-9]+)[-.] ]] && ! kill -0 "${BASH_REMATCH[2]}" 2>/dev/null || continue
        [ -e "/var/run/netns/$(basename "$dir")" ] || rm -rf "$dir"
    done
}
