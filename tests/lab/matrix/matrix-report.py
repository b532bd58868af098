#!/usr/bin/env python3
"""What a fault-matrix scenario showed, for people and for the test command.

  matrix-report.py scenario DIR --name N --title T --fault F --expect E --ci yes|no --seconds S
                    [--build x86_64|i686]
      reads a scenario's output (checks.tsv, panel, PloverToollog, state/,
      screenshots.txt), writes DIR/result.json, prints the scenario's summary
      and, with PLOVER_RESULTS_DIR set, its JUnit file there. Exits 1 when a
      check failed or none ran.
  matrix-report.py page ROOT NAME... [--scripted DIR]
      writes ROOT/index.html: one row per scenario from ROOT/NAME/result.json,
      and the scripted screens of DIR (PNG files), labelled as such; without
      them the page says that every screen comes from the real program.
  matrix-report.py table ROOT NAME... [--images DIR]
      prints the README's scenario table (final screens in DIR/NAME.png).
"""
import argparse
import html
import json
import os
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

# Log entries that tell a repair was tried (a pattern searched in the entry),
# and what to call it.
REPAIRS = [
    ("no network adapter found try to repair", "adapters switched off and on"),
    ("repair method1", "addresses renewed, caches flushed"),
    ("try to repair method2", "TCP/IP and Winsock reset"),
    ("start repair2", "TCP/IP and Winsock reset"),
    ("yes for repair2", "restart accepted"),
    ("user choose do not restart PC", "restart declined"),
    ("adapters count:", "switched to DHCP"),
    ("ping gatewaw- disable firewall", "firewall step"),
    (r"^gateway from registry [0-9]", "gateway from the registry pinged"),
    ("replace host file", "hosts file replaced"),
    ("write dns from provider", "reseller's DNS servers written"),
    ("checking Browser settings - fail", "proxy switched off"),
]

# Log entries worth showing in a summary: stage verdicts, repairs, panels.
KEY_LINE = re.compile(
    r"start plover tool|rerun Plover tool|it was restarted|step pass|-pass|- pass|"
    r"try to repair|repaired|repair1|repair2|fail|winsock (is|result)|good winsock|"
    r"PC restarted|restart PC|gateway found|gateway from registry |replace host file|"
    r"write dns|writed|dnsquery DNSserver|name res ip dns|hostName:|"
    r"check name resolution good|show final panel|Exiting thread|close Plover tool"
)

PANELS = {
    "success": "success panel",
    "adapter": "adapter failure panel",
    "nointernet": "no-Internet failure panel",
    "router": "router message panel",
    "support": "support message panel",
    "browser": "browser settings failure panel",
    "welcome": "welcome screen",
    "hidden": "window hidden (restart under way)",
    "none": "no window",
    "unknown": "a screen that matches no panel",
}


def read_lines(path):
    try:
        return path.read_bytes().decode("latin-1").splitlines()
    except OSError:
        return []


def log_entries(directory):
    return [re.sub(r"^\[[^]]*\] ", "", line) for line in read_lines(directory / "PloverToollog")]


def repairs_tried(entries):
    tried = []
    for entry in entries:
        for text, name in REPAIRS:
            if re.search(text, entry):
                tried.append(name)
                break
    # Keep the order, count repeats.
    counted = []
    for name in tried:
        if counted and counted[-1][0] == name:
            counted[-1][1] += 1
        else:
            counted.append([name, 1])
    return [name if count == 1 else f"{name} (x{count})" for name, count in counted]


def state_summary(state):
    lines = []

    def values(file, names):
        for line in read_lines(state / file):
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] in names and parts[1].startswith("REG_"):
                lines.append(f"{parts[0]} = {parts[2] if len(parts) > 2 else ''}")

    if (state / "interface-key.txt").exists():
        if read_lines(state / "interface-key.txt") == ["absent"]:
            lines.append("interface key: absent")
        else:
            values("interface-key.txt", {"EnableDHCP", "DefaultGateway", "DhcpDefaultGateway",
                                         "NameServer", "DhcpNameServer"})
    values("internet-settings.txt", {"ProxyEnable"})
    marker = read_lines(state / "resume-marker.txt")
    lines.append("resume marker: " + ("absent" if marker == ["absent"] else "present"))
    tasks = read_lines(state / "scheduled-tasks.txt")
    lines.append("log-on start: " + ("; ".join(tasks) if tasks else "none"))
    for path in sorted(state.glob("etc-*")):
        if "hosts" in path.name.lower():
            lines.append(f"{path.name[4:]}: {path.stat().st_size} bytes")
    temp = [line.split()[0] for line in read_lines(state / "temp-folder.txt") if line.strip()]
    lines.append("Temp: " + (", ".join(temp) if temp else "empty"))
    commands = read_lines(state / "commands.txt")
    if commands:
        lines.append("lab commands called: " + "; ".join(commands))
    return lines


