#!/usr/bin/env bash
# The shipped 32-bit PloverTool.exe, started once under 32-bit Wine: its
# window shows, it logs its branding lines, and its Close button ends it.
# Where the kernel runs 32-bit programs, the test command's i686 tier runs
# it. Where it does not, 32-bit Wine runs through qemu-i386-static
# registered with binfmt_misc: slow (minutes), and therefore outside the test
# command. Where 32-bit Wine cannot be installed at all, it says why and
# exits with status 77 (skipped). Run as root:
#
#   scripts/smoke-i686.sh [--qemu] [OUTPUT_DIR]   (default build/smoke-i686)
#     --qemu   go through qemu even where the kernel runs 32-bit programs
#              itself, as a machine without 32-bit support would
#
# The program runs inside a network namespace of its own with only loopback
# in it. Everything the script set up (namespace, Xvfb, wineserver, the
# binfmt entry and mount) is removed however it ends; the Wine prefix under
# OUTPUT_DIR is kept, as its first boot takes several minutes.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
force_qemu=0
[ "${1:-}" = --qemu ] && { force_qemu=1; shift; }
out=$(realpath -m "${1:-$root/build/smoke-i686}")
exe=$root/build/mingw-i686/PloverTool.exe
qemu=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
entry=plover-i386

if [ "$(id -u)" -ne 0 ]; then
    echo "smoke-i686: run as root (binfmt_misc and network namespaces)" >&2
    exit 1
fi
if [ "${PLOVER_SMOKE_IN_NAMESPACE:-}" != 1 ]; then
    # --- outside: build, 32-bit programs, the namespace ------------------------
    # shellcheck source=lib/machine.sh
    source "$root/scripts/lib/machine.sh"
    if ! wine32_installed; then
        "$root/scripts/bootstrap.sh" --wine32 >/dev/null
        wine32_installed || {
            echo "smoke-i686: skipped: $MACHINE_REASON; $(grep '^32-bit Wine' "$root/build/bootstrap.txt")"
            exit 77
        }
    fi
    native32=0
    kernel_runs_32bit && native32=1
    set -e
    [ "$native32" = 1 ] && [ "$force_qemu" = 0 ] || [ -x "$qemu" ] || {
        export DEBIAN_FRONTEND=noninteractive
        apt-get install -y -q --no-install-recommends qemu-user-static >/dev/null
    }
    (cd "$root" && cmake --preset mingw-i686 >/dev/null &&
        cmake --build build/mingw-i686 -j2 --target PloverTool >/dev/null)
    set +e

    mounted=0 registered=0
    ns=plover-smoke-$$
    cleanup() {
        ip netns del "$ns" 2>/dev/null
        [ "$registered" = 1 ] && echo -1 >"$binfmt/$entry"
        [ "$mounted" = 1 ] && umount "$binfmt"
    }
    trap cleanup EXIT
    # A registered entry is asked before the kernel's own ELF loader.
    if [ "$force_qemu" = 1 ] || [ "$native32" = 0 ]; then
        if [ ! -e "$binfmt/register" ]; then
            mount -t binfmt_misc binfmt_misc "$binfmt" || exit 1
            mounted=1
        fi
        # 32-bit x86 ELF executables and shared objects; F opens the
        # interpreter now, so it works inside any mount namespace later.
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":$entry:M::$magic:$mask:$qemu:F" >"$binfmt/register" || exit 1
        registered=1
        echo "smoke-i686: 32-bit programs run through $qemu"
        /usr/lib/wine/wine --version >/dev/null 2>&1 || {
            echo "smoke-i686: 32-bit Wine does not start even through qemu" >&2
            exit 1
        }
    fi
    ip netns add "$ns" || exit 1
    ip -n "$ns" link set lo up
    mkdir -p "$out"
    PLOVER_SMOKE_IN_NAMESPACE=1 ip netns exec "$ns" timeout 3600 bash "$0" "$out"
    status=$?
    echo "smoke-i686: screenshots and log in $out"
    exit $status
fi

# --- inside the namespace: loopback only ----------------------------------------
wine=/usr/lib/wine/wine
export WINEPREFIX=$out/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The 64-bit server serves 32-bit programs too, without going through qemu.
export WINESERVER=/usr/lib/wine/wineserver64

