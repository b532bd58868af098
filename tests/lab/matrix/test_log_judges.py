#!/usr/bin/env python3
"""Tests of the fault matrix's judges of a log it could not follow: a log
with a line cut short, or without its last line break, must fail; a whole
log, lines of several rows included, must pass. The judges are the shell
functions of scenarios.sh, run in bash as a session runs them.

Run: python3 tests/lab/matrix/test_log_judges.py
"""
import pathlib
import subprocess
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
STAMP = "[12/9/2026 9:08:48 AM] "


def judge(function, log_bytes, temp="/prefix/drive_c/users/root/Temp"):
    """Runs FUNCTION of scenarios.sh on a log; its checks.tsv rows and output."""
    with tempfile.TemporaryDirectory() as work:
        log = pathlib.Path(work) / "PloverToollog"
        log.write_bytes(log_bytes)
        script = f"""
            out={work}
            check() {{ printf '%s\\t%s\\n' "$1" "$([ "$2" -eq 0 ] && echo ok || echo fail)" >>"$out/checks.tsv"; }}
            source {HERE / 'scenarios.sh'}
            log='{log}' temp='{temp}'
            {function}
        """
        result = subprocess.run(["bash", "-c", script], capture_output=True, text=True,
                                timeout=30)
        checks = pathlib.Path(work) / "checks.tsv"
        rows = checks.read_text().split() if checks.exists() else []
        return rows, result.stdout


def lines(*texts):
    return "".join(STAMP + text + "\r\n" for text in texts).encode("latin-1")


class WholeLines(unittest.TestCase):
    def verdict(self, log_bytes):
        rows, _ = judge("expect_whole_lines", log_bytes)
        self.assertEqual(rows[0], "log.whole-lines")
        return rows[1]

    def test_a_whole_log_passes(self):
        self.assertEqual(self.verdict(lines("start plover tool ", "hardware check ")), "ok")

    def test_a_message_of_several_rows_is_one_line(self):
        log = lines("contact message :Premium Support: by phone\r\nCall 1-800-555-0142:", "x")
        self.assertEqual(self.verdict(log), "ok")

    def test_a_stamp_inside_a_line_is_a_line_cut_short(self):
        log = lines("start plover tool ") + (STAMP + "hardware ch").encode() + lines("IP settings")
        self.assertEqual(self.verdict(log), "fail")

    def test_a_cut_stamp_glued_to_the_next_line_too(self):
        log = lines("fpos1 531786") + b"[12/9/20" + lines("finish step completed: 1")
        self.assertEqual(self.verdict(log), "fail")

    def test_a_last_line_without_its_break_is_cut_short(self):
        log = lines("start plover tool ") + (STAMP + "Exiting").encode()
        self.assertEqual(self.verdict(log), "fail")

    def test_an_empty_or_missing_log_is_no_record(self):
        self.assertEqual(self.verdict(b""), "fail")


class WindowsLogPath(unittest.TestCase):
    def test_the_log_in_the_users_temp_folder(self):
        _, shown = judge("windows_log_path", b"", temp="/p/drive_c/users/lab user/Temp")
        self.assertEqual(shown, "C:\\users\\lab user\\Temp\\PloverToollog")


if __name__ == "__main__":
    unittest.main()
