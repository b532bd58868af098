#!/usr/bin/env bash
# The fault matrix: each scenario (one file in tests/lab/scenarios) injects
# its fault into a lab of its own, runs the real PloverTool.exe on a real
# window under Wine and judges what it did. With MATRIX_LANES=N (N > 1) the
# scenarios run in N lanes side by side, each lane with a prefix of its
# own; otherwise one after another.
#
#   matrix.sh OUT [--build x86_64|i686] [--display] WHAT
#     --list     the scenarios, one a line        --table   docs/fault-matrix.md's table
#     --clean    removes what labs killed half-way left behind (owner gone);
#                every run does that first
#     all        every scenario, then OUT/index.html and OUT/thumbnails/
#     ci         the scenarios the test command runs
#     dns        every hostile-DNS scenario, then their table (OUT/dns-table.txt)
#     NAME...    those scenarios; FILE.sh... scenarios kept elsewhere (soak, benchmark)
#   --build      which PloverTool.exe runs, under which Wine loader; results
#                are labelled with it
#   --display    the scenario's lab with the wizard on your own $DISPLAY, for
#                you to drive
# Needs the x86_64 build's PloverToolScenes.exe and lab stand-ins, and the
# chosen build's PloverTool.exe.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/session.sh
source "$here/lib/session.sh"
matrix_arguments=("$@")
out=$(realpath -m "$1")
shift
while [ $# -gt 0 ]; do
    case $1 in
        --build) lab_build "$2" || exit 2; shift 2 ;;
        --display)
            [ -n "${DISPLAY:-}" ] || { echo "matrix: --display needs \$DISPLAY" >&2; exit 2; }
            export LAB_INTERACTIVE=1
            shift ;;
        *) break ;;
    esac
done

case ${1:-} in
    --list) scenario_describe $(scenario_names) |
        awk -F'\t' '{printf "%-26s %-4s %s: %s\n", $1, ($2 == "yes" ? "ci" : ""), $4, $5}'
        exit ;;
    --table) scenario_describe $(scenario_names) | /usr/bin/python3 "$here/lib/report.py" table; exit ;;
    "") echo "matrix: name a scenario, all, ci, dns or --list" >&2; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
    echo "matrix: needs root for network namespaces" >&2
    exit 1
fi
# A lab whose owner was killed may still run a session in the shared
# prefix: it goes before this run starts.
lab_leftovers
[ "$1" = --clean ] && exit 0

# One scenario in a lab of its own, as a process of its own (whose pid
# names the lab): the network, the probes, the session inside the
# computer's namespace, the lab torn down however the session ended.
if [ "$1" = --one ]; then
    scenario_load "$2"
    out=$3
    rm -rf "$out"
    mkdir -p "$out"
    export WINEPREFIX=$4 LAB_T0=$(date +%s)
    [ "${LAB_INTERACTIVE:-}" = 1 ] && limit=3700
    lab_up
    trap 'lab_down "$out"' EXIT
    lab_computer
    scenario_network
    prefix_restore "$WINEPREFIX"
    scenario_probe
    echo "=== $name ($LAB_BUILD): $title"
    echo "    fault:    $fault"
    echo "    expected: $repairs; ${panel:-no panel judged}${expect:+; $expect}"
    # A scenario that mounts over the prefix gets a mount namespace of its
    # own: the mount, and Wine's server that opens files through it, end
    # with the session.
    mounts=()
    [ "$own_mounts" = yes ] && mounts=(unshare --mount --propagation private)
    ip netns exec "$LAB_PC" "${mounts[@]}" timeout --kill-after=10 $((limit * LAB_SLOW)) \
        bash "$here/lib/session.sh" scenario_run_session "$2" "$out"
    status=$?
    if [ $status -eq 124 ]; then
        check session.finished 1 "the session passed its bound of $((limit * LAB_SLOW)) s"
    elif [ ! -f "$out/session-complete" ]; then
        check session.finished 1 "the session ended early (status $status)"
    fi
    lab_down "$out"
    trap - EXIT
    exec /usr/bin/python3 "$here/lib/report.py" scenario "$out" "$(scenario_describe "$2")" "$LAB_BUILD" \
        $(($(date +%s) - LAB_T0))
fi

mapfile -t names < <(scenario_names)
selected=()
case $1 in
    all) selected=("${names[@]}") ;;
    ci) mapfile -t selected < <(scenario_describe "${names[@]}" | awk -F'\t' '$2 == "yes" {print $1}') ;;
    dns) mapfile -t selected < <(printf '%s\n' "${names[@]}" | grep '^dns-') ;;
    *) selected=("$@") ;;
esac
declare -A limit_of=() target_of=()
keys=()
for one in "${selected[@]}"; do
    description=$(scenario_describe "$one") || exit 2
    IFS=$'\t' read -r key _ limit _ <<<"$description"
    limit_of[$key]=$limit target_of[$key]=$one
    keys+=("$key")
