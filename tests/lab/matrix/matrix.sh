#!/usr/bin/env bash
# The fault matrix: each scenario reproduces one fault in a lab of its own,
# runs the real PloverTool.exe on a real window under Wine and judges what
# it did. Scenarios run one after another (never side by side).
#
#   matrix.sh OUT --list             the scenarios, one a line
#   matrix.sh OUT all                every scenario, then OUT/index.html
#   matrix.sh OUT ci                 the scenarios the test command runs
#   matrix.sh OUT dns                every hostile-DNS scenario, then their table
#   matrix.sh OUT SCENARIO...        those scenarios
#   matrix.sh OUT --display [SCENARIO]  one scenario's lab with the wizard on
#                                    your own $DISPLAY, for you to drive
# Needs the x86_64 build of PloverTool.exe, PloverToolScenes.exe and the lab
# stand-ins (target lab_standins) in build/mingw-x86_64. MATRIX_BUILD=i686
# runs the shipped 32-bit PloverTool.exe instead (build/mingw-i686) under
# 32-bit Wine, in a prefix of its own booted where 32-bit Wine is installed
# (docs/wine-builds.md); the scenes and stand-ins stay the x86_64 ones.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
out=$(realpath -m "$1")
shift
# shellcheck source=scenarios.sh
source "$here/scenarios.sh"

if [ "${1:-}" = --list ]; then
    for name in "${SCENARIOS[@]}"; do
        printf '%-26s %-4s %s\n' "$name" "$([ "${CI[$name]}" = yes ] && echo ci)" "${TITLE[$name]}: ${EXPECT[$name]}"
    done
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "matrix: needs root for network namespaces" >&2
    exit 1
fi

selected=()
if [ "${1:-}" = --display ]; then
    [ -n "${DISPLAY:-}" ] || { echo "matrix: --display needs \$DISPLAY" >&2; exit 2; }
    export LAB_INTERACTIVE=1
    shift
    [ $# -eq 0 ] && set -- healthy
fi
case "${1:-}" in
    all) selected=("${SCENARIOS[@]}") ;;
    ci) for name in "${SCENARIOS[@]}"; do [ "${CI[$name]}" = yes ] && selected+=("$name"); done ;;
    dns) selected=("${DNS_SCENARIOS[@]}") ;;
    "") echo "matrix: name a scenario, all, ci or --list" >&2; exit 2 ;;
    *) for name in "$@"; do
           [ -n "${TITLE[$name]:-}" ] || { echo "matrix: no scenario '$name' (see --list)" >&2; exit 2; }
           selected+=("$name")
       done ;;
esac

build=$root/build/mingw-x86_64
export MATRIX_BUILD=${MATRIX_BUILD:-x86_64}
exe=$root/build/mingw-$MATRIX_BUILD/PloverTool.exe
prefix=$root/build/lab/matrix-prefix
case "$MATRIX_BUILD" in
    x86_64) ;;
    i686) export LAB_WINE=${LAB_WINE:-/usr/lib/wine/wine}
          prefix=$prefix-i686 ;;
    *) echo "matrix: MATRIX_BUILD is x86_64 or i686" >&2; exit 2 ;;
esac
scenes=$build/lab/PloverToolScenes.exe
standins=$build/lab/standins
for file in "$exe" "$scenes" "$standins/netsh.exe" "$standins/shutdown.exe" "$standins/schtasks.exe" \
    "$standins/holdfile.exe"; do
    [ -f "$file" ] || { echo "matrix: $file is missing; build it first" >&2; exit 1; }
done
mkdir -p "$out"

# shellcheck source=lab-prefix.sh
source "$here/lab-prefix.sh"
echo "matrix: preparing the lab's Windows prefix"
prefix_prepare "$prefix" || exit 1

# shellcheck source=lab-references.sh
source "$here/lab-references.sh"
references_prepare "$root" "$prefix" "$exe" "$scenes" "$standins" || exit 1
references=$LAB_REFERENCES

failed=()
start=$(date +%s)
lanes=${MATRIX_LANES:-1}
[ "$lanes" = 2 ] && [ ${#selected[@]} -gt 1 ] || lanes=1
if [ "$lanes" = 1 ]; then
    count=0
    for name in "${selected[@]}"; do
        count=$((count + 1))
        echo
        echo "matrix: scenario $count of ${#selected[@]}, $(($(date +%s) - start)) s so far"
        bash "$here/run-scenario.sh" "$name" "$out/$name" "$prefix" "$exe" "$standins" \
            "$references" || failed+=("$name")
    done
else
    # The second lane's prefix: a copy of the first with its own seed, so
    # that each lane resets only its own.
    second=$prefix-lane2
    rm -rf "$second" "$(prefix_seed_dir "$second")"
    cp -a "$prefix" "$second"
    cp -a "$(prefix_seed_dir "$prefix")" "$(prefix_seed_dir "$second")"
    # Longest bound first, each to the lane with less to do so far.
    lane1=() lane2=()
    load1=0 load2=0
    while read -r _ name; do
        if [ "$load1" -le "$load2" ]; then lane1+=("$name"); load1=$((load1 + ${LIMIT[$name]}))
        else lane2+=("$name"); load2=$((load2 + ${LIMIT[$name]})); fi
    done < <(for name in "${selected[@]}"; do echo "${LIMIT[$name]} $name"; done | sort -rn)
    run_lane() {            # run_lane NUMBER PREFIX SCENARIO...
        local number=$1 lane_prefix=$2 name
        shift 2
        for name in "$@"; do
            echo "matrix: lane $number: $name starts, $(($(date +%s) - start)) s so far"
            bash "$here/run-scenario.sh" "$name" "$out/$name" "$lane_prefix" "$exe" "$standins" \
                "$references" >"$out/$name.console" 2>&1 || echo "$name" >>"$out/.failed-lane$number"
            flock "$out/.console-lock" sh -c 'echo; cat "$1"' _ "$out/$name.console"
        done
    }
    rm -f "$out"/.failed-lane*
    run_lane 1 "$prefix" "${lane1[@]}" &
    first=$!
    run_lane 2 "$second" "${lane2[@]}"
    wait "$first"
    mapfile -t failed < <(cat "$out"/.failed-lane* 2>/dev/null)
    rm -f "$out"/.failed-lane* "$out/.console-lock"
fi

echo
echo "matrix: ${#selected[@]} scenarios in $(($(date +%s) - start)) s, ${#failed[@]} failed${failed[*]:+: ${failed[*]}}"
if [ "${1:-}" = all ] || [ "${1:-}" = dns ]; then
    python3 "$root/tests/lab/hostile-dns/dns-matrix-table.py" "$out" "${DNS_SCENARIOS[@]}" |
        tee "$out/dns-table.txt"
fi
if [ "${1:-}" = all ]; then
    python3 "$here/matrix-report.py" page "$out" "${SCENARIOS[@]}"
    echo "matrix: report $out/index.html"
    # Small final screens for the README (docs/fault-matrix/ holds a copy).
    mkdir -p "$out/thumbnails"
    for name in "${SCENARIOS[@]}"; do
        source_image=$out/$name/final-client.png
        [ -f "$source_image" ] || source_image=$(ls "$out/$name"/*-restart-question.png 2>/dev/null | tail -1)
        [ -f "$source_image" ] && convert "$source_image" -resize 50% -colors 64 \
            "PNG8:$out/thumbnails/$name.png"
    done
fi
[ ${#failed[@]} -eq 0 ]
