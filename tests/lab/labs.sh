#!/usr/bin/env bash
# The small labs the native and Wine tests run in, each made of the lab
# library's namespaces (tests/lab/lib/network.sh), linked to each other and
# to nothing else. The Wine tests run in a copy of the Wine tier's prefix,
# their whole Wine session inside the lab; with PLOVER_RESULTS_DIR set,
# their results go there.
#
#   labs.sh icmp up|down ID      the echo lab of the native tests: the client
#                                plv-ID-c behind the router plv-ID-r, which
#                                answers echo itself and holds 10.201.0.0/24
#                                (blackhole), 10.202.0.0/24 (prohibit) and
#                                10.203.0.0/24 (unreachable)
#   labs.sh icmp-wine BUILD      the Wine echo tests in that lab
#   labs.sh netsettings BUILD    the adapter inventory, gateway lookups and
#                                Winsock reset, in a namespace with known
#                                interfaces ("full") and in one with none ("bare")
#   labs.sh hostile-web BUILD    the page check against lib/web.py's hostile answers
#   labs.sh hostile-dns BUILD    the DNS client against one responder per kind of bad
#                                reply, and their table (hostile-dns-table.txt)
#   labs.sh full-temp BUILD      the log and files on a 1 MiB tmpfs Temp folder
# BUILD is a mingw-x86_64 build folder with plover_wine_tests.exe.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/network.sh
source "$here/lib/network.sh"
lab=$1
icmp_lab() {
    lab_namespace client c && lab_namespace router r &&
        lab_pair "$client" "$router" 10.200.0.2/24 10.200.0.1/24 || return 1
    ip -n "$client" route add default via 10.200.0.1
    ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0
    for route in blackhole:201 prohibit:202 unreachable:203; do
        ip -n "$router" route add "${route%:*}" "10.${route#*:}.0.0/24"
    done
}
if [ "$lab" = icmp ]; then
    LAB_ID=$3 LAB_NAMESPACES=("plv-$3-c" "plv-$3-r")
    lab_down
    [ "$2" = down ] || icmp_lab
    exit
fi

BUILD=$(cd "$2" && pwd)
# shellcheck source=lib/wine.sh
source "$here/lib/wine.sh"
tests=$BUILD/tests/wine/plover_wine_tests.exe
lab_up
trap lab_down EXIT
prefix=$LAB_RUN/prefix
wine_test_prefix "$prefix"

# wine_tests NAMESPACE RESULTS FILTER [VARIABLE=VALUE...]: the Wine tests of
# FILTER inside NAMESPACE, their JUnit file RESULTS.xml.
wine_tests() {
    local ns=$1 output=()
    [ -n "${PLOVER_RESULTS_DIR:-}" ] && output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/$2.xml")
    ip netns exec "$ns" env "${@:4}" timeout 600 "$lab_root/tests/wine/run-under-wine.sh" "$prefix" \
        "$tests" --gtest_filter="$3" "${output[@]}"
    local status=$?
    # The next session must not find this one's server: it would answer
    # with this namespace's interfaces.
    WINEPREFIX=$prefix wine_stop
    return $status
}

case $lab in
icmp-wine) icmp_lab && wine_tests "$client" icmp-lab-wine 'IcmpInLabUnderWine.*' PLOVER_ICMP_LAB=1 ;;
netsettings)
    # "full": plv0 10.77.0.10/24 and 10.77.0.11/24 with the default route via
    # 10.77.0.1, plv1 169.254.9.9/16 (self-assigned), plv2 up without an
    # address; each the end of a pair whose other end lies in a peer that
    # sends nothing. "bare": loopback only.
    lab_namespace full full && lab_namespace peer peer && lab_namespace bare bare || exit 1
    for link in plv0 plv1 plv2; do lab_pair "$full" "$peer" "" "" "$link" "$link-p"; done
    ip -n "$full" addr add 10.77.0.10/24 dev plv0
    ip -n "$full" addr add 10.77.0.11/24 dev plv0
    ip -n "$full" addr add 169.254.9.9/16 dev plv1
    ip -n "$full" route add default via 10.77.0.1 dev plv0
    status=0
    for layout in full bare; do
        wine_tests "${!layout}" "netsettings-lab-$layout" '*Lab*:*WinsockCommands*' \
            PLOVER_LAB_LAYOUT=$layout || status=1
    done
    exit $status ;;
