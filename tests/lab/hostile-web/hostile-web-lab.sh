#!/usr/bin/env bash
# The page check under Wine against a misbehaving web server: two lab
# namespaces joined by one veth pair (the computer 10.88.0.2, the server
# 10.88.0.1) and linked to nothing else; Wine, its server and the test run
# inside the computer's namespace, tests/lab/hostile-web/hostile-web.py in
# the other. Writes the table of classes to $PLOVER_RESULTS_DIR when set.
# Usage: hostile-web-lab.sh BUILD_DIR   (a mingw-x86_64 build with its prefix)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
name=hweb-$$
client=$name-c
server=$name-s
work=$(mktemp -d)
cleanup() {
    set +e
    ip netns exec "$client" env WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    if [ -n "${peer:-}" ]; then
        kill "$peer" 2>/dev/null || true
        wait "$peer" 2>/dev/null || true
    fi
    ip netns del "$client" 2>/dev/null || true
    ip netns del "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

. "$here/../namespace-pair.sh"
namespace_pair "$client" "$server" 10.88.0.2/24 10.88.0.1/24

# Longer than the test's own bound, so the server is there for all of it.
ip netns exec "$server" python3 "$here/hostile-web.py" 10.88.0.1 80 200 &
peer=$!
for _ in $(seq 50); do
    ip netns exec "$client" python3 -c \
        'import socket; socket.create_connection(("10.88.0.1", 80), 1).close()' 2>/dev/null && break
    sleep 0.1
done

# The shared prefix is made (once) by the Wine tier's runner.
"$build/../../tests/wine/run-under-wine.sh" "$build/wineprefix" cmd.exe /c exit >/dev/null 2>&1 || true
cp -a "$build/wineprefix" "$work/prefix"
output=()
table=$work/hostile-web.txt
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    output=(--gtest_output="xml:Z:$PLOVER_RESULTS_DIR/hostile-web-lab.xml")
    table=$PLOVER_RESULTS_DIR/hostile-web.txt
fi
ip netns exec "$client" env PLOVER_HOSTILE_WEB=http://10.88.0.1 PLOVER_HOSTILE_WEB_TABLE="Z:$table" \
    timeout 180 "$build/../../tests/wine/run-under-wine.sh" "$work/prefix" \
    "$build/tests/wine/plover_wine_tests.exe" --gtest_filter='HostileWebInLabUnderWine.*' "${output[@]}"