done
mapfile -t dns_names < <(printf '%s\n' "${names[@]}" | grep '^dns-')
for file in "$LAB_EXE" "$LAB_SCENES" "$LAB_STANDINS"/{netsh,shutdown,schtasks,holdfile}.exe; do
    [ -f "$file" ] || { echo "matrix: $file is missing; build it first" >&2; exit 1; }
done
prefix=$lab_root/build/lab/matrix-prefix
mkdir -p "$out" "$(dirname "$prefix")"
# One run of the matrix at a time on the prefix and its lanes' copies: a
# second one (the i686 tier, a demo) waits for the first to end. The lock
# is held by flock itself, so that no Wine server started here keeps it.
if [ -z "${MATRIX_PREFIX_LOCKED:-}" ]; then
    MATRIX_PREFIX_LOCKED=1 flock -o -w 3600 -E 75 "$prefix.lock" bash "$0" "${matrix_arguments[@]}"
    status=$?
    [ $status -eq 75 ] && echo "matrix: another run of the matrix held $prefix for an hour" >&2
    exit $status
fi
prefix_prepare "$prefix" && references_prepare "$prefix" || exit 1

run() {                     # run NAME PREFIX
    bash "$0" "$out" --build "$LAB_BUILD" --one "${target_of[$1]}" "$out/$1" "$2"
}
failed=()
start=$(date +%s)
lanes=${MATRIX_LANES:-1}
if [ "$lanes" -gt 1 ] && [ ${#selected[@]} -gt 1 ]; then
    # Every lane but the first resets a copy of the prefix with a seed of its own.
    lane_prefix=([1]=$prefix)
    for ((lane = 2; lane <= lanes; lane++)); do
        lane_prefix[lane]=$prefix-lane$lane
        rm -rf "${lane_prefix[lane]}" "${lane_prefix[lane]}.seed"
        cp -a "$prefix" "${lane_prefix[lane]}"
        cp -a "$prefix.seed" "${lane_prefix[lane]}.seed"
    done
    # One queue, longest bound first; a lane that is done takes the next
    # scenario, so the long ones never pile up in one lane.
    queue=$out/.queue
    for one in "${!limit_of[@]}"; do echo "${limit_of[$one]} $one"; done | sort -k1,1rn -k2 |
        cut -d' ' -f2 >"$queue"
    next_in_queue() {       # prints the queue's first name and takes it off
        flock "$queue.lock" sh -c 'head -n 1 "$1"; sed -i 1d "$1"' _ "$queue"
    }
    run_lane() {            # run_lane NUMBER PREFIX
        local number=$1 lane_prefix=$2 one
        while one=$(next_in_queue) && [ -n "$one" ]; do
            echo "matrix: lane $number: $one starts, $(($(date +%s) - start)) s so far"
            run "$one" "$lane_prefix" >"$out/$one.console" 2>&1 || echo "$one" >>"$out/.failed-lane$number"
            flock "$out/.console-lock" sh -c 'echo; cat "$1"' _ "$out/$one.console"
        done
    }
    rm -f "$out"/.failed-lane*
    for ((lane = 1; lane <= lanes; lane++)); do
        run_lane "$lane" "${lane_prefix[lane]}" &
    done
    wait
    mapfile -t failed < <(cat "$out"/.failed-lane* 2>/dev/null)
    rm -f "$out"/.failed-lane* "$out/.console-lock" "$queue" "$queue.lock"
else
    count=0
    for one in "${keys[@]}"; do
        count=$((count + 1))
        echo
        echo "matrix: scenario $count of ${#keys[@]}, $(($(date +%s) - start)) s so far"
        run "$one" "$prefix" || failed+=("$one")
    done
fi

echo
echo "matrix: ${#selected[@]} scenarios in $(($(date +%s) - start)) s, ${#failed[@]} failed${failed[*]:+: ${failed[*]}}"
if [ "$1" = all ] || [ "$1" = dns ]; then
    /usr/bin/python3 "$here/lib/report.py" runs "$out" "${dns_names[@]}" | tee "$out/dns-table.txt"
fi
if [ "$1" = all ]; then
    /usr/bin/python3 "$here/lib/report.py" page "$out" "${names[@]}"
    echo "matrix: report $out/index.html"
    # Small final screens for docs/fault-matrix.md (docs/fault-matrix/ holds a copy).
    mkdir -p "$out/thumbnails"
    for one in "${names[@]}"; do
        image=$out/$one/final-client.png
        [ -f "$image" ] || image=$(ls "$out/$one"/*-restart-question.png 2>/dev/null | tail -1)
        [ -f "$image" ] && convert "$image" -resize 50% -colors 64 "PNG8:$out/thumbnails/$one.png"
    done
fi
[ ${#failed[@]} -eq 0 ]
