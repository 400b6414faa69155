#!/usr/bin/env python3
"""The local product site that ./run builds its run configuration against.

Serves tools/site/ on 127.0.0.1, plus an update list that offers the version the programs already
have (--version, the build's), so a first run shows no network error and the updater ends quietly as
up to date. With --key the list is signed (for an updater built with that key's public half), with an
expiry and the digest of the setup program (--setup, served as /setup/Pelmor.exe; without one, the digest
of no bytes, which nothing served matches). The request log is begun anew at every start.
"""
import argparse
import hashlib
import http.server
import os
import sys
import threading

import update_list

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")


def make_list(version, port, key_path, setup_path):
    digest = update_list.sha256_file(setup_path) if setup_path else hashlib.sha256(b"").hexdigest()
    line = update_list.first_line(version, f"http://127.0.0.1:{port}/setup/Pelmor.exe", digest,
                                  update_list.expiry(30))
    if not key_path:
        return (line + "\r\n").encode("ascii")
    return update_list.signed_list([update_list.load_private_key(key_path)], line)


def make_handler(log_path, list_body, setup_path):
    log_lock = threading.Lock()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=SITE, **kw)

        def send_body(self, content_type, body):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if log_path:
                with log_lock, open(log_path, "a", encoding="utf-8") as f:
                    f.write(self.path + "\n")
            path = self.path.split("?")[0]
            if path.lower() == "/upsoft.txt":
                self.send_body("text/plain", list_body)
                return
            if path == "/setup/Pelmor.exe" and setup_path:
                with open(setup_path, "rb") as f:
                    self.send_body("application/octet-stream", f.read())
                return
            if self.path.endswith(".swf") or self.path.endswith(".jsp"):
                # Outside quote pages are not part of the local site; answer with an empty page.
                self.send_body("text/html", b"<!DOCTYPE html><html><body></body></html>")
                return
            super().do_GET()

        def log_message(self, *args):
            pass

    return Handler


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=18090)
    ap.add_argument("--log", default="")
    ap.add_argument("--version", required=True, help="the version the list offers: the programs' own")
    ap.add_argument("--key", default="", help="private key that signs the update list")
    ap.add_argument("--setup", default="", help="the setup program the list names and the site serves")
    args = ap.parse_args()
    if args.log:
        open(args.log, "w", encoding="utf-8").close()
    list_body = make_list(args.version, args.port, args.key, args.setup)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port),
                                                 make_handler(args.log, list_body, args.setup))
    except OSError as e:
        print(f"site-server: cannot listen on 127.0.0.1:{args.port}: {e}", file=sys.stderr)
        return 1
    print(f"site-server: http://127.0.0.1:{args.port}/", flush=True)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
