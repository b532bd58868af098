#!/usr/bin/env python3
"""The soak's judgement, from the figures the session recorded after each
run (OUT/runs.csv; row 0 is the welcome screen before the first run).

    soak-figures.py OUT      prints the table; exits 1 when a rule fails

Rules:
- memory and handles: the last run exceeds run 5 by no more than the noise,
  the spread (max - min) of runs 5 to 10, or a small floor when those
  happened to agree closely; the handles Wine itself leaks (WINE_LEAKS,
  told by the kinds in OUT/handle-types-NN.txt) are shown, not judged;
- threads: after every run the process is back to its idle thread count
  (row 0);
- log: every sample within the size limit (plus the one line that may
  cross it before the next line cuts), and the cut seen at least once (a
  sample smaller than the one before);
- panels: every run ended on its expected panel, and Close still ended the
  program."""
import csv
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/lab/lib"))
import tables  # noqa: E402

LOG_LIMIT = 300_000
BASELINE_RUN = 5
NOISE_LAST_RUN = 10
# Below these a difference is no leak: a page of heap or a cached handle.
FLOORS = {"working_set_kib": 256, "rss_kib": 256, "anonymous_kib": 256, "handles": 2,
          "own_handles": 2, "fds": 2}
# Handles that Wine 8.0 leaks on its own, by kind, with the reason. Its
# 64-bit combase opens the 32-bit view of the classes key for a class it
# does not find and never closes it: two handles for every CoCreateInstance
# of a class that is not registered, whoever calls it. Under Wine the
# program's Network Connections manager is such a class (a Windows system
# has it), and each adapter switch-off, switch-on or connection check asks
# for it once.
WINE_LEAKS = {
    "Key \\REGISTRY\\Machine\\Software\\Classes\\Wow6432Node":
        "Wine's combase: 2 per CoCreateInstance of an unregistered class",
}
LABELS = {
    "working_set_kib": "working set, from Wine (KiB)",
    "rss_kib": "Linux RSS (KiB)",
    "anonymous_kib": "Linux private RSS (KiB)",
    "handles": "open handles (Wine)",
    "own_handles": "open handles, Wine's leaks left out",
    "wine_leaked_handles": "handles Wine leaked by itself",
    "fds": "Linux file descriptors",
    "threads": "threads (Toolhelp)",
    "linux_threads": "threads (Linux tasks)",
    "log_bytes": "log size (bytes)",
}


def number(text):
    try:
        return int(text)
    except (TypeError, ValueError):
        return None


