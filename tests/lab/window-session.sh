#!/usr/bin/env bash
# The wizard's window under Wine, on a virtual screen, inside a lab namespace
# made by window-lab.sh (never run it elsewhere): what the fault matrix
# (tests/lab/matrix) does not cover, all with the real PloverTool.exe: its
# start-up (branding read, registry exports written and removed at close), a
# close in the middle of a run, and its branded variants. Each screen goes to
# OUT/NN-name.png.
#
#   window-session.sh ROOT OUT
set -uo pipefail
root=$1 out=$2
build=$root/build/mingw-x86_64
exe=$build/PloverTool.exe
export WINEPREFIX=$root/build/lab/wineprefix
# shellcheck source=window-driver.sh
source "$root/tests/lab/window-driver.sh"

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

trap 'wine_stop; screen_stop' EXIT
screen_start || { echo "window-session: no virtual screen" >&2; exit 1; }

# --- the prefix: every program in one 800 x 600 Wine desktop ----------------
mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/.plover-lab-ready" ]; then
    timeout 300 "$driver_wine" wineboot -i >/dev/null 2>&1
    "$driver_wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d plover /f >/dev/null 2>&1
    "$driver_wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v plover /d 800x600 /f >/dev/null 2>&1
    # A Windows machine whose browser uses no proxy.
    "$driver_wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
        /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Ending the session at once: waiting for Wine's services to go idle
    # takes minutes.
    wine_stop
    touch "$WINEPREFIX/.plover-lab-ready"
fi
# Debian's Wine finds the window-caption glyph font only in the prefix.
[ -f /usr/share/wine/fonts/marlett.ttf ] &&
    cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
temp=$(temp_folder)
log=$temp/PloverToollog
start() { rm -f "$log"; start_program "$@"; }
keep_log() { cp "$log" "$out/$1.log" 2>/dev/null || true; }
rm -f "$out"/*.png "$out"/*.log

# --- 1. the product's start-up and close ---------------------------------------
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
close_box
wait_gone; check close.program-ended $? "still running after the close box"
has_line "close Plover tool"; check close.logged $? "no close line"
[ ! -e "$temp/winsok2.reg" ] && [ ! -e "$temp/winsok.reg" ]
check close.reg-files-removed $? "reg files left behind"
keep_log product

# --- 2. closing in the middle of a run ends the program without waiting ----------
echo "PloverTool.exe: close during a run"
start "$exe"
wait_window; settle
click "${RUN_WELCOME[@]}"
# Stage 2 pings and pauses for seconds; the close comes while it runs.
wait_line "start checking local connection step" 60
check close-during-run.stage-two-reached $? "the run never reached stage 2"
close_box
wait_gone; check close-during-run.program-ended $? "the program waited for its run"
! has_line "Exiting thread"; check close-during-run.run-not-waited-for $? "closing waited for the run"
has_line "close Plover tool"; check close-during-run.logged $? "no close line"
keep_log close-during-run

# --- 3. branded variants of the product ------------------------------------------
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
