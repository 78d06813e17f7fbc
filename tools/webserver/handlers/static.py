"""Files below the served root; 404 for anything else (and for paths that leave the root).

A file F may come with "F.reply.json", whose reply options ("status", "cut_after", "delay_ms",
"hold_ms", "pace_ms") shape how F is served, so that a test can make a known address fail.
"""
import json
import mimetypes
import os

_OPTIONS = ("status", "cut_after", "delay_ms", "hold_ms", "pace_ms")


def handle(request, Reply):
    root = request.server.root
    path = os.path.realpath(os.path.join(root, request.path.lstrip("/")))
    if (path != root and not path.startswith(root + os.sep)) or not os.path.isfile(path):
        return Reply(404, {"Content-Type": "text/plain"}, b"not found")
    with open(path, "rb") as f:
        body = f.read()
    options = {}
    try:
        with open(path + ".reply.json", encoding="utf-8") as f:
            options = {k: v for k, v in json.load(f).items() if k in _OPTIONS}
    except (OSError, ValueError):
        pass
    kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
    status = options.pop("status", 200)
    return Reply(status, {"Content-Type": kind}, body, **options)
