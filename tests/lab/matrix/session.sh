#!/usr/bin/env bash
# One scenario's Wine session, run by run-scenario.sh inside the scenario's
# own computer namespace (never run it elsewhere): seeds the registry for
# this namespace's adapter, injects the scenario's fault into the prefix,
# starts the real PloverTool.exe on a virtual screen, drives it with
# xdotool, follows the run in its log, screenshots every screen, collects the
# machine state and judges the outcome.
#
#   session.sh SCENARIO OUT        (environment: WINEPREFIX, LAB_RUN, LAB_T0,
#                                   LAB_REFERENCES; LAB_INTERACTIVE=1: on the
#                                   user's $DISPLAY, driven by the user)
# Writes OUT/checks.tsv (name, ok|fail, message), OUT/panel, OUT/state/,
# OUT/NN-*.png, OUT/PloverToollog and OUT/summary.txt.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scenario=$1 out=$2
mkdir -p "$out/state"
# shellcheck source=session-common.sh
source "$here/session-common.sh"
trap end_session EXIT

# --- the scenario ---------------------------------------------------------------
function_name=${scenario//-/_}
if [ "${LAB_INTERACTIVE:-}" = 1 ]; then
    # The user drives the wizard on their own display.
    "seed_$function_name"
    seed_registry
    open_wizard
    say "the wizard is on $DISPLAY; close it to end the demo"
    wait_gone 3600
    collect_state
    touch "$out/session-complete"
    exit 0
fi
screen_start || { check screen.started 1 "no virtual screen"; exit 1; }
"seed_$function_name"
seed_registry
check registry.seeded $? "the seed registry was not imported"
"drive_$function_name"
[ -f "$out/panel" ] || echo none >"$out/panel"
collect_state
"judge_$function_name"
wine_stop
printf '%s\n' "${shots[@]}" >"$out/screenshots.txt"
touch "$out/session-complete"
