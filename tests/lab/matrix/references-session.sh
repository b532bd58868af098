#!/usr/bin/env bash
# The reference screens the fault matrix judges its panels by: the window
# with scripted stages (PloverToolScenes.exe), one scene per panel, each
# panel's client area saved as REFERENCES/<panel>.png and the whole screen
# as REFERENCES/screens/<panel>.png. Runs inside a namespace with only
# loopback (made by matrix.sh): the scenes touch no network.
#
#   references-session.sh SCENES_EXE REFERENCES     (environment: WINEPREFIX)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scenes=$1 out=$2
mkdir -p "$out/screens"
# shellcheck source=../window-driver.sh
source "$here/../window-driver.sh"
log=$(temp_folder)/PloverToollog
trap 'wine_stop; screen_stop' EXIT
screen_start || exit 1

status=0
# scene PANEL SCENE FINAL-LINE CLOSE-BUTTON...
scene() {
    local panel=$1 name=$2 final=$3
    shift 3
    rm -f "$log"
    start_program "$scenes" "$name"
    if ! wait_window 30; then echo "references: no window for $name" >&2; status=1; return; fi
    settle
    if [ "$panel" = success ]; then
        client_shot "$out/welcome.png"
        import -window root "$out/screens/welcome.png"
    fi
    click "${RUN_WELCOME[@]}"
    wait_line "$final" 40 && wait_line "Exiting thread" 10 ||
        { echo "references: scene $name did not end" >&2; status=1; }
    settle
    client_shot "$out/$panel.png"
    import -window root "$out/screens/$panel.png"
    click "$@"
    wait_gone 15 || kill "$program_pid" 2>/dev/null
}
scene success repair "step browsing net pass show final panel" "${CLOSE_WELCOME[@]}"
for pair in adapter:adapter nointernet:nointernet router:router support:support browser:browser; do
    scene "${pair%%:*}" "${pair#*:}" "finish step completed: 6" "${CLOSE_FAILURE[@]}"
done
exit $status
