#!/usr/bin/env bash
# Runs every test tier: installs what is missing, builds, runs each tier
# script in scripts/tiers in order and prints one closing summary (with what
# the set-up met and which checks this machine had to skip, and why).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/bootstrap.sh || exit 1

results=$root/build/test-results
rm -rf "$results"
mkdir -p "$results"
export PLOVER_RESULTS_DIR=$results

failed_tiers=()
start=$(date +%s)
for tier in scripts/tiers/*.sh; do
    name=$(basename "$tier" .sh)
    echo "=== tier $name"
    tier_start=$(date +%s)
    if ! bash "$tier"; then
        failed_tiers+=("$name")
    fi
    echo "=== tier $name took $(( $(date +%s) - tier_start )) s"
done
echo "=== all tiers took $(( $(date +%s) - start )) s"

python3 scripts/summarize-results.py "$results" --setup build/bootstrap.txt "${failed_tiers[@]}"
