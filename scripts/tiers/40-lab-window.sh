#!/usr/bin/env bash
# The real PloverTool.exe under Wine on a virtual screen in lab namespaces:
# the fault matrix's CI scenarios (tests/lab/matrix: each fault injected,
# the program clicked through, its panel, log and machine state judged),
# then the window session for start-up, a close in mid-run and the branded
# variants. The other scenarios run from `scripts/demo.sh all`.
set -uo pipefail
cd "$(dirname "$0")/../.."
cmake --preset mingw-x86_64 >/dev/null || exit 1
cmake --build build/mingw-x86_64 -j2 --target PloverTool PloverToolScenes lab_standins || exit 1
status=0
python3 tests/lab/matrix/test_matrix_report.py || status=1
python3 tests/lab/matrix/test_log_judges.py || status=1
# Two lanes side by side: the scenarios spend most of their time in the
# pauses the program prescribes.
MATRIX_LANES=2 bash tests/lab/matrix/matrix.sh build/lab-matrix ci || status=1
tests/lab/window-lab.sh build/lab-window || status=1
exit $status
