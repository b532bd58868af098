#!/usr/bin/env bash
# The shipped 32-bit PloverTool.exe under 32-bit Wine: the fault matrix's
# start-and-close scenario on the i686 build, in a lab of its own. Where the
# kernel runs 32-bit programs, the test command's i686 tier runs it; where it
# does not, 32-bit Wine runs through qemu-i386-static registered with
# binfmt_misc, many times slower (the lab's waits stretched to match), so
# outside the test command. Without 32-bit Wine it exits 77 (skipped).
#
#   scripts/smoke-i686.sh [--qemu] [OUTPUT_DIR]   (default build/smoke-i686)
#     --qemu   go through qemu even where the kernel runs 32-bit programs
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
force_qemu=0
case "${1:-}" in
    --qemu) force_qemu=1; shift ;;
    -h|--help) sed -n '9,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) echo "smoke-i686: unknown option $1 (--help)" >&2; exit 2 ;;
esac
out=$(realpath -m "${1:-build/smoke-i686}")
qemu=/usr/bin/qemu-i386-static binfmt=/proc/sys/fs/binfmt_misc entry=plover-i386
[ "$(id -u)" -eq 0 ] || { echo "smoke-i686: run as root (binfmt_misc and network namespaces)" >&2; exit 1; }
# shellcheck source=lib/machine.sh
source scripts/lib/machine.sh
if ! wine32_installed; then
    scripts/bootstrap.sh --wine32 >/dev/null
    wine32_installed || {
        echo "smoke-i686: skipped: $MACHINE_REASON; $(grep '^32-bit Wine' build/bootstrap.txt)"
        exit 77
    }
fi
emulated=$force_qemu
kernel_runs_32bit || emulated=1
[ "$emulated" = 0 ] || [ -x "$qemu" ] || scripts/bootstrap.sh qemu-user-static >/dev/null || exit 1
# shellcheck source=lib/build.sh
source scripts/lib/build.sh
{ build mingw-i686 PloverTool && build mingw-x86_64 PloverToolScenes lab_standins; } >/dev/null || exit 1

mounted=0 registered=0
cleanup() {
    [ "$registered" = 1 ] && echo -1 >"$binfmt/$entry"
    [ "$mounted" = 1 ] && umount "$binfmt"
}
trap cleanup EXIT
if [ "$emulated" = 1 ]; then
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" || exit 1
        mounted=1
    fi
    # 32-bit x86 ELF executables and shared objects, asked before the
    # kernel's own loader; F opens the interpreter now, so it works inside
    # any mount namespace later.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$entry:M::$magic:$mask:$qemu:F" >"$binfmt/register" || exit 1
    registered=1
    /usr/lib/wine/wine --version >/dev/null 2>&1 ||
        { echo "smoke-i686: 32-bit Wine does not start even through qemu" >&2; exit 1; }
    echo "smoke-i686: 32-bit programs run through $qemu"
    export LAB_SLOW=30
fi
bash tests/lab/matrix.sh "$out" --build i686 start-and-close
status=$?
echo "smoke-i686: screenshots and log in $out/start-and-close"
exit $status
