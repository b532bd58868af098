# What this machine can do for the 32-bit build; sourced by the bootstrap,
# the i686 tier and the i686 smoke.
#
#   kernel_runs_32bit     true when the kernel itself runs a 32-bit x86
#                         program; otherwise MACHINE_REASON says why not
#   wine32_installed      true when Debian's 32-bit Wine (wine32:i386) is
#                         installed and its loader starts

# A complete i386 ELF program of 96 bytes: exit(42) through int 0x80. Made
# here because nothing that builds 32-bit Linux programs is installed.
machine_i386_probe='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'

MACHINE_REASON=

kernel_runs_32bit() {
    local entry
    # An emulator registered for 32-bit programs would answer the probe too,
    # many times slower than the test command can wait for.
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [ -f "$entry" ] || continue
        if grep -q '^enabled' "$entry" 2>/dev/null &&
            grep -q '^magic 7f454c46010101' "$entry" 2>/dev/null; then
            MACHINE_REASON="32-bit programs run only through the emulator registered as $(basename "$entry")"
            return 1
        fi
    done
    local probe status
    probe=$(mktemp /tmp/plover-i386-probe.XXXXXX) || return 1
    printf "$machine_i386_probe" >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ] && return 0
    MACHINE_REASON="this kernel runs no 32-bit program (a 32-bit probe gave status $status)"
    return 1
}

wine32_installed() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" ||
        { MACHINE_REASON="32-bit Wine (wine32:i386) is not installed"; return 1; }
    /usr/lib/wine/wine --version >/dev/null 2>&1 ||
        { MACHINE_REASON="32-bit Wine is installed but its loader does not start"; return 1; }
}
