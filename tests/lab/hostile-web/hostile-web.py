#!/usr/bin/env python3
"""A web server that misbehaves on purpose, one way per path, for the page
check in the lab (tests/lab/hostile-web/hostile-web-lab.sh). Plain sockets,
so every byte on the wire is this script's choice.

  /page         200 with the search probe's title (the well-behaved control)
  /silent       takes the request and never answers
  /drip         200 headers, then one body byte every 0.25 s, for ever
  /drip-header  the status line and one header line that never ends, a byte
                every 0.25 s
  /endless      200 without a length: the title, then filler as fast as the
                client reads, for ever
  /endless-announced  the same, announcing 2,000,000,000 bytes
  /loop         302 to itself
  /cut-header   half a header, then the connection closes
  /garbage      a status line that is not HTTP, then closes
  /huge-header  200 with a 1 MiB header line, then the titled page

Usage: hostile-web.py ADDRESS PORT LIFETIME_SECONDS. The whole process ends
after its lifetime whatever the clients do, and every endless answer stops
at 1 GiB; it never reaches beyond the address it was given.
"""
import os
import socket
import sys
import threading
import time

TITLED = b"<html><head><title>Google</title></head><body>lab</body></html>"
ENDLESS_CAP = 1 << 30
DRIP_PAUSE = 0.25


def read_request(conn):
    """The request path, or None; at most 8 KiB and 10 s of header."""
    conn.settimeout(10)
    data = b""
    while b"\r\n\r\n" not in data and len(data) < 8192:
        chunk = conn.recv(1024)
        if not chunk:
            return None
        data += chunk
    parts = data.split(b" ", 2)
    return parts[1].decode("latin-1") if len(parts) > 2 else None


def drip(conn, text, deadline):
    for i in range(len(text)):
        if time.monotonic() > deadline:
            return
        conn.sendall(text[i:i + 1])
        time.sleep(DRIP_PAUSE)


def endless(conn, head):
    conn.sendall(head + TITLED)
    filler = b"<p>" + b"x" * 16380 + b"</p>"
    sent = 0
    while sent < ENDLESS_CAP:
        conn.sendall(filler)
        sent += len(filler)


def serve(conn, deadline):
    path = read_request(conn)
    conn.settimeout(max(1.0, deadline - time.monotonic()))
    ok = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
    if path == "/page":
        conn.sendall(ok + b"Content-Length: %d\r\n\r\n" % len(TITLED) + TITLED)
    elif path == "/silent":
        time.sleep(max(0.0, deadline - time.monotonic()))
    elif path == "/drip":
        conn.sendall(ok + b"Connection: close\r\n\r\n")
        drip(conn, b"x" * 1000000, deadline)
    elif path == "/drip-header":
        drip(conn, ok + b"X-Slow: " + b"a" * 1000000, deadline)
    elif path == "/endless":
        endless(conn, ok + b"Connection: close\r\n\r\n")
    elif path == "/endless-announced":
        endless(conn, ok + b"Content-Length: 2000000000\r\n\r\n")
    elif path == "/loop":
        conn.sendall(b"HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n")
    elif path == "/cut-header":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Ty")
    elif path == "/garbage":
        conn.sendall(b"\x00\xff\x13 SPEAKS NO HTTP \xfe\r\n\r\nnothing")
    elif path == "/huge-header":
        conn.sendall(ok + b"X-Pad: " + b"a" * (1 << 20) + b"\r\n" +
                     b"Content-Length: %d\r\n\r\n" % len(TITLED) + TITLED)
    else:
        conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")


def handle(conn, deadline):
    try:
        serve(conn, deadline)
    except OSError:
        pass  # the client gave up: that is what it is meant to do
    finally:
        conn.close()


def main():
    address, port, lifetime = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    deadline = time.monotonic() + lifetime
    ender = threading.Timer(lifetime, lambda: os._exit(0))
    ender.daemon = True
    ender.start()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    server.listen(64)
    for _ in range(10000):  # far more requests than a test makes
        conn, _peer = server.accept()
        threading.Thread(target=handle, args=(conn, deadline), daemon=True).start()


if __name__ == "__main__":
    main()
