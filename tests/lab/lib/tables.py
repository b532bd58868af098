"""The tables the lab, the benchmark and the soak print: aligned columns
for a terminal, or Markdown for the docs. Each takes rows of cells, the
header first."""


def _widths(rows):
    return [max(len(str(row[i])) for row in rows) for i in range(len(rows[0]))]


def columns(rows, title=None):
    widths = _widths(rows)
    lines = ["  ".join(str(c).ljust(w) for c, w in zip(row, widths)).rstrip() for row in rows]
    lines.insert(1, "-" * len(lines[0]))
    return "\n".join(([f"\n{title}"] if title else []) + lines)


def markdown(rows):
    widths = _widths(rows)
    lines = ["| " + " | ".join(str(c).ljust(w) for c, w in zip(row, widths)) + " |" for row in rows]
    lines.insert(1, "|" + "|".join("-" * (w + 2) for w in widths) + "|")
    return "\n".join(lines)

