#!/usr/bin/env bash
# The real PloverTool.exe (and the scene program for screens a healthy lab
# does not reach) under Wine on a virtual screen in a lab namespace: every
# screen clicked through, screenshotted and judged by the program's log.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset mingw-x86_64 >/dev/null
cmake --build build/mingw-x86_64 -j2 --target PloverTool PloverToolScenes
tests/lab/window-lab.sh build/lab-window
