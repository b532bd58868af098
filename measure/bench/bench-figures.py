#!/usr/bin/env python3
"""The benchmark's arithmetic and its one table.

    bench-figures.py run STAMPS CLICKS [PAUSES]
        one timed lab run: "wall_ms=N click_to_handler_ms=N rss_kib=N anonymous_kib=N"
        from the stamped log lines (log-stamper.py) and the driver's clicks;
        the last whole run of the log counts. With the native path's pauses
        (plover_mandated_pauses' PATH.pauses) also "overhead_ms=A,B,...": the
        wall time less the mandated pauses and time-outs of each part, from the
        click to "start Plover tool", then to each "synchronize step", then to
        "Exiting thread"
    bench-figures.py same-path NATIVE_LOG LAB_LOG
        whether the lab run took the path whose pauses were summed: the lines
        from "start plover tool" to "Exiting thread", without time stamps
    bench-figures.py table DIR
        the table from DIR/*.tsv, DIR/mandated.txt and DIR/codecs.json
"""
import json
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/lab/lib"))
import tables  # noqa: E402

RUN_START = "start plover tool"
RUN_END = "Exiting thread"


def aligned(run, click, pauses_path):
    """The run's lines with, for each, the wall time and the native path's
    virtual time (pauses and time-outs) since the click; None when the
    native path is another one."""
    profile = []
    with open(pauses_path, encoding="latin-1") as f:
        for line in f:
            index, milliseconds, text = line.rstrip("\n").split("\t", 2)
            profile.append((int(index), int(milliseconds), text))
    if len(profile) != len(run) or any(text != run[i][1] for i, _, text in profile):
        return None
    return [(text, (run[i][0] - click) / 1e6, milliseconds) for i, milliseconds, text in profile]


def part_overheads(lines):
    """Per part of the run: its wall time less its pauses and time-outs."""
    bounds = [(0.0, 0)]
    started = False
    for text, wall, mandated in lines:
        if (text.startswith("start Plover tool") and not started) or \
                text.startswith("synchronize step") or text.startswith(RUN_END):
            started = started or text.startswith("start Plover tool")
            bounds.append((wall, mandated))
    return [(b[0] - a[0]) - (b[1] - a[1]) for a, b in zip(bounds, bounds[1:])]


def slowest_lines(lines, count=3):
    """The log lines that came latest beyond what the path mandates before them."""
    extras = []
    previous = (0.0, 0)
    for text, wall, mandated in lines:
        extras.append(((wall - previous[0]) - (mandated - previous[1]), text))
        previous = (wall, mandated)
    return sorted(extras, reverse=True)[:count]


def run_figures(stamps_path, clicks_path, pauses_path=None):
    lines = []
    with open(stamps_path, encoding="latin-1") as f:
        for line in f:
            stamp, _, text = line.rstrip("\n").partition("\t")
            lines.append((int(stamp), text))
    clicks = []
    if os.path.exists(clicks_path):
        with open(clicks_path) as f:
            clicks = [int(line.split()[0]) for line in f if line.strip()]
    # The last whole run: the fault matrix draws its reference screens with
    # the scene program in the same prefix before a scenario's first run.
    start = end = begun = None
    for number, (stamp, text) in enumerate(lines):
        if text.startswith(RUN_START):
            begun = number
        elif text.startswith(RUN_END) and begun is not None:
            start, end, begun = begun, number, None
    if start is None:
        return "error=no-whole-run"
    run = [line for line in lines[start:end + 1] if not line[1].startswith("#")]
    memory = next((text for _, text in lines[end:] if text.startswith("#memory")), "")
    click = max((c for c in clicks if c <= lines[start][0]), default=None)
    if click is None:
        return "error=no-click-before-run"
    wall = (lines[end][0] - click) / 1e6
    latency = (lines[start][0] - click) / 1e6
    result = f"wall_ms={wall:.1f} click_to_handler_ms={latency:.1f} {memory.replace('#memory ', '')}"
    if pauses_path:
        lines = aligned(run, click, pauses_path)
        if lines is None:
            result += " overhead_ms=none"
        else:
            result += " overhead_ms=" + ",".join(f"{p:.0f}" for p in part_overheads(lines))
            result += " slowest=" + "|".join(f"{extra:.0f}:{text.strip()}"
                                            for extra, text in slowest_lines(lines)).replace(" ", "_")
    return result.strip()


def run_lines(path):
    with open(path, encoding="latin-1") as f:
        lines = [line.rstrip("\r\n") for line in f]
    lines = [line.split("] ", 1)[1] if line.startswith("[") and "] " in line else line
             for line in lines]
    try:
        first = next(i for i, line in enumerate(lines) if line.startswith(RUN_START))
        last = next(i for i in range(first, len(lines)) if lines[i].startswith(RUN_END))
    except StopIteration:
        return None
    return lines[first:last + 1]


