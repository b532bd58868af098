#!/usr/bin/env python3
"""The lab's one web server: the probe hosts' home pages, and the answers,
sound and hostile, that the page tests ask for by path. Plain sockets, so
every byte on the wire is this script's choice.

Usage: web.py ADDRESS PORT LIFETIME_SECONDS [HOST_ADDRESS=TITLE ...]

  /             the page titled TITLE when the request came to HOST_ADDRESS;
                a TITLE that starts with "/" is a 302 there (a sign-in portal)
  /page.html    200 with a titled page         /page   200, titled "Google"
  /redirect     302 to /page.html              /loop   302 to itself
  /short        announces 100 bytes, sends 10  /empty  200 with no body
  /silent       takes the request, never answers
  /trickle      200 without a length, a byte every 0.1 s (600 at most)
  /drip         200, then a body byte every 0.25 s
  /drip-header  a header line that never ends, a byte every 0.25 s
  /endless      200 without a length: a titled page, then filler for ever
  /endless-announced  the same, announcing 2,000,000,000 bytes
  /cut-header   half a header, then the connection closes
  /garbage      a status line that is not HTTP
  /huge-header  a 1 MiB header line, then the titled page
  anything else 404 "not here"

Every request is printed ("ADDRESS PATH USER-AGENT"). The process ends after
its lifetime whatever the clients do; an endless answer stops at 1 GiB.
"""
import os
import socket
import sys
import threading
import time

ENDLESS_CAP = 1 << 30
OK = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"


def titled(title):
    return b"<html><head><title>%s</title></head><body>lab</body></html>" % title.encode()


def whole(body, status=b"200 OK", extra=b""):
    return (b"HTTP/1.1 " + status + b"\r\nContent-Type: text/html\r\nConnection: close\r\n" + extra
            + b"Content-Length: %d\r\n\r\n" % len(body) + body)


def read_request(conn):
    """The request's path and user agent; at most 8 KiB and 10 s of header."""
    conn.settimeout(10)
    data = b""
    while b"\r\n\r\n" not in data and len(data) < 8192:
        chunk = conn.recv(1024)
        if not chunk:
            return None, ""
        data += chunk
    lines = data.decode("latin-1").split("\r\n")
    parts = lines[0].split(" ")
    agent = next((line.split(":", 1)[1].strip() for line in lines
                  if line.lower().startswith("user-agent:")), "")
    return (parts[1] if len(parts) > 2 else None), agent


def slowly(conn, data, pause, deadline, count=None):
    for i in range(min(len(data), count or len(data))):
        if time.monotonic() > deadline:
            return
        conn.sendall(data[i:i + 1])
        time.sleep(pause)


def endless(conn, head):
    conn.sendall(head + titled("Google"))
    filler = b"<p>" + b"x" * 16380 + b"</p>"
    for _ in range(ENDLESS_CAP // len(filler)):
        conn.sendall(filler)


def answer(conn, path, pages, deadline):
    local = conn.getsockname()[0]
    if path == "/" and local in pages and pages[local].startswith("/"):
        location = f"http://{local}{pages[local]}".encode()
        conn.sendall(whole(b"", b"302 Found", b"Location: " + location + b"\r\n"))
    elif path == "/" and local in pages:
        conn.sendall(whole(titled(pages[local])))
    elif path == "/page.html":
        conn.sendall(whole(titled("Plover lab page")))
    elif path == "/page":
        conn.sendall(whole(titled("Google")))
    elif path in ("/redirect", "/loop"):
        target = b"/page.html" if path == "/redirect" else b"/loop"
        conn.sendall(whole(b"", b"302 Found", b"Location: " + target + b"\r\n"))
    elif path == "/short":
        conn.sendall(OK + b"Content-Length: 100\r\n\r\n<html>cut ")
    elif path == "/empty":
        conn.sendall(whole(b""))
    elif path == "/silent":
        time.sleep(max(0.0, deadline - time.monotonic()))
    elif path == "/trickle":
        conn.sendall(OK + b"Connection: close\r\n\r\n")
        slowly(conn, b"x" * 600, 0.1, deadline)
    elif path == "/drip":
        conn.sendall(OK + b"Connection: close\r\n\r\n")
        slowly(conn, b"x" * 1000000, 0.25, deadline)
    elif path == "/drip-header":
        slowly(conn, OK + b"X-Slow: " + b"a" * 1000000, 0.25, deadline)
    elif path == "/endless":
        endless(conn, OK + b"Connection: close\r\n\r\n")
    elif path == "/endless-announced":
        endless(conn, OK + b"Content-Length: 2000000000\r\n\r\n")
    elif path == "/cut-header":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Ty")
    elif path == "/garbage":
        conn.sendall(b"\x00\xff\x13 SPEAKS NO HTTP \xfe\r\n\r\nnothing")
    elif path == "/huge-header":
        conn.sendall(whole(titled("Google"), extra=b"X-Pad: " + b"a" * (1 << 20) + b"\r\n"))
    else:
        conn.sendall(whole(b"not here", b"404 Not Found"))


def serve(conn, pages, deadline):
    try:
        path, agent = read_request(conn)
        print(f"{conn.getsockname()[0]} {path} {agent}", flush=True)
        conn.settimeout(max(1.0, deadline - time.monotonic()))
        if path:
            answer(conn, path, pages, deadline)
    except OSError:
        pass  # the client gave up: what a hostile answer is for
    finally:
        conn.close()


def main():
    address, port, lifetime = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    pages = dict(pair.split("=", 1) for pair in sys.argv[4:])
    deadline = time.monotonic() + lifetime
    ender = threading.Timer(lifetime, lambda: os._exit(0))
    ender.daemon = True
    ender.start()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    server.listen(64)
    for _ in range(10000):  # far more requests than a lab makes
        conn, _peer = server.accept()
        threading.Thread(target=serve, args=(conn, pages, deadline), daemon=True).start()


if __name__ == "__main__":
    main()
