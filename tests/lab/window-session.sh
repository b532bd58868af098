#!/usr/bin/env bash
# The wizard under Wine, on a virtual screen, inside a lab namespace made by
# window-lab.sh (never run it elsewhere). Every screen is reached with
# xdotool clicks, screenshotted to OUT/NN-name.png, and judged by the
# program's log. Stages that this build does not contain are scripted in
# PloverToolScenes.exe; PloverTool.exe itself runs as built.
#
#   window-session.sh ROOT OUT MODE    (MODE: virtual or display)
set -uo pipefail
root=$1 out=$2 mode=$3
build=$root/build/mingw-x86_64
exe=$build/PloverTool.exe
scenes=$build/lab/PloverToolScenes.exe
wine=/usr/lib/wine/wine64
export WINEPREFIX=$root/build/lab/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

checks=()     # "name|ok|message"
failures=0
check() {     # check NAME CONDITION-EXIT-CODE MESSAGE
    local name=$1 status=$2 message=$3
    if [ "$status" -eq 0 ]; then
        checks+=("$name|ok|")
        echo "  ok    $name"
    else
        checks+=("$name|fail|$message")
        echo "  FAIL  $name: $message"
        failures=$((failures + 1))
    fi
}

# --- the screen ------------------------------------------------------------
xvfb_pid=
if [ "$mode" = virtual ]; then
    for n in $(seq 70 99); do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { display=:$n; break; }
    done
    Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
finish() {
    "$wine"server -k 2>/dev/null || /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap finish EXIT

# --- the prefix: every program in one 800 x 600 Wine desktop ----------------
mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/.plover-lab-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d plover /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v plover /d 800x600 /f >/dev/null 2>&1
    # A Windows machine whose browser uses no proxy.
    "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
        /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
    /usr/lib/wine/wineserver64 -w
    touch "$WINEPREFIX/.plover-lab-ready"
fi
# Debian's Wine finds the window-caption glyph font only in the prefix.
[ -f /usr/share/wine/fonts/marlett.ttf ] &&
    cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp 2>/dev/null | grep -v /Public/ | head -1)
temp=${temp:-$WINEPREFIX/drive_c/users/root/Temp}
log=$temp/PloverToollog

if [ "$mode" = display ]; then
    echo "The wizard is on $DISPLAY; close it to end the demo."
    "$wine" "$exe" >/dev/null 2>&1
    echo "Log: $log"
    tail -n 40 "$log" 2>/dev/null
    exit 0
fi

