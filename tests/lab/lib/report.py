#!/usr/bin/env python3
"""What the lab's scenarios showed, for people and for the test command.

  report.py scenario DIR DESCRIPTION_TSV_LINE BUILD SECONDS
      reads a session's output (checks.tsv, panel, PloverToollog, state/,
      screenshots.txt), writes DIR/result.json, prints the summary and, with
      PLOVER_RESULTS_DIR set, a JUnit file there. Exits 1 when a check
      failed or none ran.
  report.py page ROOT NAME...    ROOT/index.html, one row per ROOT/NAME/result.json
  report.py table                the scenarios' table in Markdown, from their
                                 descriptions on stdin (session.sh scenario_describe)
  report.py runs ROOT NAME...    the runs' table: panel, repairs, verdict, time
"""
import html
import json
import os
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

import tables

ROOT = pathlib.Path(__file__).resolve().parents[3]
FIELDS = ["name", "ci", "limit", "title", "fault", "repairs_expected", "panel_expected", "expect"]
# Log entries that tell a repair was tried (searched in the entry), and its name.
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
    r"start plover tool|rerun Plover tool|it was restarted|step pass|-pass|- pass|try to repair|"
    r"repaired|repair1|repair2|fail|winsock (is|result)|good winsock|PC restarted|restart PC|"
    r"gateway found|gateway from registry |replace host file|write dns|writed|dnsquery DNSserver|"
    r"name res ip dns|hostName:|check name resolution good|show final panel|Exiting thread|"
    r"close Plover tool")
PANELS = {
    "success": "success panel", "adapter": "adapter failure panel",
    "nointernet": "no-Internet failure panel", "router": "router message panel",
    "support": "support message panel", "browser": "browser settings failure panel",
    "welcome": "welcome screen", "hidden": "window hidden (restart under way)",
    "none": "no window", "unknown": "a screen that matches no panel",
}


def read_lines(path):
    try:
        return path.read_bytes().decode("latin-1").splitlines()
    except OSError:
        return []


def repairs_tried(entries):
    """The repairs in the order tried, a repeat counted: "hosts file replaced (x2)"."""
    counted = []
    for entry in entries:
        name = next((name for text, name in REPAIRS if re.search(text, entry)), None)
        if name and counted and counted[-1][0] == name:
            counted[-1][1] += 1
        elif name:
            counted.append([name, 1])
    return [name if count == 1 else f"{name} (x{count})" for name, count in counted]


def state_summary(state):
    lines = []
    if not state.is_dir():
        return lines

    def values(file, names):
        for line in read_lines(state / file):
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] in names and parts[1].startswith("REG_"):
                lines.append(f"{parts[0]} = {parts[2] if len(parts) > 2 else ''}")

    if read_lines(state / "interface-key.txt") == ["absent"]:
        lines.append("interface key: absent")
    values("interface-key.txt", {"EnableDHCP", "DefaultGateway", "DhcpDefaultGateway", "NameServer",
                                 "DhcpNameServer"})
    values("internet-settings.txt", {"ProxyEnable"})
    marker = read_lines(state / "resume-marker.txt")
    lines.append("resume marker: " + ("absent" if marker == ["absent"] else "present"))
    lines.append("log-on start: " + ("; ".join(read_lines(state / "scheduled-tasks.txt")) or "none"))
    lines += [f"{p.name[4:]}: {p.stat().st_size} bytes" for p in sorted(state.glob("etc-*"))
              if "hosts" in p.name.lower()]
    temp = [line.split()[0] for line in read_lines(state / "temp-folder.txt") if line.strip()]
    lines.append("Temp: " + (", ".join(temp) or "empty"))
    commands = read_lines(state / "commands.txt")
    if commands:
        lines.append("lab commands called: " + "; ".join(commands))
    return lines


