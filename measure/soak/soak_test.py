#!/usr/bin/env python3
"""Tests of the soak's judgement (soak-figures.py) where it is not obvious:
the noise rule for memory and handles, Wine's own handle leaks, the log cut,
and following a run in a log that is cut under it. Run by ctest in the
native build."""
import os
import runpy
import subprocess
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
figures = types.SimpleNamespace(**runpy.run_path(os.path.join(HERE, "soak-figures.py")))

HEADER = ("run,fault,expected,panel,seconds,working_set_kib,rss_kib,anonymous_kib,handles,fds,"
          "threads,linux_threads,log_bytes,longest_line")


def recorded(runs=12, working_set=lambda run: 30_000 + (run % 3) * 100, handles=lambda run: 140,
             threads=lambda run: 3, log=lambda run: 299_000 - 150_000 * (run >= 1) + 3_000 * run,
             panel=lambda run, expected: expected):
    """Rows as the session writes them; each figure a function of the run."""
    lines = [HEADER]
    for run in range(runs + 1):
        fault = "idle" if run == 0 else ("isp-down" if run == 3 else "healthy")
        expected = "welcome" if run == 0 else ("support" if fault == "isp-down" else "success")
        lines.append(",".join(str(v) for v in (
            run, fault, expected, panel(run, expected), 14, working_set(run), working_set(run) + 2000,
            working_set(run) // 3, handles(run), 40, threads(run), threads(run) + 1, log(run), 120)))
    with tempfile.NamedTemporaryFile("w", suffix=".csv", delete=False) as f:
        f.write("\n".join(lines) + "\n")
    try:
        return figures.read_rows(f.name)
    finally:
        os.unlink(f.name)


def verdict(rows, rule):
    return next((ok, text) for name, ok, text in figures.judge(rows) if name == rule)


class NoiseRule(unittest.TestCase):
    def test_memory_that_wanders_within_the_spread_of_runs_5_to_10_passes(self):
        rows = recorded(runs=50)
        ok, text = verdict(rows, figures.LABELS["working_set_kib"])
        self.assertTrue(ok, text)
        self.assertIn("noise 256", text)  # spread 200 is below the floor

    def test_a_leak_of_a_few_kib_a_run_fails_after_fifty_runs(self):
        rows = recorded(runs=50, working_set=lambda run: 30_000 + 20 * run)
        ok, text = verdict(rows, figures.LABELS["working_set_kib"])
        self.assertFalse(ok, text)
        self.assertIn("+900", text)

    def test_a_noisy_window_widens_the_noise_and_shrinking_memory_passes(self):
        noisy = recorded(runs=50, working_set=lambda run: 30_000 + (2_000 if run == 7 else 0) + 30 * (run > 10))
        self.assertTrue(verdict(noisy, figures.LABELS["working_set_kib"])[0])
        shrinking = recorded(runs=50, working_set=lambda run: 40_000 - 100 * run)
        self.assertTrue(verdict(shrinking, figures.LABELS["working_set_kib"])[0])

    def test_one_handle_more_per_run_fails_and_without_wine_counts_the_descriptors_judge(self):
        rows = recorded(runs=20, handles=lambda run: 140 + run)
        self.assertFalse(verdict(rows, figures.LABELS["handles"])[0])
        unknown = recorded(runs=20, handles=lambda run: "unknown")
        self.assertEqual(figures.handle_figure(unknown), "fds")
        ok, text = verdict(unknown, figures.LABELS["fds"])
        self.assertTrue(ok, text)
        self.assertIn("Linux descriptors stand in", text)

    def test_a_soak_too_short_for_its_baseline_fails_rather_than_passes(self):
        rows = recorded(runs=4)
        ok, text = verdict(rows, figures.LABELS["working_set_kib"])
        self.assertFalse(ok)
        self.assertEqual(text, "no samples")
        self.assertFalse(verdict(rows, "expected panels")[0])


class LogCut(unittest.TestCase):
    def test_the_cut_shows_as_a_sample_smaller_than_the_one_before(self):
        cuts, over = figures.log_cuts(recorded())
        self.assertEqual(cuts, [1])
        self.assertEqual(over, [])

    def test_a_log_that_only_grows_fails_and_one_past_the_limit_plus_a_line_fails(self):
        growing = recorded(log=lambda run: 100_000 + 3_000 * run)
        self.assertFalse(verdict(growing, "log cut and bounded")[0])
        # 300,000 bytes and the crossing line (120) are allowed, one byte more is not.
        over = recorded(log=lambda run: {0: 299_000, 1: 150_000, 2: 300_120, 3: 300_121}.get(run, 300_121))
        self.assertEqual(figures.log_cuts(over)[1][:1], [3])
        self.assertFalse(verdict(over, "log cut and bounded")[0])


WINE_KEY = next(iter(figures.WINE_LEAKS))


def judged_with_kinds(kinds_of_run, runs=20):
    """The verdict on handles when each run's kinds are KINDS_OF_RUN(run)
    and the total is their sum, as the session records them."""
    with tempfile.TemporaryDirectory() as out:
        for run in range(runs + 1):
            with open(os.path.join(out, f"handle-types-{run:02d}.txt"), "w") as f:
                f.writelines(f"{kind} {count}\n" for kind, count in kinds_of_run(run).items())
        rows = recorded(runs=runs, handles=lambda run: sum(kinds_of_run(run).values()))
        rows = figures.add_handle_kinds(rows, out)
        return verdict(rows, figures.LABELS["own_handles"])


class HandleKinds(unittest.TestCase):
    def test_what_wine_leaks_by_itself_is_shown_apart_and_not_judged(self):
        ok, text = judged_with_kinds(lambda run: {"File 4": 4, "Key \\REGISTRY\\Machine": 30,
                                                  WINE_KEY: 6 * (run // 10) + (run % 10 >= 6) * 6})
        self.assertTrue(ok, text)
        self.assertIn("Wine leaked +", text)

    def test_a_key_the_program_leaks_counts_whatever_else_wine_leaks(self):
        ok, text = judged_with_kinds(lambda run: {"Key \\REGISTRY\\Machine\\System": 30 + run,
                                                  WINE_KEY: 2 * run})
        self.assertFalse(ok, text)
        self.assertIn("+15", text)

    def test_a_key_path_with_blanks_is_one_kind(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "kinds")
            with open(path, "w") as f:
                f.write("Key \\REGISTRY\\Machine\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones 1\n"
                        "(no type) 2\n")
            self.assertEqual(figures.handle_kinds(path), {
                "Key \\REGISTRY\\Machine\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones": 1,
                "(no type)": 2})

    def test_without_kinds_the_whole_count_is_judged(self):
        rows = figures.add_handle_kinds(recorded(runs=12, handles=lambda run: 140 + 3 * run), "/nonexistent")
        self.assertEqual(figures.handle_figure(rows), "handles")
        self.assertFalse(verdict(rows, figures.LABELS["handles"])[0])


def soak_log(function, *args):
    """A function of soak.sh run by bash; its output."""
    script = f'source "{os.path.join(HERE, "soak.sh")}"; {function} "$@"'
    return subprocess.run(["bash", "-c", script, "soak-log", *args], check=True, capture_output=True,
                          text=True, timeout=60).stdout


class FollowedLog(unittest.TestCase):
    def run_lines(self, stamp, ended=True):
        lines = [f"[{stamp}]  ", f"[{stamp}] start plover tool ", f"[{stamp}] Starting thread "]
        return lines + ([f"[{stamp}] Exiting thread "] if ended else [])

    def latest(self, lines):
        with tempfile.NamedTemporaryFile("wb", delete=False) as f:
            f.write("".join(line + "\r\n" for line in lines).encode())
        try:
            return soak_log("latest_run", f.name)
        finally:
            os.unlink(f.name)

    def test_a_run_is_ended_only_by_an_exiting_thread_after_its_own_start(self):
        first = self.run_lines("12/9/2026 9:00:01 AM")
        self.assertEqual(self.latest(first), "1 [12/9/2026 9:00:01 AM] start plover tool \n")
        second = first + self.run_lines("12/9/2026 9:00:20 AM", ended=False)
        self.assertEqual(self.latest(second), "0 [12/9/2026 9:00:20 AM] start plover tool \n")

    def test_a_cut_that_took_the_older_runs_leaves_the_latest_one_found(self):
        # The older half gone, the latest run's start and end kept.
        kept = self.run_lines("12/9/2026 9:00:20 AM")[1:] + ["[12/9/2026 9:00:40 AM] start plover tool "]
        self.assertEqual(self.latest(kept), "0 [12/9/2026 9:00:40 AM] start plover tool \n")
        self.assertEqual(soak_log("latest_run", "/nonexistent"), "0 \n")


if __name__ == "__main__":
    unittest.main()
