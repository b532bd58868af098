#!/usr/bin/env python3
"""Starts a program and reports how long it took to show its window.

    start-to-window.py CLASS LIMIT_SECONDS COMMAND [ARG...]

Listens on the X display of $DISPLAY for windows being mapped, starts
COMMAND, and prints "ms=N pid=P" once a window whose WM_CLASS name is CLASS
and that is at least 400 pixels wide is mapped: N is the time from just
before the start to the map, measured on the monotonic clock. The program is
left running. Exit status 1 when no such window shows within LIMIT_SECONDS.
Runs inside a lab namespace with its own virtual screen (scripts/bench.sh).
"""
import ctypes
import ctypes.util
import select
import subprocess
import sys
import time

MAP_NOTIFY = 19
CREATE_NOTIFY = 16
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
MIN_WIDTH = 400


class XClassHint(ctypes.Structure):
    _fields_ = [("res_name", ctypes.c_void_p), ("res_class", ctypes.c_void_p)]


def open_x():
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XPending.argtypes = [ctypes.c_void_p]
    x.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x.XGetClassHint.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(XClassHint)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong)] + \
        [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
    x.XSetErrorHandler.argtypes = [ctypes.c_void_p]
    return x


# Windows may be gone by the time they are looked at; such errors are expected.
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
ERROR_HANDLER_ADDRESS = ctypes.cast(ERROR_HANDLER, ctypes.c_void_p)


def window_class(x, display, window):
    hint = XClassHint()
    if not x.XGetClassHint(display, window, ctypes.byref(hint)):
        return ""
    name = ctypes.string_at(hint.res_name).decode(errors="replace") if hint.res_name else ""
    for field in (hint.res_name, hint.res_class):
        if field:
            x.XFree(field)
    return name


def window_width(x, display, window):
    root = ctypes.c_ulong()
    numbers = [ctypes.c_int() for _ in range(2)] + [ctypes.c_uint() for _ in range(4)]
    if not x.XGetGeometry(display, window, ctypes.byref(root), *[ctypes.byref(n) for n in numbers]):
        return 0
    return numbers[2].value


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    wanted, limit, command = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
    x = open_x()
    x.XSetErrorHandler(ERROR_HANDLER_ADDRESS)
    display = x.XOpenDisplay(None)
    if not display:
        print("no X display", file=sys.stderr)
        return 1
    root = x.XDefaultRootWindow(display)
    x.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    x.XFlush(display)
    event = ctypes.create_string_buffer(192)
    fd = x.XConnectionNumber(display)

    start = time.monotonic()
    program = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = start + limit
    while time.monotonic() < deadline:
        if not x.XPending(display):
            select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
            continue
        x.XNextEvent(display, event)
        kind = ctypes.c_int.from_buffer(event, 0).value
        window = ctypes.c_ulong.from_buffer(event, 40).value
        if kind == CREATE_NOTIFY:
            # A window inside a Wine desktop is mapped below that desktop.
            x.XSelectInput(display, window, SUBSTRUCTURE_NOTIFY_MASK)
            x.XFlush(display)
        elif kind == MAP_NOTIFY:
            shown = time.monotonic()
            if window_class(x, display, window) == wanted and \
                    window_width(x, display, window) >= MIN_WIDTH:
                print(f"ms={(shown - start) * 1000:.1f} pid={program.pid}")
                return 0
    print(f"no window of class {wanted} within {limit:g} s", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