def junit(suite_name, classname, checks, path):
    suite = ET.Element("testsuite", name=suite_name, tests=str(len(checks)),
                       failures=str(sum(not c["ok"] for c in checks)))
    for check in checks:
        case = ET.SubElement(suite, "testcase", classname=classname, name=check["name"])
        if not check["ok"]:
            ET.SubElement(case, "failure", message=check["message"])
    ET.ElementTree(suite).write(path)


def scenario(directory, description, build, seconds):
    directory = pathlib.Path(directory)
    result = dict(zip(FIELDS, description.split("\t")))
    checks = [dict(zip(("name", "ok", "message"), (line.split("\t") + ["", ""])[:3]))
              for line in read_lines(directory / "checks.tsv")]
    for check in checks:
        check["ok"] = check["ok"] == "ok"
    entries = [re.sub(r"^\[[^]]*\] ", "", line) for line in read_lines(directory / "PloverToollog")]
    # The description is what the docs show: it must be what happened.
    tried = ", ".join(repairs_tried(entries)) or "no repair"
    if not checks:
        checks.append({"name": "session", "ok": False, "message": "no check ran"})
    if result["repairs_expected"]:
        checks.append({"name": "report.repairs-as-described", "ok": tried == result["repairs_expected"],
                       "message": f"tried: {tried}"})
    failed = [c for c in checks if not c["ok"]]
    shots = [line for line in read_lines(directory / "screenshots.txt") if line]
    panel = (read_lines(directory / "panel") or ["none"])[0]
    # When the window hid itself for the restart, the question that led
    # there says more than an empty desktop.
    final = next((s for s in reversed(shots) if s.endswith("-final.png")), None) or \
        next((s for s in reversed(shots) if s.endswith("-restart-question.png")), None) or \
        (shots[-1] if shots else "")
    result.update(build=build, ci=result["ci"] == "yes", panel=panel, panel_text=PANELS.get(panel, panel),
                  repairs=repairs_tried(entries), passed=not failed,
                  checks=len(checks), failed=failed, seconds=int(seconds), screenshots=shots,
                  final_screenshot=final, state=state_summary(directory / "state"))
    (directory / "result.json").write_text(json.dumps(result, indent=1))
    interactive = os.environ.get("LAB_INTERACTIVE") == "1"
    verdict = "driven by hand, not judged" if interactive else "PASS" if result["passed"] else "FAIL"
    print(f"--- {result['name']} ({build}): {verdict} "
          f"({len(checks) - len(failed)}/{len(checks)} checks, {seconds} s)")
    print(f"  panel reached: {result['panel_text']}")
    print("  repairs tried: " + (", ".join(result["repairs"]) or "none"))
    print("  key log lines:")
    print("".join(f"    {e}\n" for e in [e for e in entries if KEY_LINE.search(e)][-60:]), end="")
    print("  machine state afterwards:")
    print("".join(f"    {line}\n" for line in result["state"]), end="")
    print("  screenshots:")
    print("".join(f"    {shot}\n" for shot in shots), end="")
    for check in failed:
        print(f"  FAILED {check['name']}: {check['message']}")
    results = os.environ.get("PLOVER_RESULTS_DIR")
    if results:
        junit(f"lab-matrix-{build}-{result['name']}", f"lab.matrix.{build}.{result['name']}", checks,
              pathlib.Path(results) / f"lab-matrix-{build}-{result['name']}.xml")
    return 0 if result["passed"] or interactive else 1


def results(root, names):
    for name in names:
        path = pathlib.Path(root) / name / "result.json"
        yield name, json.loads(path.read_text()) if path.exists() else None


