#!/usr/bin/env python3
"""The hostile DNS lab's table: one row per kind of reply, in the
responder's order, with what the lookup gave and how long it took.

Usage: hostile-dns-table.py DESCRIPTIONS_TSV ROWS_TSV LOG_DIR
  DESCRIPTIONS_TSV  kind <tab> what the responder sends (responder.py --describe)
  ROWS_TSV          kind <tab> result <tab> elapsed ms (the Wine test's rows)
  LOG_DIR           KIND.log of each responder: the replies it really sent
"""
import os
import re
import sys


def read_tsv(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def sent_from(log):
    """What a responder's log says it sent: the count and the source."""
    if not os.path.exists(log):
        return "; no log"
    with open(log, encoding="utf-8") as f:
        sent = re.findall(r": sent (\d+) bytes from (\S+):", f.read())
    if not sent:
        return "; nothing sent"
    return "; %d sent, %s bytes from %s" % (len(sent), sent[0][0], sent[0][1])


def table(descriptions, rows, log_dir):
    results = {row[0]: row[1:] for row in rows if len(row) >= 3}
    lines = [("class", "what the responder sent", "result (address / error text (code))", "elapsed ms")]
    for kind, sent in descriptions:
        sent += sent_from(os.path.join(log_dir, kind + ".log"))
        result, elapsed = results.get(kind, ("no result: the lookup did not finish", "-"))
        lines.append((kind, sent, result, elapsed))
    widths = [max(len(line[i]) for line in lines) for i in range(4)]
    out = []
    for n, line in enumerate(lines):
        out.append("| " + " | ".join(cell.ljust(widths[i]) for i, cell in enumerate(line)) + " |")
        if n == 0:
            out.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    return "\n".join(out) + "\n"


def main():
    sys.stdout.write(table(read_tsv(sys.argv[1]), read_tsv(sys.argv[2]), sys.argv[3]))


if __name__ == "__main__":
    main()