hostile-web)
    lab_namespace client c && lab_namespace server s &&
        lab_pair "$client" "$server" 10.88.0.2/24 10.88.0.1/24 || exit 1
    # Longer than the tests' own bound, so the server is there for all of it.
    LAB_NET=$server LAB_PEER_LIFETIME=200 lab_peer web /usr/bin/python3 "$here/lib/web.py" 10.88.0.1 80 200
    lab_wait "$server" 1 -tn 'sport = :80'
    results=${PLOVER_RESULTS_DIR:-$LAB_RUN}
    wine_tests "$client" hostile-web-lab 'HostileWebInLabUnderWine.*' PLOVER_HOSTILE_WEB=http://10.88.0.1 \
        PLOVER_HOSTILE_WEB_TABLE="Z:$results/hostile-web.txt" ;;
hostile-dns)
    # Responder N on 10.78.0.(10+N); the other-address kind replies from 10.78.0.200.
    lab_namespace client c && lab_namespace peer p &&
        lab_pair "$client" "$peer" 10.78.0.2/24 10.78.0.1/24 || exit 1
    ip -n "$peer" addr add 10.78.0.200/24 dev veth1
    mapfile -t kinds < <(/usr/bin/python3 "$here/lib/dns-responder.py" --describe | cut -f1)
    servers=()
    for i in "${!kinds[@]}"; do
        address=10.78.0.$((10 + i))
        ip -n "$peer" addr add "$address/24" dev veth1
        LAB_NET=$peer LAB_PEER_LIFETIME=240 lab_peer "${kinds[$i]}" /usr/bin/python3 "$here/lib/dns-responder.py" \
            --kind "${kinds[$i]}" --listen "$address" --lifetime 240 --answer www.lab.test=10.78.0.80 \
            --poison 10.78.0.66 --other-address 10.78.0.200
        servers+=("${kinds[$i]}=$address")
    done
    lab_wait "$peer" "${#kinds[@]}" -un 'sport = :53'
    wine_tests "$client" hostile-dns 'Kinds/HostileDnsUnderWine.*' \
        PLOVER_HOSTILE_DNS_LAB="$(IFS=,; echo "${servers[*]}")" PLOVER_HOSTILE_DNS_TABLE="Z:$LAB_RUN/rows.tsv"
    status=$?
    /usr/bin/python3 "$here/lib/dns-responder.py" --table "$LAB_RUN/rows.tsv" "$LAB_RUN" |
        tee "${PLOVER_RESULTS_DIR:-$LAB_RUN}/hostile-dns-table.txt"
    exit $status ;;
full-temp)
    # A private mount namespace (and a network namespace with nothing in
    # it) so that nobody else sees the tmpfs; Wine's server, which opens the
    # files, runs in there too, and everything ends with it.
    temp=$prefix/drive_c/users/$(id -un)/Temp
    mkdir -p "$temp"
    output=()
    [ -n "${PLOVER_RESULTS_DIR:-}" ] && output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/full-temp-wine.xml")
    WINEPREFIX=$prefix unshare --mount --propagation private --net sh -c '
        mount -t tmpfs -o size=1m hweb-full-temp "$1" && shift || exit 1
        PLOVER_FULL_TEMP=1 timeout 120 "$@"; status=$?
        "$WINESERVER" -k 2>/dev/null; exit $status' sh "$temp" \
        "$lab_root/tests/wine/run-under-wine.sh" "$prefix" "$tests" --gtest_filter='FullTempUnderWine.*' \
        "${output[@]}" ;;
*) echo "labs: no lab '$lab'" >&2; exit 2 ;;
esac