def page(root, names):
    root = pathlib.Path(root)
    rows, total = [], 0
    for name, result in results(root, names):
        if not result:
            rows.append(f"<tr class='fail'><td>{html.escape(name)}</td><td colspan='6'>did not run</td></tr>")
            continue
        total += result["seconds"]
        e = {key: html.escape(str(value)) for key, value in result.items()}
        shot = os.path.relpath(result["final_screenshot"], root) if result["final_screenshot"] else ""
        image = f"<a href='{shot}'><img src='{shot}' alt='final screen of {e['name']}'></a>" if shot else \
            "no screenshot"
        failures = "".join(f"<li>{html.escape(f['name'])}: {html.escape(f['message'])}</li>"
                           for f in result["failed"])
        verdict = ("<b>pass</b>" if result["passed"] else "<b>FAIL</b>") + \
            f"<br>{result['checks'] - len(result['failed'])}/{result['checks']} checks" + \
            (f"<ul>{failures}</ul>" if failures else "")
        repairs = "".join(f"<li>{html.escape(r)}</li>" for r in result["repairs"]) or "none"
        rows.append(
            f"<tr class='{'pass' if result['passed'] else 'fail'}'><td><b>{e['title']}</b><br>"
            f"<code>{e['name']}</code> ({e['build']}){'<br>(CI)' if result['ci'] else ''}<br>"
            f"<a href='{name}/PloverToollog'>log</a></td><td>{e['fault']}<br><i>expected: "
            f"{e['repairs_expected']}; {html.escape(PANELS.get(result['panel_expected'], 'no panel'))}"
            f"{'; ' + e['expect'] if result['expect'] else ''}</i></td><td><ul>{repairs}</ul></td>"
            f"<td>{e['panel_text']}</td><td>{verdict}</td><td>{image}</td><td>{e['seconds']} s</td></tr>")
    (root / "index.html").write_text(f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>PloverTool fault matrix</title>
<style>
body {{ font-family: sans-serif; margin: 1em; }} table {{ border-collapse: collapse; }}
td, th {{ border: 1px solid #999; padding: 4px 6px; vertical-align: top; font-size: 13px; }}
tr.pass td:nth-child(5) {{ background: #d8f5d8; }} tr.fail td:nth-child(5) {{ background: #f8d0d0; }}
img {{ width: 240px; }} ul {{ margin: 0; padding-left: 1.2em; }}
</style></head><body>
<h1>PloverTool fault matrix</h1>
<p>Each row: the lab injects the fault, the real PloverTool.exe runs on a real window
under Wine, and the lab judges the panel reached, the log and the machine state.
Total wall time of the scenarios: {total} s. Every screen comes from the real program in a
real scenario; the scripted window (PloverToolScenes.exe) only draws the reference screens
the lab recognises each panel by.</p>
<table id="matrix"><tr><th>Scenario</th><th>Fault</th><th>Repairs tried</th>
<th>Panel reached</th><th>Result</th><th>Final screen</th><th>Wall time</th></tr>
{''.join(rows)}
</table></body></html>
""")
    return 0


def table(lines):
    print("| scenario | fault the lab injects | repairs expected | panel expected | final screen |")
    print("|---|---|---|---|---|")
    for line in lines:
        d = dict(zip(FIELDS, line.rstrip("\n").split("\t")))
        panel = PANELS.get(d["panel_expected"], "no panel judged")
        more = f"; {d['expect']}" if d["expect"] else ""
        image = f"![{d['name']}](fault-matrix/{d['name']}.png)" \
            if (ROOT / f"docs/fault-matrix/{d['name']}.png").exists() else ""
        print(f"| `{d['name']}`{' (CI)' if d['ci'] == 'yes' else ''} | {d['fault']} | "
              f"{d['repairs_expected']} | {panel}{more} | {image} |")
    return 0


def runs(root, names):
    rows = [("scenario", "panel reached", "repairs", "pass/fail", "wall time")]
    for name, result in results(root, names):
        rows.append((name, "not run", "-", "FAIL", "-") if not result else
                    (name, result["panel_text"], ", ".join(result["repairs"]) or "no repair",
                     "pass" if result["passed"] else "FAIL", f"{result['seconds']} s"))
    print(tables.markdown(rows))
    return 0


def main(argv):
    command, args = argv[1], argv[2:]
    if command == "scenario":
        return scenario(*args)
    if command == "page":
        return page(args[0], args[1:])
    if command == "table":
        return table(sys.stdin)
    if command == "runs":
        return runs(args[0], args[1:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