def scenario(args):
    directory = pathlib.Path(args.dir)
    checks = []
    for line in read_lines(directory / "lab-checks.tsv") + read_lines(directory / "checks.tsv"):
        name, status, message = (line.split("\t") + ["", ""])[:3]
        checks.append({"name": name, "ok": status == "ok", "message": message})
    failed = [c for c in checks if not c["ok"]]
    panel = (read_lines(directory / "panel") or ["none"])[0]
    entries = log_entries(directory)
    shots = [line for line in read_lines(directory / "screenshots.txt") if line]
    # The final screen; when the window hid itself for the restart, the
    # question that led there says more than an empty desktop.
    final = next((s for s in reversed(shots) if s.endswith("-final.png")), None) or \
        next((s for s in reversed(shots) if s.endswith("-restart-question.png")), None) or \
        (shots[-1] if shots else "")
    result = {
        "name": args.name,
        "build": args.build,
        "title": args.title,
        "fault": args.fault,
        "expect": args.expect,
        "ci": args.ci == "yes",
        "panel": panel,
        "panel_text": PANELS.get(panel, panel),
        "repairs": repairs_tried(entries),
        "passed": bool(checks) and not failed,
        "checks": len(checks),
        "failed": failed,
        "seconds": args.seconds,
        "screenshots": shots,
        "final_screenshot": final,
        "state": state_summary(directory / "state"),
    }
    (directory / "result.json").write_text(json.dumps(result, indent=1))

    if os.environ.get("LAB_INTERACTIVE") == "1":
        verdict = "driven by hand, not judged"
    else:
        verdict = "PASS" if result["passed"] else "FAIL"
    print(f"--- {args.name} on the {args.build} exe: {verdict} "
          f"({len(checks) - len(failed)}/{len(checks)} checks, {args.seconds} s)")
    print(f"  panel reached: {result['panel_text']}")
    print("  repairs tried: " + (", ".join(result["repairs"]) or "none"))
    print("  key log lines:")
    key = [e for e in entries if KEY_LINE.search(e)]
    for entry in key[-60:]:
        print(f"    {entry}")
    print("  machine state afterwards:")
    for line in result["state"]:
        print(f"    {line}")
    print("  screenshots:")
    for shot in shots:
        print(f"    {shot}")
    for check in failed:
        print(f"  FAILED {check['name']}: {check['message']}")

    results = os.environ.get("PLOVER_RESULTS_DIR")
    if results:
        suite_name = f"lab-matrix-{args.build}-{args.name}"
        suite = ET.Element("testsuite", name=suite_name, tests=str(len(checks)),
                           failures=str(len(failed)))
        for check in checks:
            case = ET.SubElement(suite, "testcase", classname=f"lab.matrix.{args.build}.{args.name}",
                                 name=check["name"])
            if not check["ok"]:
                ET.SubElement(case, "failure", message=check["message"])
        if not checks:
            case = ET.SubElement(suite, "testcase", classname=f"lab.matrix.{args.build}.{args.name}",
                                 name="session")
            ET.SubElement(case, "failure", message="no check ran")
        ET.ElementTree(suite).write(pathlib.Path(results) / f"{suite_name}.xml")
    return 0 if result["passed"] or verdict.startswith("driven") else 1


def relative(path, root):
    try:
        return str(pathlib.Path(path).resolve().relative_to(root.resolve()))
    except ValueError:
        return str(path)


