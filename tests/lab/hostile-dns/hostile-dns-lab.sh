#!/usr/bin/env bash
# The DNS client under Wine against one hostile responder per kind of bad
# reply, and the table of what each lookup gave. Two namespaces linked to
# each other and to nothing else:
#   NAME-c  the client, 10.78.0.2/24: Wine, its server and the test program
#   NAME-p  the peer,   10.78.0.1/24: responder N on 10.78.0.(10+N); the
#           other-address kind replies from 10.78.0.200
# Usage: hostile-dns-lab.sh BUILD_DIR   (a mingw-x86_64 build with its prefix)
# Writes hostile-dns.xml and hostile-dns-table.txt to $PLOVER_RESULTS_DIR
# when it is set, and prints the table.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
name=hdns-$$
client=$name-c
peer=$name-p
work=$(mktemp -d /tmp/hdns-lab.XXXXXX)
lifetime=240
pids=()
cleanup() {
    ip netns exec "$client" env WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    ip netns del "$client" 2>/dev/null || true
    ip netns del "$peer" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mapfile -t kinds < <(python3 "$here/responder.py" --describe | cut -f1)

. "$here/../namespace-pair.sh"
namespace_pair "$client" "$peer" 10.78.0.2/24 10.78.0.1/24
ip -n "$peer" addr add 10.78.0.200/24 dev veth1

servers=()
for i in "${!kinds[@]}"; do
    kind=${kinds[$i]} address=10.78.0.$((10 + i))
    ip -n "$peer" addr add "$address/24" dev veth1
    ip netns exec "$peer" timeout "$lifetime" python3 "$here/responder.py" --kind "$kind" \
        --listen "$address" --lifetime "$lifetime" --answer www.lab.test=10.78.0.80 \
        --poison 10.78.0.66 --other-address 10.78.0.200 >"$work/$kind.log" 2>&1 &
    pids+=($!)
    servers+=("$kind=$address")
done
# Every responder listens before the first lookup (bounded).
for _ in $(seq 50); do
    [ "$(ip netns exec "$peer" ss -Hlun 'sport = :53' | wc -l)" -ge "${#kinds[@]}" ] && break
    sleep 0.1
done

# The shared prefix is made (once) by the Wine tier's runner.
"$build/../../tests/wine/run-under-wine.sh" "$build/wineprefix" cmd.exe /c exit >/dev/null 2>&1 || true
cp -a "$build/wineprefix" "$work/prefix"
output=()
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/hostile-dns.xml")
fi
rows=$work/rows.tsv
status=0
ip netns exec "$client" env PLOVER_HOSTILE_DNS_LAB="$(IFS=,; echo "${servers[*]}")" \
    PLOVER_HOSTILE_DNS_TABLE="Z:$rows" timeout 180 \
    "$build/../../tests/wine/run-under-wine.sh" "$work/prefix" \
    "$build/tests/wine/plover_wine_tests.exe" --gtest_filter='Kinds/HostileDnsUnderWine.*' \
    "${output[@]}" || status=$?

table=$work/table.txt
python3 "$here/hostile-dns-table.py" <(python3 "$here/responder.py" --describe) "$rows" "$work" \
    >"$table"
cat "$table"
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    cp "$table" "$PLOVER_RESULTS_DIR/hostile-dns-table.txt"
fi
exit "$status"