# --- helpers -----------------------------------------------------------------
program_pid=
shot_number=0
app_class=
start() {                 # start EXE [SCENE]: runs it in the background
    rm -f "$log"
    app_class=$(basename "$1" | tr 'A-Z' 'a-z')
    "$wine" "$@" >/dev/null 2>&1 &
    program_pid=$!
}
main_window() {           # the wizard's top-level X window (446 x 505 with frame)
    local id
    for id in $(xdotool search --onlyvisible --classname "^${app_class//./\\.}\$" 2>/dev/null); do
        local width
        width=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ {print $NF}')
        [ "${width:-0}" -ge 400 ] 2>/dev/null && { echo "$id"; return 0; }
    done
    return 1
}
wait_window() {
    for _ in $(seq 200); do main_window >/dev/null && return 0; sleep 0.1; done
    return 1
}
origin() {                # client-area origin of an X window of a given client size
    local id=$1 width=$2 height=$3 info
    # xwininfo, not xdotool: xdotool counts the Wine desktop's offset twice.
    info=$(xwininfo -id "$id")
    local X Y WIDTH HEIGHT
    X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    WIDTH=$(awk '/Width:/ {print $NF}' <<<"$info")
    HEIGHT=$(awk '/Height:/ {print $NF}' <<<"$info")
    local border=$(( (WIDTH - width) / 2 ))
    echo "$((X + border)) $((Y + HEIGHT - height - border))"
}
click() {                 # click X Y in the wizard's client area
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" 440 480)
    xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
    xdotool mousemove 790 590
}
close_box() {             # the caption's close box, as a user would
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" 440 480)
    xdotool mousemove $((ox + 430)) $((oy - 11)) click 1
    xdotool mousemove 790 590
}
shot() {                  # shot NAME
    shot_number=$((shot_number + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$out" "$shot_number" "$1")
    import -window root "$file" 2>/dev/null
    shots+=("$file")
}
has_line() { grep -aqF -- "$1" "$log" 2>/dev/null; }
count_lines() { grep -acF -- "$1" "$log" 2>/dev/null || true; }
wait_line() {             # wait_line TEXT [SECONDS]
    local limit=${2:-30}
    for _ in $(seq $((limit * 10))); do has_line "$1" && return 0; sleep 0.1; done
    return 1
}
wait_gone() {             # the program has ended
    for _ in $(seq 150); do kill -0 "$program_pid" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
keep_log() { cp "$log" "$out/$1.log" 2>/dev/null || true; }
settle() { sleep 0.6; }

# Button centres in client coordinates.
RUN_WELCOME=(315 453) RUN_FAILURE=(362 453) CONTACT_CANCEL=(224 453)
CLOSE_WELCOME=(127 453) CLOSE_FAILURE=(81 453)
shots=()
rm -f "$out"/*.png "$out"/*.log

# --- 1. the product: welcome, stage list, success, close ---------------------
echo "PloverTool.exe"
start "$exe"
wait_window; check welcome.window-shown $? "no wizard window"
settle
shot welcome
has_line "read information"; check welcome.branding-read $? "no 'read information' line"
has_line "provider block :198.51.100.53,203.0.113.53:"; check welcome.dns-servers $? "DNS servers not read"
has_line "fpos1 "; check welcome.vista-pair-chosen $? "no fpos1 line"
grep -qF "Windows Registry Editor Version 5.00" "$temp/winsok2.reg" 2>/dev/null
check welcome.reg-files-written $? "winsok2.reg missing"
click "${RUN_WELCOME[@]}"
sleep 0.25
shot stage-list
wait_line "step browsing net pass show final panel" 60; check run.success-panel $? "no success panel"
settle
shot success
[ "$(count_lines 'finish step completed: 5')" -eq 2 ]; check run.five-stages $? "stage count"
wait_line "Exiting thread" 10; check run.thread-ended $? "thread did not end"
has_line "IP settings network adapter step pass"; check run.network-settings-stage $? "stage 1 did not pass"
click "${CLOSE_WELCOME[@]}"
wait_gone; check close.program-ended $? "still running after Close"
has_line "close Plover tool"; check close.logged $? "no close line"
has_line "delete PloverRegKey... file"; check close.snapshot-removed $? "settings snapshot left behind"
[ ! -e "$temp/winsok2.reg" ] && [ ! -e "$temp/winsok.reg" ]
check close.reg-files-removed $? "reg files left behind"
keep_log product

# --- 2. a repair notice that works out --------------------------------------
echo "Scene: repair"
start "$scenes" repair
wait_window; settle
click "${RUN_WELCOME[@]}"
wait_line "scene repair notice shown" 30; check repair.notice $? "no repair notice"
settle
shot repair-notice
wait_line "scene repaired" 30; settle
shot back-to-stage-list
wait_line "step browsing net pass show final panel" 30; check repair.success $? "no success"
wait_line "Exiting thread" 10
click "${CLOSE_WELCOME[@]}"
wait_gone; check repair.closed $? "still running"
keep_log scene-repair

# --- 3. every final failure panel; the contact dialog from one of them -------
for scene in adapter nointernet router support browser; do
    echo "Scene: $scene"
    start "$scenes" "$scene"
    wait_window; settle
    click "${RUN_WELCOME[@]}"
    wait_line "finish step completed: 6" 40; check "$scene.failure-panel" $? "no failure panel"
    wait_line "Exiting thread" 10
    settle
    shot "failure-$scene"
    case $scene in
        router) has_line "fail message Your computer cannot reach your router"
                check router.message-logged $? "no router fail message" ;;
        support) has_line "fail message Harbourline Premium Support"
                 check support.message-logged $? "no support fail message"
                 click "${CONTACT_CANCEL[@]}"
                 dialog=
                 for _ in $(seq 50); do
                     dialog=$(xdotool search --onlyvisible --name '^Contact Information$' 2>/dev/null | head -1)
                     [ -n "$dialog" ] && break
                     sleep 0.1
                 done
                 [ -n "$dialog" ]; check support.contact-dialog $? "no contact dialog"
                 settle
                 shot contact-dialog
                 if [ -n "$dialog" ]; then
                     read -r dx dy < <(origin "$dialog" 232 149)
                     xdotool mousemove $((dx + 114)) $((dy + 130)) click 1
                     sleep 0.5
                     ! xdotool search --onlyvisible --name '^Contact Information$' >/dev/null 2>&1
                     check support.contact-dialog-closed $? "OK did not close it"
                 fi ;;
    esac
    click "${CLOSE_FAILURE[@]}"
    wait_gone; check "$scene.closed" $? "still running"
    keep_log "scene-$scene"
done

# --- 4. Cancel: back to the welcome screen, no second run before the first ends
echo "Scene: cancel"
start "$scenes" slow
wait_window; settle
click "${RUN_WELCOME[@]}"
wait_line "scene slow stage started" 20
click "${CONTACT_CANCEL[@]}"
settle
shot cancelled-run-still-ending
click "${RUN_WELCOME[@]}"
sleep 0.5
[ "$(count_lines 'start Plover tool')" -eq 1 ]; check cancel.no-second-run $? "a second run started"
wait_line "Exiting thread" 20; check cancel.thread-stopped $? "thread did not end"
has_line "finish step completed: 2"; [ $? -ne 0 ]; check cancel.no-later-stage $? "a later stage ran"
settle
click "${RUN_WELCOME[@]}"
wait_line "rerun Plover tool" 3 || wait_line "start Plover tool" 3
[ "$(count_lines 'start Plover tool')" -eq 2 ]; check cancel.run-again $? "Run Test stayed dead"
# Closing in the middle of a run ends the program without waiting for it.
wait_line "scene slow stage started" 10
close_box
wait_gone; check cancel.close-during-run $? "program waited for its run"
[ "$(count_lines 'scene slow stage ended')" -eq 1 ]; check cancel.run-not-waited-for $? "closing waited for the stage"
keep_log scene-cancel

# --- 5. the restart question: No, then Yes -------------------------------------
for answer in n y; do
    echo "Scene: restart ($answer)"
    start "$scenes" restart
    wait_window; settle
    click "${RUN_WELCOME[@]}"
    box=
    for _ in $(seq 200); do
        box=$(xdotool search --onlyvisible --name '^Warning$' 2>/dev/null | head -1)
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ]; check "restart-$answer.question" $? "no restart question"
    [ "$answer" = n ] && shot restart-question
    settle
    xdotool key "$answer"
    if [ "$answer" = n ]; then
        wait_line "finish step completed: 6" 20; check restart-n.failure-panel $? "no failure panel"
        ! has_line "PC restarted"; check restart-n.no-restart $? "restarted on No"
        click "${CLOSE_FAILURE[@]}"
        wait_gone; check restart-n.closed $? "still running"
    else
        wait_line "PC restarted" 20; check restart-y.restart-started $? "no restart"
        sleep 0.5
        ! main_window >/dev/null; check restart-y.window-hidden $? "window still shown"
        # Wine's shutdown does not end the program as Windows would.
        kill "$program_pid" 2>/dev/null
        /usr/lib/wine/wineserver64 -k 2>/dev/null
        wait "$program_pid" 2>/dev/null
    fi
    keep_log "scene-restart-$answer"
done

# --- 6. branded variants of the product ------------------------------------------
echo "Branded variants"
variants=$(dirname "$WINEPREFIX")/variants
mkdir -p "$variants"
python3 "$root/scripts/brand-exe.py" "$exe" --block "$root/app/resources/branding" \
    --omit provided_block --allow-incomplete -o "$variants/NoDnsServers.exe"
python3 "$root/scripts/brand-exe.py" "$exe" --block "$root/app/resources/branding" \
    --omit contact_support -o "$variants/NoSupportText.exe"
start "$variants/NoDnsServers.exe"
wait_gone; check no-dns.ends-at-once $? "kept running"
! main_window >/dev/null; check no-dns.no-window $? "showed a window"
has_line "read information" && has_line "provider name ::" && has_line "router message :"
check no-dns.log-lines $? "reader lines missing"
keep_log variant-no-dns
start "$variants/NoSupportText.exe"
wait_window; check no-support.starts $? "no window"
has_line "contact message ::"; check no-support.empty-text $? "support text not empty"
click "${CLOSE_WELCOME[@]}"
wait_gone; check no-support.closed $? "still running"
keep_log variant-no-support

# --- results -------------------------------------------------------------------
echo "Screenshots:"
printf '  %s\n' "${shots[@]}"
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    {
        echo "<testsuite name=\"lab-window\" tests=\"${#checks[@]}\" failures=\"$failures\">"
        for c in "${checks[@]}"; do
            IFS='|' read -r name status message <<<"$c"
            if [ "$status" = ok ]; then
                echo "  <testcase classname=\"lab.window\" name=\"$name\"/>"
            else
                echo "  <testcase classname=\"lab.window\" name=\"$name\"><failure message=\"$message\"/></testcase>"
            fi
        done
        echo "</testsuite>"
    } >"$PLOVER_RESULTS_DIR/lab-window.xml"
fi
echo "${#checks[@]} checks, $failures failed"
[ "$failures" -eq 0 ]
