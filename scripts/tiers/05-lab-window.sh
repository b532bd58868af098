#!/usr/bin/env bash
# The real PloverTool.exe under Wine on a virtual screen in lab namespaces:
# the fault matrix's CI scenarios (tests/lab/scenarios: each fault
# injected, the program clicked through, its panel, log and machine state
# judged), among them its start-up, a close in mid-run and the branded
# variants. The other scenarios run from `scripts/demo.sh all`. Four lanes
# side by side on two cores: the scenarios spend most of their time in the
# pauses the program prescribes (three lanes kept the two cores a third busy).
set -uo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 PloverTool PloverToolScenes lab_standins || exit 1
MATRIX_LANES=4 bash tests/lab/matrix.sh build/lab-matrix ci
