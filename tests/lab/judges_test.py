#!/usr/bin/env python3
"""Tests of the lab's judges that are not obvious from reading them: whole
log lines in a log the lab could not follow, the repairs named from a log,
a scenario's verdict; and the fault matrix's table in the docs, which must
be the one the scenarios' descriptions make. Run by ctest in the native
build."""
import importlib.util
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

LIB = pathlib.Path(__file__).resolve().parent / "lib"
sys.path.insert(0, str(LIB))
spec = importlib.util.spec_from_file_location("report", LIB / "report.py")
report = importlib.util.module_from_spec(spec)
spec.loader.exec_module(report)
STAMP = "[12/9/2026 9:08:48 AM] "


def lines(*texts):
    return "".join(STAMP + text + "\r\n" for text in texts).encode("latin-1")


class WholeLines(unittest.TestCase):
    """expect_whole_lines, run in bash as a session runs it."""

    def verdict(self, log_bytes):
        with tempfile.TemporaryDirectory() as out:
            log = pathlib.Path(out) / "PloverToollog"
            log.write_bytes(log_bytes)
            subprocess.run(["bash", "-c", f'source "{LIB}/session.sh"; out={out} log={log}; '
                            "expect_whole_lines"], check=True, capture_output=True, timeout=30)
            return (pathlib.Path(out) / "checks.tsv").read_text().split("\t")[:2]

    def test_a_whole_log_passes_with_a_message_of_several_rows(self):
        self.assertEqual(self.verdict(lines("start plover tool ", "hardware check ")), ["log.whole-lines", "ok"])
        log = lines("contact message :Premium Support: by phone\r\nCall 1-800-555-0142:", "x")
        self.assertEqual(self.verdict(log)[1], "ok")

    def test_a_line_cut_short_fails(self):
        for log in (lines("start plover tool ") + (STAMP + "hardware ch").encode() + lines("IP settings"),
                    lines("fpos1 531786") + b"[12/9/20" + lines("finish step completed: 1"),
                    lines("start plover tool ") + (STAMP + "Exiting").encode(), b""):
            self.assertEqual(self.verdict(log)[1], "fail", log)


class Verdict(unittest.TestCase):
    def scenario(self, checks, results):
        with tempfile.TemporaryDirectory() as root:
            directory = pathlib.Path(root) / "isp-down"
            directory.mkdir()
            (directory / "checks.tsv").write_text("".join(f"{c}\n" for c in checks))
            description = "\t".join(["isp-down", "yes", "420", "T", "F", "no repair", "support", ""])
            done = subprocess.run([sys.executable, str(LIB / "report.py"), "scenario", str(directory),
                                   description, "x86_64", "12"], capture_output=True, text=True,
                                  env={**os.environ, "PLOVER_RESULTS_DIR": results})
            return done, json.loads((directory / "result.json").read_text())

    def test_a_failed_check_or_none_at_all_fails_the_scenario_and_reaches_junit(self):
        with tempfile.TemporaryDirectory() as results:
            done, result = self.scenario(["lab.isp-silent\tok\t", "log.isp-repair\tfail\tmissing: 'ISP check'"],
                                         results)
            self.assertEqual(done.returncode, 1)
            self.assertIn("FAILED log.isp-repair: missing: 'ISP check'", done.stdout)
            self.assertEqual((result["passed"], result["checks"]), (False, 3))
            junit = (pathlib.Path(results) / "lab-matrix-x86_64-isp-down.xml").read_text()
            self.assertIn('tests="3" failures="1"', junit)
            done, result = self.scenario([], results)
            self.assertEqual((done.returncode, result["passed"]), (1, False))

    def test_repairs_are_named_in_order_with_repeats_counted(self):
        entries = ["checking local connection step  ping gatewaw fail", "adapters count: 1",
                   "get gateway from registry ", "enabledhcp gateway found True", "adapters count: 1",
                   "gateway from registry 10.77.0.1", "get gateway from registry:  10.77.0.1"]
        self.assertEqual(report.repairs_tried(entries),
                         ["switched to DHCP (x2)", "gateway from the registry pinged"])


class DocsTable(unittest.TestCase):
    def test_the_docs_table_is_made_from_the_scenarios_descriptions(self):
        made = subprocess.run(["bash", str(LIB.parent / "matrix.sh"), "build", "--table"], check=True,
                              capture_output=True, text=True, timeout=120).stdout
        doc = (LIB.parents[2] / "docs" / "fault-matrix.md").read_text()
        kept = doc.split("<!-- the table: tests/lab/matrix.sh build --table -->\n")[1]
        self.assertEqual(kept.split("<!-- end of the table -->")[0], made,
                         "put the output of tests/lab/matrix.sh build --table into docs/fault-matrix.md")


if __name__ == "__main__":
    unittest.main()
