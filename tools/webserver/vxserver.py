#!/usr/bin/env python3
"""Local stand-in for the maker's web servers.

Serves files from a root folder, scripted replies from a routes file and generated bodies, and
writes one journal line (JSON) per request so that tests can see what reached the server.

    vxserver.py --root DIR [--routes FILE] [--journal FILE] [--port-file FILE] [--port N]

Handlers are found by path prefix in HANDLERS (see handlers/); add a module there and register
its prefixes to serve a new kind of request.
"""
import argparse
import hashlib
import http.server
import json
import os
import signal
import socketserver
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from handlers import catalogue, gen, scripted, static, vxres  # noqa: E402

# Longest prefix wins; exact routes of the routes file are tried before any prefix.
HANDLERS = [
    ("/gen/", gen.handle),
    (vxres.PREFIX, vxres.handle),
] + [(prefix, catalogue.handle) for prefix in catalogue.PREFIXES]
from handlers import report; HANDLERS += [(p, report.handle) for p in report.PREFIXES]  # noqa: E402,E702
from handlers import update; HANDLERS += [(p, update.handle) for p in update.PREFIXES]  # noqa: E402,E702
from handlers import webres; HANDLERS += [(webres.PREFIX, webres.handle)]  # noqa: E402,E702


class Reply:
    """What a handler asks the server to send."""

    def __init__(self, status=200, headers=None, body=b"", chunked=False, delay_ms=0,
                 cut_after=None, pace_ms=0, chunk_size=65536, length=None, source=None, hold_ms=0):
        self.status = status
        self.headers = headers or {}
        self.body = body            # bytes, used when source is None
        self.source = source        # callable(offset, size) -> bytes, for generated bodies
        self.length = len(body) if length is None else length
        self.chunked = chunked
        self.delay_ms = delay_ms    # before the body
        self.hold_ms = hold_ms      # before the status line: a server that takes the request and says nothing
        self.cut_after = cut_after  # close the connection after this many body bytes
        self.pace_ms = pace_ms      # pause between chunks
        self.chunk_size = chunk_size


class Journal:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def write(self, record):
        if not self.path:
            return
        line = json.dumps(record, ensure_ascii=False)
        with self.lock, open(self.path, "a", encoding="utf-8") as f:
            f.write(line + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VxStandIn/1.0"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("vxserver: " + (fmt % args) + "\n")

    def do_GET(self):
        self.serve(send_body=True)

    def do_POST(self):
        self.serve(send_body=True)

    def do_PUT(self):
        self.serve(send_body=True)

    def do_HEAD(self):
        self.serve(send_body=False)

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            parts = []
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    break
                parts.append(self.rfile.read(size))
                self.rfile.readline()
            return b"".join(parts)
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def serve(self, send_body):
        body = self.read_body()
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        self.server.journal.write({
            "time": time.time(),
            "method": self.command,
            "path": self.path,
            "headers": {k: v for k, v in self.headers.items()},
            "body_length": len(body),
            "body_sha256": hashlib.sha256(body).hexdigest(),
        })
        request = Request(self.command, url.path, query, self.headers, body, self.server)
        request.raw_target = self.path  # keys in the system code page survive only undecoded
        try:
            reply = self.dispatch(request)
        except Exception as e:  # a broken handler answers 500 instead of killing the connection
            reply = Reply(500, {"Content-Type": "text/plain"}, ("handler error: %s" % e).encode())
        self.send(reply, send_body)

    def dispatch(self, request):
        reply = scripted.handle(request, Reply)
        if reply is not None:
            return reply
        best = None
        for prefix, handler in HANDLERS:
            if request.path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
                best = (prefix, handler)
        if best is not None:
            reply = best[1](request, Reply)
            if reply is not None:
                return reply
        return static.handle(request, Reply)

    def send(self, reply, send_body):
        if reply.hold_ms:
            time.sleep(reply.hold_ms / 1000.0)
        self.send_response(reply.status)
        headers = dict(reply.headers)
        if reply.chunked:
            headers["Transfer-Encoding"] = "chunked"
        else:
            headers["Content-Length"] = str(reply.length)
        headers.setdefault("Content-Type", "application/octet-stream")
        if reply.cut_after is not None:
            headers["Connection"] = "close"
        for k, v in headers.items():
            self.send_header(k, v)
        self.end_headers()
        if not send_body:
            return
        if reply.delay_ms:
            time.sleep(reply.delay_ms / 1000.0)
        limit = reply.length if reply.cut_after is None else min(reply.cut_after, reply.length)
        offset = 0
        try:
            while offset < limit:
                n = min(reply.chunk_size, limit - offset)
                data = reply.source(offset, n) if reply.source else reply.body[offset:offset + n]
                if reply.chunked:
                    self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
                else:
                    self.wfile.write(data)
                offset += n
                if reply.pace_ms and offset < limit:
                    self.wfile.flush()
                    time.sleep(reply.pace_ms / 1000.0)
            if reply.cut_after is not None and reply.cut_after < reply.length:
                self.wfile.flush()
                self.close_connection = True
                return
            if reply.chunked:
                self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


class Request:
    def __init__(self, method, path, query, headers, body, server):
        self.method = method
        self.path = urllib.parse.unquote(path)
        self.query = query
        self.headers = headers
        self.body = body
        self.server = server

    def arg(self, name, default=None):
        values = self.query.get(name)
        return values[0] if values else default

    def int_arg(self, name, default=0):
        try:
            return int(self.arg(name, default))
        except (TypeError, ValueError):
            return default


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--root", required=True, help="folder served as /")
    p.add_argument("--routes", default=os.path.join(here, "routes.json"))
    p.add_argument("--journal", default="")
    p.add_argument("--port-file", default="")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--verbose", action="store_true")
    args = p.parse_args()

    server = Server(("127.0.0.1", args.port), Handler)
    server.root = os.path.abspath(args.root)
    server.routes_file = args.routes
    server.journal = Journal(args.journal)
    server.verbose = args.verbose
    port = server.server_address[1]

    def stop(signum, frame):
        # shutdown() waits for serve_forever, which runs on this thread: hand it to another one.
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)  # readers never see a half-written port
    print("vxserver listening on http://127.0.0.1:%d" % port, flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
