#!/usr/bin/env python3
"""A web server on 127.0.0.1 for page-fetch tests, built on http.server.

  /page.html  200 with a titled page
  /missing    404
  /redirect   302 to /page.html
  /loop       302 to itself, for ever
  /short      200 announcing 100 bytes, sending 10, then closing
  /empty      200 with an empty body
  /silent     takes the request and never answers (for at most a minute)
  /trickle    200 without a length, then one byte every 0.1 s (at most 600)
  /quit       ends the server

Usage: http-peer.py PORT [LIFETIME_SECONDS]; it ends by itself after its
lifetime (default 60 s) whatever happens.
"""
import http.server
import sys
import threading
import time

PAGE = b"<html><head><title>Plover lab page</title></head><body>lab</body></html>"


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path == "/page.html":
            self.answer(200, PAGE, [("Content-Type", "text/html")])
        elif self.path == "/redirect":
            self.answer(302, b"", [("Location", "/page.html")])
        elif self.path == "/loop":
            self.answer(302, b"", [("Location", "/loop")])
        elif self.path == "/short":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.write(b"<html>cut ")
            self.wfile.flush()
            self.close_connection = True
        elif self.path == "/empty":
            self.answer(200, b"", [("Content-Type", "text/html")])
        elif self.path == "/silent":
            time.sleep(60)
            self.close_connection = True
        elif self.path == "/trickle":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            self.wfile.flush()
            try:
                for _ in range(600):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
            self.close_connection = True
        elif self.path == "/quit":
            self.answer(200, b"bye")
            threading.Thread(target=self.server.shutdown).start()
        else:
            self.answer(404, b"not here", [("Content-Type", "text/plain")])


def main():
    port = int(sys.argv[1])
    lifetime = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
