#!/usr/bin/env python3
"""The lab's web servers: the probe hosts' home pages, one per address.

Usage: lab-web.py VENDOR_ADDRESS SEARCH_ADDRESS LIFETIME_SECONDS
Listens on port 80 of every address of the lab's network namespace and
answers by the address the request came to: the vendor's page on
VENDOR_ADDRESS, the search engine's on SEARCH_ADDRESS, 404 elsewhere. Every
request is printed (address, path, user agent). Ends by itself after its
lifetime.
"""
import http.server
import sys
import threading

VENDOR_PAGE = (
    b"<html><head><title>Brackenfield &raquo; Guaranteed Computer Protection</title></head>"
    b"<body><h1>Brackenfield</h1><p>Lab copy of the vendor's home page.</p></body></html>"
)
SEARCH_PAGE = (
    b"<html><head><title>Google</title></head>"
    b"<body><p>Lab copy of the search engine's home page.</p></body></html>"
)


class Handler(http.server.BaseHTTPRequestHandler):
    pages = {}

    def log_message(self, *args):
        pass

    def do_GET(self):
        address = self.connection.getsockname()[0]
        page = self.pages.get(address)
        agent = self.headers.get("User-Agent", "")
        print(f"{address} {self.path} {agent}", flush=True)
        status, body = (200, page) if page and self.path == "/" else (404, b"not here")
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    vendor, search, lifetime = sys.argv[1], sys.argv[2], float(sys.argv[3])
    Handler.pages = {vendor: VENDOR_PAGE, search: SEARCH_PAGE}
    server = http.server.ThreadingHTTPServer(("0.0.0.0", 80), Handler)
    server.daemon_threads = True
    timer = threading.Timer(lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
