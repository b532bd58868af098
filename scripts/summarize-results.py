#!/usr/bin/env python3
"""Adds up the JUnit/GoogleTest XML results of every tier into one line.

Usage: summarize-results.py RESULTS_DIR [--setup FILE] [FAILED_TIER ...]
Before the totals it prints what the set-up met (FILE, one note a line, as
scripts/bootstrap.sh writes it) and every group of checks this machine
skipped, once each with its reason (RESULTS_DIR/skipped/*.txt: the first line
is the reason, the file name the group). Exits non-zero when a test failed, a
tier failed or no test ran.
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
    args = sys.argv[1:]
    results = pathlib.Path(args.pop(0))
    setup = None
    if args[:1] == ["--setup"]:
        setup = pathlib.Path(args[1])
        args = args[2:]
    failed_tiers = args
    if setup and setup.is_file():
        for note in setup.read_text().splitlines():
            print(f"  set-up: {note}")
    total = [0, 0, 0]
    for path in sorted(results.glob("*.xml")):
        p, f, s = counts(path)
        print(f"  {path.stem}: {p} passed, {f} failed, {s} skipped")
        total = [total[0] + p, total[1] + f, total[2] + s]
    for path in sorted((results / "skipped").glob("*.txt")):
        reason = path.read_text().splitlines()[0] if path.read_text().strip() else "no reason given"
        print(f"  {path.stem}: skipped, {reason}")
    for tier in failed_tiers:
        print(f"  tier {tier} FAILED")
    print(f"{total[0]} passed, {total[1]} failed, {total[2]} skipped")
    if total[1] or failed_tiers or total[0] == 0:
        sys.exit(1)


if __name__ == "__main__":
    main()
