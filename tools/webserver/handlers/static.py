"""Files below the served root; 404 for anything else (and for paths that leave the root)."""
import mimetypes
import os


def handle(request, Reply):
    root = request.server.root
    path = os.path.realpath(os.path.join(root, request.path.lstrip("/")))
    if (path != root and not path.startswith(root + os.sep)) or not os.path.isfile(path):
        return Reply(404, {"Content-Type": "text/plain"}, b"not found")
    with open(path, "rb") as f:
        body = f.read()
    kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
    return Reply(200, {"Content-Type": kind}, body)
