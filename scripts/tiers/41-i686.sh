#!/usr/bin/env bash
# The shipped 32-bit PloverTool.exe, where this machine can run it at full
# speed (a kernel that runs 32-bit programs, and 32-bit Wine installed; see
# docs/wine-builds.md): the smoke (the start-up scenario: window, branding
# lines, Close), then the fault matrix's healthy network and its proxy
# repair, all on the i686 exe, beside the x86_64 twin's results of the lab
# tier. Elsewhere these checks are skipped, and the closing summary says so
# once, with the reason.
set -uo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/machine.sh
source scripts/lib/machine.sh

skip() {
    mkdir -p "$PLOVER_RESULTS_DIR/skipped"
    echo "$1" >"$PLOVER_RESULTS_DIR/skipped/i686-build.txt"
    echo "i686 build: skipped, $1"
    exit 0
}
kernel_runs_32bit || skip "$MACHINE_REASON"
if ! wine32_installed; then
    why=$(grep '^32-bit Wine' build/bootstrap.txt 2>/dev/null)
    skip "$MACHINE_REASON${why:+ ($why)}"
fi

status=0
scripts/smoke-i686.sh build/smoke-i686 || status=1
bash tests/lab/matrix.sh build/lab-matrix-i686 --build i686 healthy proxy-on || status=1
exit $status
