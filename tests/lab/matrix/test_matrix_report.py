#!/usr/bin/env python3
"""Tests of the fault matrix's report: a scenario's verdict and the page.

Run: python3 -m unittest discover -s tests/lab/matrix -p 'test_*.py'
"""
import importlib.util
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
SCRIPT = HERE / "matrix-report.py"
spec = importlib.util.spec_from_file_location("matrix_report", SCRIPT)
report = importlib.util.module_from_spec(spec)
spec.loader.exec_module(report)


def scenario_dir(root, name, checks, log, panel="success"):
    directory = pathlib.Path(root) / name
    (directory / "state").mkdir(parents=True)
    (directory / "checks.tsv").write_text("".join(f"{c}\n" for c in checks))
    (directory / "panel").write_text(panel + "\n")
    (directory / "PloverToollog").write_bytes(
        "".join(f"[1/1/2026 1:00:00 AM] {line}\r\n" for line in log).encode("latin-1"))
    shot = directory / "04-final.png"
    shot.write_bytes(b"png")
    (directory / "screenshots.txt").write_text(f"{directory / '01-welcome.png'}\n{shot}\n")
    (directory / "state" / "resume-marker.txt").write_text("absent\n")
    return directory


def run_scenario(directory, name, environment=None):
    return subprocess.run(
        [sys.executable, str(SCRIPT), "scenario", str(directory), "--name", name, "--title", "T",
         "--fault", "F", "--expect", "E", "--ci", "yes", "--seconds", "12"],
        capture_output=True, text=True, env={**clean_environment(), **(environment or {})})


def clean_environment():
    # The scenarios made up here must not land among the test command's results.
    return {k: v for k, v in os.environ.items() if k != "PLOVER_RESULTS_DIR"}


class ScenarioVerdict(unittest.TestCase):
    def test_failed_checks_fail_the_scenario_and_reach_junit(self):
        with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as results:
            directory = scenario_dir(root, "isp-down", [
                "panel.support\tok\t", "log.isp-repair\tfail\tmissing: 'ISP check'"], [])
            (directory / "lab-checks.tsv").write_text("lab.isp-silent\tok\t\n")
            done = run_scenario(directory, "isp-down", {"PLOVER_RESULTS_DIR": results})
            self.assertEqual(done.returncode, 1)
            self.assertIn("FAILED log.isp-repair: missing: 'ISP check'", done.stdout)
            result = json.loads((directory / "result.json").read_text())
            self.assertFalse(result["passed"])
            self.assertEqual(result["checks"], 3)
            junit = (pathlib.Path(results) / "lab-matrix-x86_64-isp-down.xml").read_text()
            self.assertIn('tests="3" failures="1"', junit)
            self.assertIn('name="lab.isp-silent"', junit)

    def test_a_session_without_checks_is_no_pass(self):
        with tempfile.TemporaryDirectory() as root:
            directory = scenario_dir(root, "healthy", [], [])
            self.assertEqual(run_scenario(directory, "healthy").returncode, 1)
            self.assertFalse(json.loads((directory / "result.json").read_text())["passed"])

    def test_repairs_are_named_in_order_with_repeats_counted(self):
        entries = ["checking local connection step  ping gatewaw fail", "adapters count: 1",
                   "get gateway from registry ",
                   "enabledhcp gateway found True", "adapters count: 1",
                   "gateway from registry 10.77.0.1", "get gateway from registry:  10.77.0.1"]
        self.assertEqual(report.repairs_tried(entries),
                         ["switched to DHCP (x2)", "gateway from the registry pinged"])

    def test_the_final_screen_is_the_final_shot_not_the_last_one(self):
        with tempfile.TemporaryDirectory() as root:
            directory = scenario_dir(root, "isp-down", ["panel.support\tok\t"], [])
            final = directory / "04-final.png"
            (directory / "screenshots.txt").write_text(f"{final}\n{directory / '05-contact-dialog.png'}\n")
            run_scenario(directory, "isp-down")
            result = json.loads((directory / "result.json").read_text())
            self.assertEqual(result["final_screenshot"], str(final))


class ReportPage(unittest.TestCase):
    def test_one_row_per_scenario_and_a_row_for_one_that_did_not_run(self):
        with tempfile.TemporaryDirectory() as root:
            passed = scenario_dir(root, "proxy-on", ["panel.success\tok\t"],
                                  ["checking Browser settings - fail try to repair"])
            run_scenario(passed, "proxy-on")
            done = subprocess.run([sys.executable, str(SCRIPT), "page", root, "proxy-on", "cancel"],
                                  capture_output=True, text=True, env=clean_environment())
            self.assertEqual(done.returncode, 0, done.stderr)
            page = (pathlib.Path(root) / "index.html").read_text()
            self.assertEqual(page.count("<tr class='pass'>"), 1)
            self.assertIn("<td>cancel</td><td colspan='6'>did not run</td>", page)
            self.assertIn("<li>proxy switched off</li>", page)
            # Links are relative, so the page works wherever the folder goes.
            self.assertIn("src='proxy-on/04-final.png'", page)
            self.assertIn("Every screen above comes from the real program", page)


def main():
    """Runs the tests; with PLOVER_RESULTS_DIR set, also writes their JUnit file."""
    import xml.etree.ElementTree as ET

    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])

    def cases(tests):
        for test in tests:
            yield from cases(test) if isinstance(test, unittest.TestSuite) else [test]

    # The runner lets go of each test it has run: take the names first.
    names = [case.id() for case in cases(suite)]
    outcome = unittest.TextTestRunner(verbosity=1).run(suite)
    results = os.environ.get("PLOVER_RESULTS_DIR")
    if results:
        broken = {test.id(): text for test, text in outcome.failures + outcome.errors}
        xml = ET.Element("testsuite", name="lab-matrix-report", tests=str(len(names)),
                         failures=str(len(broken)))
        for name in names:
            element = ET.SubElement(xml, "testcase", classname="lab.matrix.report",
                                    name=name.split(".", 1)[1])
            if name in broken:
                ET.SubElement(element, "failure", message=broken[name][-300:])
        ET.ElementTree(xml).write(pathlib.Path(results) / "lab-matrix-report.xml")
    sys.exit(0 if outcome.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