passed=0 failed=0 cases=()
check() {  # check NAME STATUS MESSAGE
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
        echo "  ok    $1"
        cases+=("<testcase classname=\"lab.i686.smoke\" name=\"$1\"/>")
    else
        failed=$((failed + 1))
        echo "  FAIL  $1: $3"
        cases+=("<testcase classname=\"lab.i686.smoke\" name=\"$1\"><failure message=\"$3\"/></testcase>")
    fi
}
since() { echo "$(($(date +%s) - $1)) s"; }

for n in $(seq 70 99); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
program_pid=
finish() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    "$WINESERVER" -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap finish EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

start=$(date +%s)
if [ ! -f "$WINEPREFIX/.plover-smoke-ready" ]; then
    echo "smoke-i686: creating the 32-bit prefix (minutes under qemu)"
    rm -rf "$WINEPREFIX"
    timeout 1200 "$wine" wineboot -i >/dev/null 2>&1
    timeout 600 "$WINESERVER" -w
    [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.plover-smoke-ready"
    echo "smoke-i686: prefix ready after $(since "$start")"
fi
temp=$WINEPREFIX/drive_c/users/$(id -un)/Temp
log=$temp/PloverToollog
rm -f "$log" "$out"/*.png "$out"/PloverTool.log

wait_for() {  # wait_for SECONDS COMMAND...: true once COMMAND is, false after SECONDS
    local deadline=$(($(date +%s) + $1))
    shift
    while [ "$(date +%s)" -lt "$deadline" ]; do "$@" && return 0; sleep 0.5; done
    return 1
}
main_window() {  # the wizard's top-level X window (client 440 x 480)
    local id width
    for id in $(xdotool search --onlyvisible --classname '^plovertool\.exe$' 2>/dev/null); do
        width=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ {print $NF}')
        [ "${width:-0}" -ge 400 ] 2>/dev/null && { echo "$id"; return 0; }
    done
    return 1
}
has_line() { grep -aqF -- "$1" "$log" 2>/dev/null; }
gone() { ! kill -0 "$program_pid" 2>/dev/null; }
block_value() { tr -d '\r\n' <"$root/app/resources/branding/$1.txt"; }

start=$(date +%s)
"$wine" "$exe" >/dev/null 2>&1 &
program_pid=$!
wait_for 1500 main_window >/dev/null
check window-shown $? "no wizard window after $(since "$start")"
echo "  (window after $(since "$start"))"
wait_for 300 has_line "provider block :"
check branding-read $? "no branding lines in $log"
has_line "read information"
check read-information-line $? "no 'read information' line"
has_line "provider name :$(block_value provided_name):"
check provider-name-line $? "partner name not logged"
has_line "provider block :$(block_value provided_block):"
check provider-block-line $? "DNS servers not logged"
sleep 5
import -window root "$out/01-welcome.png" 2>/dev/null

# The Close button of the welcome screen, in client coordinates (127, 453).
if id=$(main_window); then
    info=$(xwininfo -id "$id")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/Width:/ {print $NF}' <<<"$info")
    height=$(awk '/Height:/ {print $NF}' <<<"$info")
    border=$(((width - 440) / 2))
    xdotool mousemove $((x + border + 127)) $((y + height - 480 - border + 453)) click 1
fi
closing=$(date +%s)
wait_for 600 gone
check closed-by-close-button $? "still running $(since "$closing") after Close"
echo "  (ended $(since "$closing") after Close)"
has_line "close Plover tool"
check close-line $? "no 'close Plover tool' line"
cp "$log" "$out/PloverTool.log" 2>/dev/null
echo "$passed passed, $failed failed"
if [ -n "${PLOVER_RESULTS_DIR:-}" ]; then
    printf '<testsuite name="i686-smoke" tests="%s" failures="%s">\n%s\n</testsuite>\n' \
        $((passed + failed)) "$failed" "$(printf '%s\n' "${cases[@]}")" >"$PLOVER_RESULTS_DIR/i686-smoke.xml"
fi
[ "$failed" -eq 0 ]
