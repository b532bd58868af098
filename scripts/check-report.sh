#!/usr/bin/env bash
# Opens the fault matrix's report page in a real browser (Debian's headless
# Chromium, installed on demand) and checks what it shows: one row per
# scenario, every final screenshot loaded. Keeps the browser's screenshot of
# the page. The browser runs in a network namespace with only loopback and
# is given a file:// page only.
#
#   scripts/check-report.sh INDEX.html SCREENSHOT.png
set -euo pipefail
page=$(realpath "$1")
screenshot=$(realpath -m "$2")
# shellcheck source=../tests/lab/lib/network.sh
source "$(dirname "$0")/../tests/lab/lib/network.sh"
"$(dirname "$0")/bootstrap.sh" chromium >/dev/null

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
browser() {
    lab_alone browser timeout 120 chromium --headless --no-sandbox --disable-gpu \
        --disable-quic --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$profile" "$@" 2>/dev/null
}
# The page as the browser parsed it, and as it drew it.
browser --virtual-time-budget=5000 --dump-dom "file://$page" >"$profile/dom.html"
browser --window-size=1400,2400 --screenshot="$screenshot" "file://$page" >/dev/null
python3 - "$page" "$screenshot" "$profile/dom.html" <<'PY'
import pathlib, re, sys, subprocess
page, shot = pathlib.Path(sys.argv[1]), sys.argv[2]
dom = pathlib.Path(sys.argv[3]).read_text()
rows = re.findall(r"<tr class=\"(pass|fail)\">", dom)
source = page.read_text()
expected = len(re.findall(r"<tr class='(?:pass|fail)'>", source))
images = re.findall(r"<img src=\"([^\"]+)\"", dom)
missing = [i for i in images if not (page.parent / i).is_file()]
problems = []
if not rows or len(rows) != expected:
    problems.append(f"the browser shows {len(rows)} rows, the page has {expected}")
if missing:
    problems.append("images that do not load: " + ", ".join(missing))
colours = subprocess.run(["convert", shot, "-format", "%k", "info:"], capture_output=True,
                         text=True).stdout.strip()
if not colours.isdigit() or int(colours) < 50:
    problems.append(f"the browser's screenshot is blank ({colours} colours)")
for p in problems:
    print("check-report: " + p)
print(f"check-report: {len(rows)} rows, {len(images)} images, screenshot {shot}")
sys.exit(1 if problems else 0)
PY
