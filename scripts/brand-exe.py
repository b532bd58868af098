#!/usr/bin/env python3
"""Appends a reseller's branding block to a built PloverTool.exe.

The block is a run of records "start <key><value>" joined by single blanks,
in the fixed order the program reads them; the last value runs to the end of
the file. Each value comes from a file in the block folder named after its
key: <key>.reg for the four Winsock registry exports (taken byte for byte),
<key>.txt for the rest (one trailing line break dropped).

  brand-exe.py PloverTool.exe --block DIR                 brand in place
  brand-exe.py PloverTool.exe --block DIR -o Branded.exe  write a copy
  --set KEY=VALUE   replace one value     --omit KEY   leave a record out
  --allow-incomplete  write a block the program will refuse (for tests)

A program that already carries a block gets the new one instead.
"""
import argparse
import os
import sys

KEYS = ["winsock2", "winsock", "vistawinsock2", "vistawinsock", "provided_name",
        "provided_block", "contact_support", "emw", "spp", "ems", "pfs", "scbi", "mssgA",
        "mssgContactUS", "isprm"]
REG_KEYS = {"winsock2", "winsock", "vistawinsock2", "vistawinsock"}
# Start-up ends the program without these.
REQUIRED = ["provided_name", "provided_block", "emw", "spp", "ems", "pfs", "scbi", "mssgA"]


def marker(key):
    return b"start " + key.encode("ascii")


def read_value(folder, key):
    path = os.path.join(folder, key + (".reg" if key in REG_KEYS else ".txt"))
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        value = f.read()
    if key in REG_KEYS:
        return value
    return value[:-2] if value.endswith(b"\r\n") else value[:-1] if value.endswith(b"\n") else value


def check(values, allow_incomplete):
    problems = []
    for key, value in values.items():
        if b"\0" in value:
            problems.append(f"{key}: holds a NUL byte")
        for other in KEYS:
            if marker(other) in value:
                problems.append(f"{key}: holds the text '{marker(other).decode()}'")
    if not allow_incomplete:
        for key in REQUIRED:
            if not values.get(key):
                problems.append(f"{key}: missing or empty")
    return problems


def strip_block(image):
    """The image without a block appended earlier: cut at the first marker."""
    cut = min((p for p in (image.find(marker(key)) for key in KEYS) if p >= 0), default=None)
    if cut is None:
        return image
    if cut > 0 and image[cut - 1:cut] == b" ":
        cut -= 1
    return image[:cut]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("exe")
    parser.add_argument("--block", required=True, help="folder with one file per key")
    parser.add_argument("-o", "--output")
    parser.add_argument("--set", action="append", default=[], metavar="KEY=VALUE")
    parser.add_argument("--omit", action="append", default=[], metavar="KEY")
    parser.add_argument("--allow-incomplete", action="store_true")
    args = parser.parse_args()

    values = {key: read_value(args.block, key) for key in KEYS}
    values = {key: value for key, value in values.items() if value is not None}
    settings = [item.partition("=")[::2] for item in args.set]
    for key in [key for key, _ in settings] + args.omit:
        if key not in KEYS:
            parser.error(f"unknown key {key}")
    values.update((key, value.encode("latin-1")) for key, value in settings)
    for key in args.omit:
        values.pop(key, None)

    problems = check(values, args.allow_incomplete)
    for problem in problems:
        print(f"brand-exe: {problem}", file=sys.stderr)
    if problems:
        return 1

    with open(args.exe, "rb") as f:
        image = strip_block(f.read())
    if not image.startswith(b"MZ"):
        print(f"brand-exe: {args.exe} is not a Windows program", file=sys.stderr)
        return 1
    output = args.output or args.exe
    tmp = output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(image + b" ".join(marker(key) + values[key] for key in KEYS if key in values))
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
