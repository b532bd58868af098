#!/usr/bin/env python3
"""Stamps each line of the program's log with the moment it appeared.

    log-stamper.py PREFIX OUT LIFETIME_SECONDS

Watches PREFIX's temporary folder (inotify) for the diagnostic log
"PloverToollog" and appends one line per log line to OUT:
"NANOSECONDS<TAB>LINE", on the wall clock (date +%s%N reads the same), so
that the log's one-second time stamps are not what a run is timed by. When a
line "Exiting thread" appears, it also appends "NANOSECONDS<TAB>#memory
rss_kib=N anonymous_kib=N" for the program's process of that prefix, read
from /proc at once. Follows the log across its deletion and re-creation;
ends by itself after LIFETIME_SECONDS. Only reads files: it sends nothing
anywhere.
"""
import ctypes
import os
import select
import sys
import time

IN_MODIFY = 0x002
IN_CREATE = 0x100
IN_MOVED_TO = 0x080
LOG_NAME = "PloverToollog"


def temp_folder(prefix):
    users = os.path.join(prefix, "drive_c", "users")
    try:
        for user in sorted(os.listdir(users)):
            folder = os.path.join(users, user, "Temp")
            if user != "Public" and os.path.isdir(folder):
                return folder
    except OSError:
        pass
    return None


def program_memory(prefix):
    """RSS and anonymous RSS of the PloverTool.exe process of this prefix."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read()
            if b"PloverTool.exe" not in command:
                continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                environment = f.read().split(b"\0")
            if f"WINEPREFIX={prefix}".encode() not in environment:
                continue
            figures = {}
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    name, _, value = line.partition(":")
                    if name in ("VmRSS", "RssAnon"):
                        figures[name] = value.split()[0]
            return f"rss_kib={figures.get('VmRSS', '')} anonymous_kib={figures.get('RssAnon', '')}"
        except OSError:
            continue
    return "rss_kib= anonymous_kib="


def main():
    prefix, out_path, lifetime = sys.argv[1], sys.argv[2], float(sys.argv[3])
    prefix = os.path.realpath(prefix)
    deadline = time.monotonic() + lifetime
    libc = ctypes.CDLL(None, use_errno=True)
    fd = libc.inotify_init1(os.O_NONBLOCK)
    if fd < 0:
        print("log-stamper: no inotify", file=sys.stderr)
        return 1
    out = open(out_path, "a", buffering=1)
    watched = None
    identity = None
    offset = 0
    pending = b""

    def read_new():
        nonlocal identity, offset, pending
        path = os.path.join(watched, LOG_NAME)
        try:
            status = os.stat(path)
        except OSError:
            return
        if (status.st_ino, status.st_dev) != identity or status.st_size < offset:
            identity, offset, pending = (status.st_ino, status.st_dev), 0, b""
        if status.st_size == offset:
            return
        stamp = time.time_ns()
        with open(path, "rb") as f:
            f.seek(offset)
            data = f.read()
        offset += len(data)
        lines = (pending + data).split(b"\n")
        pending = lines.pop()
        for raw in lines:
            line = raw.rstrip(b"\r").decode("latin-1")
            # The log's own time stamp, "[date time] ", is left out.
            text = line.split("] ", 1)[1] if line.startswith("[") and "] " in line else line
            out.write(f"{stamp}\t{text}\n")
            if text.startswith("Exiting thread"):
                out.write(f"{time.time_ns()}\t#memory {program_memory(prefix)}\n")

    while time.monotonic() < deadline:
        if watched is not None and not os.path.isdir(watched):
            watched = None
        if watched is None:
            folder = temp_folder(prefix)
            if folder is None:
                time.sleep(0.05)
                continue
            if libc.inotify_add_watch(fd, folder.encode(), IN_MODIFY | IN_CREATE | IN_MOVED_TO) < 0:
                time.sleep(0.05)
                continue
            watched = folder
            read_new()
        ready, _, _ = select.select([fd], [], [], min(0.5, max(0.0, deadline - time.monotonic())))
        if ready:
            try:
                os.read(fd, 65536)
            except BlockingIOError:
                pass
        read_new()
    return 0


if __name__ == "__main__":
    sys.exit(main())
