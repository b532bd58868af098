#!/usr/bin/env python3
"""The hostile-DNS scenarios of the fault matrix in one table: the kind of
bad reply, the panel the program reached, the repairs it tried, the verdict
and the wall time, from each scenario's result.json.

Usage: dns-matrix-table.py ROOT NAME...
"""
import json
import pathlib
import sys


def rows(root, names):
    yield ("class", "panel reached", "repairs", "pass/fail", "wall time")
    for name in names:
        path = root / name / "result.json"
        kind = name[len("dns-"):] if name.startswith("dns-") else name
        if not path.exists():
            yield (kind, "not run", "-", "FAIL", "-")
            continue
        result = json.loads(path.read_text())
        yield (kind, result["panel_text"], ", ".join(result["repairs"]) or "no repair",
               "pass" if result["passed"] else "FAIL", f"{result['seconds']} s")


def main():
    lines = list(rows(pathlib.Path(sys.argv[1]), sys.argv[2:]))
    widths = [max(len(line[i]) for line in lines) for i in range(5)]
    for n, line in enumerate(lines):
        print("| " + " | ".join(cell.ljust(widths[i]) for i, cell in enumerate(line)) + " |")
        if n == 0:
            print("|" + "|".join("-" * (w + 2) for w in widths) + "|")


if __name__ == "__main__":
    main()