def page(args):
    root = pathlib.Path(args.root)
    rows = []
    total = 0
    for name in args.names:
        path = root / name / "result.json"
        if not path.exists():
            rows.append(f"<tr class='fail'><td>{html.escape(name)}</td>"
                        "<td colspan='6'>did not run</td></tr>")
            continue
        result = json.loads(path.read_text())
        total += result["seconds"]
        shot = relative(result["final_screenshot"], root) if result["final_screenshot"] else ""
        image = (f"<a href='{html.escape(shot)}'><img src='{html.escape(shot)}' "
                 f"alt='final screen of {html.escape(name)}'></a>") if shot else "no screenshot"
        failures = "".join(f"<li>{html.escape(f['name'])}: {html.escape(f['message'])}</li>"
                           for f in result["failed"])
        verdict = ("<b>pass</b>" if result["passed"] else "<b>FAIL</b>") + \
            f"<br>{result['checks'] - len(result['failed'])}/{result['checks']} checks" + \
            (f"<ul>{failures}</ul>" if failures else "")
        repairs = "".join(f"<li>{html.escape(r)}</li>" for r in result["repairs"]) or "none"
        log = relative(root / name / "PloverToollog", root)
        rows.append(
            f"<tr class='{'pass' if result['passed'] else 'fail'}'>"
            f"<td><b>{html.escape(result['title'])}</b><br><code>{html.escape(name)}</code>"
            f"{'<br>(CI)' if result['ci'] else ''}<br><a href='{html.escape(log)}'>log</a></td>"
            f"<td>{html.escape(result['fault'])}<br><i>expected: "
            f"{html.escape(result['expect'])}</i></td>"
            f"<td><ul>{repairs}</ul></td>"
            f"<td>{html.escape(result['panel_text'])}</td>"
            f"<td>{verdict}</td>"
            f"<td>{image}</td>"
            f"<td>{result['seconds']} s</td></tr>")
    scripted = ("<p>Every screen above comes from the real program in a real scenario; "
                "the scripted window (PloverToolScenes.exe) only draws the reference screens "
                "the lab recognises each panel by.</p>")
    if args.scripted and pathlib.Path(args.scripted).is_dir():
        cells = "".join(
            f"<figure><img src='{html.escape(relative(p, root))}' alt='{html.escape(p.stem)}'>"
            f"<figcaption>SCRIPTED: {html.escape(p.stem)}</figcaption></figure>"
            for p in sorted(pathlib.Path(args.scripted).glob("*.png")))
        scripted = ("<h2>Scripted screens</h2><p>Screens no lab fault reaches, played by the "
                    "same window with scripted stages (PloverToolScenes.exe). They are not "
                    f"results of the program.</p><div class='scripted'>{cells}</div>")
    page_text = f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>PloverTool fault matrix</title>
<style>
body {{ font-family: sans-serif; margin: 1em; }}
table {{ border-collapse: collapse; }}
td, th {{ border: 1px solid #999; padding: 4px 6px; vertical-align: top; font-size: 13px; }}
tr.pass td:nth-child(5) {{ background: #d8f5d8; }}
tr.fail td:nth-child(5) {{ background: #f8d0d0; }}
img {{ width: 240px; }}
ul {{ margin: 0; padding-left: 1.2em; }}
figure {{ display: inline-block; margin: 4px; }}
</style></head><body>
<h1>PloverTool fault matrix</h1>
<p>Each row: the lab injects the fault, the real PloverTool.exe runs on a real window
under Wine, and the lab judges the panel reached, the log and the machine state.
Total wall time of the scenarios: {total} s.</p>
<table id="matrix"><tr><th>Scenario</th><th>Fault</th><th>Repairs tried</th>
<th>Panel reached</th><th>Result</th><th>Final screen</th><th>Wall time</th></tr>
{''.join(rows)}
</table>
{scripted}
</body></html>
"""
    (root / "index.html").write_text(page_text)
    return 0


def table(args):
    """The README's scenario table: one Markdown row per scenario."""
    root = pathlib.Path(args.root)
    for name in args.names:
        result = json.loads((root / name / "result.json").read_text())
        repairs = ", ".join(result["repairs"]) or "no repair"
        verdict = "pass" if result["passed"] else "FAIL"
        ci = " (CI)" if result["ci"] else ""
        print(f"| `{name}`{ci} | {result['fault']} | {repairs}; {result['panel_text']}: "
              f"{verdict}, {result['seconds']} s | ![{name}]({args.images}/{name}.png) |")
    return 0


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    one = sub.add_parser("scenario")
    one.add_argument("dir")
    for option in ("name", "title", "fault", "expect", "ci"):
        one.add_argument(f"--{option}", required=True)
    one.add_argument("--seconds", type=int, required=True)
    one.add_argument("--build", default="x86_64", help="the build of PloverTool.exe that ran")
    many = sub.add_parser("page")
    many.add_argument("root")
    many.add_argument("names", nargs="+")
    many.add_argument("--scripted")
    rows = sub.add_parser("table")
    rows.add_argument("root")
    rows.add_argument("names", nargs="+")
    rows.add_argument("--images", default="docs/fault-matrix")
    args = parser.parse_args()
    commands = {"scenario": scenario, "page": page, "table": table}
    sys.exit(commands[args.command](args))


if __name__ == "__main__":
    main()
