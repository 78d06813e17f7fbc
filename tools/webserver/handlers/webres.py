"""/webres/<file>: the program's local pages, so a browser can open them as the program would.

They come from VX_SERVER_BIN/webres (the copy beside a built program) when that variable is set,
else from the source folder mainwindow/webres.
"""
import mimetypes
import os

PREFIX = "/webres/"
_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "mainwindow", "webres")


def folder():
    bin_dir = os.environ.get("VX_SERVER_BIN")
    return os.path.realpath(os.path.join(bin_dir, "webres") if bin_dir else _SOURCE)


def handle(request, Reply):
    if not request.path.startswith(PREFIX):
        return None
    root = folder()
    path = os.path.realpath(os.path.join(root, request.path[len(PREFIX):]))
    if not path.startswith(root + os.sep) or not os.path.isfile(path):
        return Reply(404, {"Content-Type": "text/plain"}, b"not found")
    with open(path, "rb") as f:
        body = f.read()
    kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
    if kind.startswith("text/") or kind.endswith("javascript"):
        kind += "; charset=utf-8"
    return Reply(200, {"Content-Type": kind, "Cache-Control": "no-cache"}, body)