def read_rows(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    for row in rows:
        for key, value in row.items():
            if key not in ("fault", "expected", "panel"):
                row[key] = number(value)
    return rows


def add_handle_kinds(rows, out):
    """own_handles and wine_leaked_handles of each row whose handle kinds
    were recorded (OUT/handle-types-NN.txt)."""
    for row in rows:
        path = os.path.join(out, f"handle-types-{row['run']:02d}.txt")
        if row["handles"] is None or not os.path.exists(path):
            row["own_handles"] = row["wine_leaked_handles"] = None
            continue
        kinds = handle_kinds(path)
        leaked = sum(count for kind, count in kinds.items() if kind in WINE_LEAKS)
        row["wine_leaked_handles"] = leaked
        row["own_handles"] = row["handles"] - leaked
    return rows


def value_at(rows, run, figure):
    return next((row.get(figure) for row in rows if row["run"] == run), None)


def steady(rows, figure):
    """Run 5 against the last run, with the noise of runs 5 to 10."""
    runs = [row for row in rows if row["run"] >= 1 and row[figure] is not None]
    window = [row[figure] for row in runs if BASELINE_RUN <= row["run"] <= NOISE_LAST_RUN]
    first, last = value_at(rows, BASELINE_RUN, figure), runs[-1][figure] if runs else None
    if first is None or last is None or not window:
        return {"ok": False, "why": "no samples", "first": first, "last": last}
    spread = max(window) - min(window)
    noise = max(spread, FLOORS.get(figure, 0))
    growth = last - first
    return {"ok": growth <= noise, "first": first, "last": last, "spread": spread, "noise": noise,
            "growth": growth, "low": min(r[figure] for r in runs), "high": max(r[figure] for r in runs)}


def handle_figure(rows):
    """The handles without Wine's own leaks when their kinds were recorded
    after every run, else Wine's handle count when it gave one after every
    run, else the Linux file descriptors of the process."""
    runs = [row for row in rows if row["run"] >= 1]
    for figure in ("own_handles", "handles"):
        if runs and all(row.get(figure) is not None for row in runs):
            return figure
    return "fds"


def threads_left(rows):
    """Runs after which the process had other than its idle thread count."""
    idle = value_at(rows, 0, "threads")
    return idle, [row["run"] for row in rows if row["run"] >= 1 and row["threads"] != idle]


def log_cuts(rows):
    """The runs during which the log shrank, and the samples over the limit."""
    cuts, over = [], []
    previous = None
    for row in rows:
        size = row["log_bytes"]
        if previous is not None and size is not None and size < previous:
            cuts.append(row["run"])
        if size is not None and size > LOG_LIMIT + (row["longest_line"] or 0):
            over.append(row["run"])
        previous = size if size is not None else previous
    return cuts, over


def wrong_panels(rows):
    return [(row["run"], row["fault"], row["expected"], row["panel"])
            for row in rows if row["run"] >= 1 and row["panel"] != row["expected"]]


def judge(rows, closed=True):
    """Every rule's verdict: a list of (rule, ok, text)."""
    verdicts = []
    last_run = max((row["run"] for row in rows), default=0)
    for figure in ("working_set_kib", "anonymous_kib", handle_figure(rows)):
        result = steady(rows, figure)
        if "noise" in result:
            text = (f"run {last_run} {result['last']} vs run {BASELINE_RUN} {result['first']}: "
                    f"{result['growth']:+d}, noise {result['noise']} (spread of runs "
                    f"{BASELINE_RUN}-{min(NOISE_LAST_RUN, last_run)} {result['spread']}, "
                    f"floor {FLOORS[figure]})")
        else:
            text = result["why"]
        if figure == "fds":
            text += "; Wine gave no handle count, so the Linux descriptors stand in"
        if figure == "own_handles":
            leaked = steady(rows, "wine_leaked_handles")
            if "growth" in leaked:
                text += (f"; Wine leaked {leaked['growth']:+d} more by itself "
                         f"({'; '.join(WINE_LEAKS.values())})")
        verdicts.append((LABELS[figure], result["ok"], text))
    idle, left = threads_left(rows)
    verdicts.append(("threads back to idle", idle is not None and not left,
                     f"idle {idle}; " + (f"other counts after runs {left}" if left else "every run")))
    cuts, over = log_cuts(rows)
    largest = max((row["log_bytes"] or 0 for row in rows), default=0)
    verdicts.append(("log cut and bounded", bool(cuts) and not over,
                     f"cut during runs {cuts or 'none'}; largest sample {largest} bytes"
                     + (f"; over the limit after runs {over}" if over else "")))
    wrong = wrong_panels(rows)
    verdicts.append(("expected panels", not wrong and last_run >= BASELINE_RUN,
                     f"{last_run - len(wrong)} of {last_run} runs"
                     + "".join(f"; run {r} ({f}) showed {p}, not {e}" for r, f, e, p in wrong)))
    verdicts.append(("closed at the end", closed, "Close ended the program" if closed else
                     "the program did not end on Close"))
    return verdicts


def table(rows, verdicts):
    last_run = max((row["run"] for row in rows), default=0)
    cells = [["figure", "idle", f"run {BASELINE_RUN}", f"run {last_run}", "min", "max"]]
    for figure, label in LABELS.items():
        runs = [row[figure] for row in rows if row["run"] >= 1 and row.get(figure) is not None]
        if any(row.get(figure) is not None for row in rows):
            cells.append([label] + ["-" if c is None else c for c in (
                value_at(rows, 0, figure), value_at(rows, BASELINE_RUN, figure),
                value_at(rows, last_run, figure), min(runs, default=None), max(runs, default=None))])
    by_fault = {}
    for row in rows:
        if row["run"] >= 1:
            by_fault.setdefault(row["fault"], []).append(row["seconds"] or 0)
    passed = all(ok for _, ok, _ in verdicts)
    return "\n".join([tables.columns(cells), "", "seconds a run: " + ", ".join(
        f"{fault} {statistics.median(s):g} (n={len(s)})" for fault, s in sorted(by_fault.items())), ""]
        + [f"{'pass' if ok else 'FAIL'}  {rule}: {text}" for rule, ok, text in verdicts]
        + [f"soak: {'PASS' if passed else 'FAIL'} ({last_run} runs)"]), passed


def handle_kinds(path):
    """TYPE -> count from a handle-types file ("TYPE COUNT" lines)."""
    kinds = {}
    with open(path) as f:
        for line in f:
            kind, _, count = line.rstrip("\n").rpartition(" ")
            if kind and count.isdigit():
                kinds[kind] = int(count)
    return kinds


def kinds_changed(before, after):
    """The kinds of handle whose count differs, as "Kind +n" texts."""
    return [f"{kind} {after.get(kind, 0) - before.get(kind, 0):+d}"
            for kind in sorted(set(before) | set(after)) if after.get(kind, 0) != before.get(kind, 0)]


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = argv[1]
    rows = add_handle_kinds(read_rows(os.path.join(out, "runs.csv")), out)
    closed_file = os.path.join(out, "closed")
    closed = os.path.exists(closed_file) and open(closed_file).read().strip() == "closed=yes"
    text, passed = table(rows, judge(rows, closed))
    print(text)
    last_run = max((row["run"] for row in rows), default=0)
    kinds = [os.path.join(out, f"handle-types-{run:02d}.txt") for run in (BASELINE_RUN, last_run)]
    if all(os.path.exists(path) for path in kinds):
        changed = kinds_changed(*(handle_kinds(path) for path in kinds))
        print(f"handles by kind, run {last_run} against run {BASELINE_RUN}: "
              + (", ".join(changed) if changed else "the same"))
    print(f"per-run figures: {os.path.join(out, 'runs.csv')}")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
