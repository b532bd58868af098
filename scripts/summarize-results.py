#!/usr/bin/env python3
"""Adds up the JUnit/GoogleTest XML results of every tier into one line.

Usage: summarize-results.py RESULTS_DIR [FAILED_TIER ...]
Exits non-zero when a test failed, a tier failed or no test ran.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET


def counts(path):
    root = ET.parse(path).getroot()
    suites = [root] if root.tag == "testsuite" else root.findall("testsuite")
    passed = failed = skipped = 0
    for suite in suites:
        for case in suite.iter("testcase"):
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
            elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
                skipped += 1
            else:
                passed += 1
    return passed, failed, skipped


def main():
    results = pathlib.Path(sys.argv[1])
    failed_tiers = sys.argv[2:]
    total = [0, 0, 0]
    for path in sorted(results.glob("*.xml")):
        p, f, s = counts(path)
        print(f"  {path.stem}: {p} passed, {f} failed, {s} skipped")
        total = [total[0] + p, total[1] + f, total[2] + s]
    for tier in failed_tiers:
        print(f"  tier {tier} FAILED")
    print(f"{total[0]} passed, {total[1]} failed, {total[2]} skipped")
    if total[1] or failed_tiers or total[0] == 0:
        sys.exit(1)


if __name__ == "__main__":
    main()