def same_path(native_path, lab_path):
    native, lab = run_lines(native_path), run_lines(lab_path)
    if native is None or lab is None:
        return "differs: a log without a whole run"
    for number, (a, b) in enumerate(zip(native, lab), start=1):
        if a != b:
            return f"differs at line {number}: native '{a}', lab '{b}'"
    if len(native) != len(lab):
        return f"differs: {len(native)} native lines, {len(lab)} in the lab"
    return f"same {len(native)} lines"


# --- the table ---------------------------------------------------------------------

def read_tsv(path):
    figures = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                name, _, values = line.rstrip("\n").partition("\t")
                figures.setdefault(name, []).append(values)
    return figures


def numbers(figures, name):
    values = []
    for word in (word for entry in figures.get(name, []) for word in entry.split()):
        try:
            values.append(float(word))
        except ValueError:
            pass
    return values


def spread(values, unit="", digits=1):
    if not values:
        return "-"
    return (f"{statistics.median(values):.{digits}f}{unit} [{min(values):.{digits}f}-"
            f"{max(values):.{digits}f}] n={len(values)}")


def median(values):
    return statistics.median(values) if values else None


def ratio(a, b, digits=2):
    return f"{median(a) / median(b):.{digits}f}" if a and b and median(b) else "-"


def verdict(ok):
    return "-" if ok is None else ("met" if ok else "MISSED")


def show(title, header, rows):
    print(tables.columns([header] + rows, title))


PATHS = (("healthy", "healthy run"), ("proxy-on", "proxy repair"), ("dead-dns", "reseller-DNS repair"))


def runs_table(runs, mandated):
    rows = []
    for scenario, label in PATHS:
        walls = numbers(runs, f"wall-{scenario}")
        m = mandated.get(scenario, {})
        pauses = float(m["pauses_ms"]) if "pauses_ms" in m else None
        timeouts = float(m.get("timeouts_ms", 0)) if m else None
        paths = runs.get(f"path-{scenario}", [])
        row = [label, spread(walls, " ms", 0), "-" if pauses is None else f"{pauses:.0f} ms",
               "-" if timeouts is None else f"{timeouts:.0f} ms", "-", "-", "not measured"]
        if walls and pauses is not None:
            expected, wall = pauses + timeouts, median(walls)
            judged = verdict(wall - expected <= max(0.02 * expected, 300))
            row[4:] = [f"{wall - expected:+.0f} ms", f"{wall / expected:.3f}",
                       judged if scenario == "healthy" else "(shown)"]
        rows.append(row + ["; ".join(sorted(set(paths))) if paths else "-"])
    show("Runs in the lab: real PloverTool.exe under Wine, click to \"Exiting thread\"",
         ["path", "wall", "mandated pauses", "time-outs", "overhead", "ratio",
          "target <=2% or 300 ms", "lab log vs. native path"], rows)
    for scenario, label in PATHS:
        parts = [[float(v) for v in entry.split()] for entry in runs.get(f"parts-{scenario}", [])
                 if entry.split()]
        if parts and all(len(p) == len(parts[0]) for p in parts):
            names = ["click to thread"] + [f"stage {n}" for n in range(1, len(parts[0]) - 1)] + ["end"]
            print(f"  {label}, overhead by part (median ms): " + ", ".join(
                f"{name} {statistics.median(p[i] for p in parts):+.0f}" for i, name in enumerate(names)))
        slowest = [item.split(":", 1) for item in runs.get(f"slowest-{scenario}", [""])[0].split("|")]
        if any(len(item) == 2 for item in slowest):
            print("    lines that came latest beyond their pauses (first run): " +
                  "; ".join(f"+{extra} ms before '{text.replace('_', ' ')}'"
                            for extra, text in (item for item in slowest if len(item) == 2)))
    clicks = numbers(runs, "click-to-handler")
    if clicks:
        print(f"  click to the handler's first log line: {spread(clicks, ' ms')}")


def checks_table(checks):
    rows = []
    for check, label, tool, target in (
            ("echo-ping-host", "echo, PingHost (reply + log line)", "ping", 2.0),
            ("echo-client", "echo, echo client alone", "ping", 2.0),
            ("dns-lookup", "DNS lookup, new query component", "dig", 1.0),
            ("page-fetch", "page fetch, page component", "curl", 5.0)):
        ours, first = numbers(checks, f"check-{check}"), numbers(checks, f"check-{check}-first")
        process, own = numbers(checks, f"tool-{tool}-process"), numbers(checks, f"tool-{tool}-own")
        ok = median(ours) <= target and median(ours) <= median(process) if ours and process else None
        rows.append([label, spread(ours, " ms", 3), f"{first[0]:.1f} ms" if first else "-", tool,
                     spread(process, " ms", 2), spread(own, " ms", 3), ratio(ours, process),
                     ratio(ours, own, 1), f"<= {target:g} ms, <= tool", verdict(ok)])
    show("Checks in process under Wine in the lab, beside the usual tool (same lab, same peers)",
         ["check", "PloverTool", "first call", "tool", "tool, whole process",
          "tool's own figure", "ours/process", "ours/own", "target", ""], rows)
    show("What the checks are made of, in process under Wine", ["part", "time"],
         [[label, spread(numbers(checks, f"check-{part}"), " ms", 3)] for part, label in (
             ("part-log-line", "one log line (opened, written, closed)"),
             ("part-raw-socket", "a raw ICMP socket opened and closed"),
             ("part-udp-socket", "a UDP socket opened and closed"),
             ("part-worker-event", "a worker thread handing one event to the window"))])
    rows = []
    for kind in ("cold", "warm"):
        ours = numbers(checks, f"start-{kind}-PloverTool")
        trivial = numbers(checks, f"start-{kind}-MinimalWindow")
        warm = kind == "warm"
        rows.append([kind, spread(ours, " ms", 0), spread(trivial, " ms", 0), ratio(ours, trivial),
                     "<= 300 ms" if warm else "", verdict(median(ours) <= 300 if ours else None) if warm else ""])
    show("Start to window under Wine (process start to the window mapped on Xvfb)",
         ["start", "PloverTool.exe", "trivial window", "ratio", "target", ""], rows)
    creation = numbers(checks, "prefix-creation")
    if creation:
        print(f"  (a new prefix itself took {creation[0] / 1000:.1f} s to create; cold starts use copies of it)")


