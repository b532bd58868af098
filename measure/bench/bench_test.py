#!/usr/bin/env python3
"""Tests of the benchmark's arithmetic where it is not obvious: the timing of
a lab run from its stamped log and clicks, part by part against the pauses
the path mandates. Run by ctest in the native build."""
import importlib.util
import os
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("bench_figures", os.path.join(HERE, "bench-figures.py"))
figures = importlib.util.module_from_spec(spec)
spec.loader.exec_module(figures)

MS = 1_000_000


class TimedRun(unittest.TestCase):
    def figures_of(self, stamped, clicks):
        with tempfile.TemporaryDirectory() as folder:
            stamps_path = os.path.join(folder, "stamps.tsv")
            clicks_path = os.path.join(folder, "clicks.txt")
            with open(stamps_path, "w") as f:
                f.writelines(f"{stamp}\t{text}\n" for stamp, text in stamped)
            with open(clicks_path, "w") as f:
                f.writelines(f"{stamp} mousemove 315 453 click 1\n" for stamp in clicks)
            return dict(word.split("=", 1) for word in figures.run_figures(stamps_path, clicks_path).split())

    def test_the_last_whole_run_lasts_from_its_click_to_its_exiting_thread(self):
        # An earlier run in the same prefix (the reference screens' scene
        # program), then the scenario's own: its click, its start, its end.
        result = self.figures_of(
            [(100 * MS, "read information "), (1013 * MS, "start plover tool "),
             (14_000 * MS, "Exiting thread "), (14_001 * MS, "#memory rss_kib=1 anonymous_kib=1"),
             (20_000 * MS, "start plover tool "), (33_000 * MS, "Exiting thread "),
             (33_001 * MS, "#memory rss_kib=30000 anonymous_kib=9000"), (40_000 * MS, "start plover tool ")],
            [50 * MS, 1000 * MS, 19_987 * MS, 39_990 * MS])
        self.assertEqual(result["wall_ms"], "13013.0")
        self.assertEqual(result["click_to_handler_ms"], "13.0")
        self.assertEqual(result["rss_kib"], "30000")

    def test_each_part_of_a_run_is_charged_only_what_exceeds_its_pauses(self):
        run = [(1010 * MS, "start plover tool "), (1400 * MS, "start Plover tool "),
               (3500 * MS, "synchronize step "), (3600 * MS, "Exiting thread ")]
        with tempfile.TemporaryDirectory() as folder:
            stamps, clicks, pauses = (os.path.join(folder, name) for name in ("s", "c", "p"))
            with open(stamps, "w") as f:
                f.writelines(f"{stamp}\t{text}\n" for stamp, text in run)
            with open(clicks, "w") as f:
                f.write(f"{1000 * MS} mousemove 315 453 click 1\n")
            with open(pauses, "w") as f:
                f.writelines(f"{i}\t{ms}\t{text}\n"
                             for i, (ms, (_, text)) in enumerate(zip([0, 300, 2300, 2300], run)))
            result = figures.run_figures(stamps, clicks, pauses)
            self.assertIn("overhead_ms=100,100,100", result)
            # Another path's pauses are not laid beside this run.
            with open(pauses, "a") as f:
                f.write("4\t2000\tclose Plover tool \n")
            self.assertIn("overhead_ms=none", figures.run_figures(stamps, clicks, pauses))

    def test_a_run_that_never_ends_is_no_figure(self):
        with tempfile.TemporaryDirectory() as folder:
            stamps = os.path.join(folder, "stamps.tsv")
            with open(stamps, "w") as f:
                f.write(f"{5 * MS}\tstart plover tool \n")
            self.assertEqual(figures.run_figures(stamps, os.path.join(folder, "none")),
                             "error=no-whole-run")


if __name__ == "__main__":
    unittest.main()
