#!/usr/bin/env bash
# One scenario of the fault matrix in a lab of its own: the two namespaces
# (named with this script's pid), the scenario's network fault, the prefix
# reset to its seed, the Wine session inside the computer's namespace
# (tests/lab/matrix/session.sh), then everything torn down again, however
# the session ended.
#
#   run-scenario.sh SCENARIO OUT PREFIX EXE STANDINS REFERENCES
# Leaves in OUT the screenshots, the program's log, the machine state, the
# peers' logs, checks.tsv and result.json, and prints the scenario's summary.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scenario=$1 out=$(realpath -m "$2") prefix=$3 exe=$4 standins=$5 references=$6

if [ "$(id -u)" -ne 0 ]; then
    echo "run-scenario: needs root for network namespaces" >&2
    exit 1
fi
# shellcheck source=lab-network.sh
source "$here/lab-network.sh"
# shellcheck source=lab-prefix.sh
source "$here/lab-prefix.sh"
# shellcheck source=scenarios.sh
source "$here/scenarios.sh"
[ -n "${TITLE[$scenario]:-}" ] || { echo "run-scenario: no scenario '$scenario'" >&2; exit 2; }
function_name=${scenario//-/_}

rm -rf "$out"
mkdir -p "$out/peers"
t0=$(date +%s)

teardown() { lab_end "$out"; }

# LAB_NS_PREFIX (lab-network.sh) keeps the namespaces of one developer's runs apart by name.
lab_create "$$"
trap teardown EXIT
"network_$function_name"
prefix_restore "$prefix" "$exe" "$standins"
"probe_$function_name"

echo "=== $scenario on the ${MATRIX_BUILD:-x86_64} exe: ${TITLE[$scenario]}"
echo "    fault:    ${FAULT[$scenario]}"
echo "    expected: ${EXPECT[$scenario]}"
limit=${LIMIT[$scenario]}
[ "${LAB_INTERACTIVE:-}" = 1 ] && limit=3700
# A scenario that mounts something over the prefix (a tiny Temp folder) gets
# a mount namespace of its own: the mount, and Wine's server that opens the
# files through it, live and end with the session.
own_mounts=()
[ "${OWN_MOUNTS[$scenario]:-}" = yes ] && own_mounts=(unshare --mount --propagation private)
ip netns exec "$LAB_PC" "${own_mounts[@]}" env WINEPREFIX="$prefix" LAB_RUN="$LAB_RUN" LAB_T0="$t0" \
    LAB_REFERENCES="$references" LAB_INTERACTIVE="${LAB_INTERACTIVE:-}" \
    timeout --kill-after=10 "$limit" bash "$here/session.sh" "$scenario" "$out"
status=$?
if [ $status -eq 124 ]; then
    printf 'session.finished\tfail\tthe session passed its bound of %s s\n' "$limit" \
        >>"$out/checks.tsv"
elif [ ! -f "$out/session-complete" ]; then
    printf 'session.finished\tfail\tthe session ended early (status %s)\n' "$status" >>"$out/checks.tsv"
fi
teardown
trap - EXIT

python3 "$here/matrix-report.py" scenario "$out" --name "$scenario" \
    --title "${TITLE[$scenario]}" --fault "${FAULT[$scenario]}" \
    --expect "${EXPECT[$scenario]}" --ci "${CI[$scenario]}" --seconds $(($(date +%s) - t0)) \
    --build "${MATRIX_BUILD:-x86_64}"
