#!/usr/bin/env bash
# Runs every test tier: installs what is missing, builds, runs each tier
# script in scripts/tiers in order and prints one closing summary (with what
# the set-up met and which checks this machine had to skip, and why).
#
# The lab-window tier spends most of its time in the pauses the program
# prescribes (on two cores it keeps them a third busy): it runs in the
# background from its turn on, at normal priority, while the tiers after it
# run one after another at a lower one, so that its scenarios see the
# machine much as they would alone. Its output follows theirs.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/bootstrap.sh || exit 1

results=$root/build/test-results
rm -rf "$results"
mkdir -p "$results"
export PLOVER_RESULTS_DIR=$results

beside=lab-window
failed_tiers=()
start=$(date +%s)
run_tier() {                # run_tier NAME COMMAND...: the tier's output, then its time
    local tier_start=$SECONDS
    echo "=== tier $1"
    "${@:2}" || failed_tiers+=("$1")
    echo "=== tier $1 took $((SECONDS - tier_start)) s"
}
beside_pid=
for tier in scripts/tiers/*.sh; do
    name=$(basename "$tier" .sh)
    if [ "${name#*-}" = "$beside" ]; then
        echo "=== tier $name starts in the background"
        (run_tier "$name" bash "$tier"; [ ${#failed_tiers[@]} -eq 0 ]) >"$root/build/$name.console" 2>&1 &
        beside_pid=$!
        beside_name=$name
        continue
    fi
    nice_tier=()
    [ -n "$beside_pid" ] && nice_tier=(nice -n 10)
    run_tier "$name" "${nice_tier[@]}" bash "$tier"
done
if [ -n "$beside_pid" ]; then
    wait "$beside_pid" || failed_tiers+=("$beside_name")
    cat "$root/build/$beside_name.console"
fi
echo "=== all tiers took $(($(date +%s) - start)) s"

python3 scripts/summarize-results.py "$results" --setup build/bootstrap.txt "${failed_tiers[@]}"