def memory_table(checks, runs, sizes):
    rows = []
    for preset, label in (("mingw-i686", "PloverTool.exe, i686 (shipped)"),
                          ("mingw-x86_64", "PloverTool.exe, x86_64 (Wine)")):
        size = numbers(sizes, f"size-{preset}")
        rows.append([label, f"{size[0] / 1024:.0f} KiB" if size else "-", "< 2048 KiB",
                     verdict(size[0] < 2 * 1024 * 1024 if size else None)])
    ws, ws_trivial = (numbers(checks, f"working-set-welcome-{p}") for p in ("PloverTool", "MinimalWindow"))
    after = numbers(runs, "rss-after-run")
    less = median(ws) - median(ws_trivial) if ws and ws_trivial else None
    rows += [
        ["working set at welcome (GetProcessMemoryInfo)", spread(ws, " KiB", 0), "< 10240 KiB",
         verdict(median(ws) < 10240 if ws else None)],
        ["  the trivial window, same prefix", spread(ws_trivial, " KiB", 0), "", ""],
        ["  PloverTool less the trivial window", "-" if less is None else f"{less:.0f} KiB", "< 10240 KiB",
         verdict(None if less is None else less < 10240)],
        ["RSS at welcome (/proc), of it anonymous", spread(numbers(checks, "rss-welcome-PloverTool"), " KiB", 0)
         + ", " + spread(numbers(checks, "rss-anonymous-welcome-PloverTool"), " KiB", 0), "", ""],
        ["  the trivial window, anonymous",
         spread(numbers(checks, "rss-anonymous-welcome-MinimalWindow"), " KiB", 0), "", ""],
        ["RSS after a whole healthy run, of it anonymous", spread(after, " KiB", 0) + ", " +
         spread(numbers(runs, "rss-anonymous-after-run"), " KiB", 0), "< 10240 KiB",
         verdict(median(after) < 10240 if after else None)]]
    show("Size and memory", ["figure", "value", "target", ""], rows)


def codecs_table(path):
    rows = []
    if os.path.exists(path):
        with open(path) as f:
            benchmarks = json.load(f).get("benchmarks", [])
        for name in sorted({b["run_name"] for b in benchmarks}):
            stat = {b.get("aggregate_name"): b for b in benchmarks
                    if b["run_name"] == name and b.get("run_type") == "aggregate"}
            if "median" in stat:
                time = f"{stat['median']['real_time']:.0f} ns"
                if "min" in stat:
                    time += f" [{stat['min']['real_time']:.0f}-{stat['max']['real_time']:.0f}]"
                rows.append([name, time, f"n={stat['median'].get('repetitions', '')}"])
    show("Codecs, natively (Google Benchmark, per message)", ["codec", "time", "runs"],
         rows or [["-", "not measured", ""]])


def table(folder):
    checks, runs, sizes = (read_tsv(os.path.join(folder, name))
                           for name in ("check-lab.tsv", "runs.tsv", "sizes.tsv"))
    mandated = {}
    if os.path.exists(os.path.join(folder, "mandated.txt")):
        with open(os.path.join(folder, "mandated.txt")) as f:
            for line in f:
                name, _, rest = line.partition(" ")
                mandated[name] = dict(word.partition("=")[::2] for word in rest.split())
    runs_table(runs, mandated)
    checks_table(checks)
    memory_table(checks, runs, sizes)
    codecs_table(os.path.join(folder, "codecs.json"))
    errors = checks.get("error", []) + runs.get("error", [])
    if errors:
        print("\nErrors:\n" + "\n".join(f"  {error}" for error in errors))


def main():
    if len(sys.argv) in (4, 5) and sys.argv[1] == "run":
        print(run_figures(*sys.argv[2:]))
    elif len(sys.argv) == 4 and sys.argv[1] == "same-path":
        print(same_path(sys.argv[2], sys.argv[3]))
    elif len(sys.argv) == 3 and sys.argv[1] == "table":
        table(sys.argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
