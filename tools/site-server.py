#!/usr/bin/env python3
"""The local product site that ./run builds its run configuration against.

Serves tools/site/ on 127.0.0.1, plus an update list that offers the version the programs already
have, so a first run shows no network error and the updater ends quietly as up to date.
"""
import argparse
import http.server
import os
import sys
import threading

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")


def make_handler(port, log_path):
    log_lock = threading.Lock()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=SITE, **kw)

        def do_GET(self):
            if log_path:
                with log_lock, open(log_path, "a", encoding="utf-8") as f:
                    f.write(self.path + "\n")
            if self.path.split("?")[0].lower() == "/upsoft.txt":
                body = f"1.5|http://127.0.0.1:{port}/setup/Pelmor.exe\r\n".encode("ascii")
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            if self.path.endswith(".swf") or self.path.endswith(".jsp"):
                # Outside quote pages are not part of the local site; answer with an empty page.
                body = b"<!DOCTYPE html><html><body></body></html>"
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                return
            super().do_GET()

        def log_message(self, *args):
            pass

    return Handler


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=18090)
    ap.add_argument("--log", default="")
    args = ap.parse_args()
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(args.port, args.log))
    except OSError as e:
        print(f"site-server: cannot listen on 127.0.0.1:{args.port}: {e}", file=sys.stderr)
        return 1
    print(f"site-server: http://127.0.0.1:{args.port}/", flush=True)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
