"""Replies scripted in the routes file (JSON), looked up by exact path:

{"routes": {"/path": {"status": 200, "headers": {"X": "y"}, "body": "text" | "file": "rel/path",
                      "delay_ms": 0, "cut_after": null, "chunked": false, "pace_ms": 0,
                      "hold_ms": 0, "chunk_size": 65536}}}

"file" is relative to the served root. The file is read again when it changes.
"""
import json
import os
import threading

_lock = threading.Lock()
_cache = {"path": None, "mtime": None, "routes": {}}


def _routes(path):
    try:
        mtime = os.stat(path).st_mtime
    except OSError:
        return {}
    with _lock:
        if _cache["path"] != path or _cache["mtime"] != mtime:
            with open(path, encoding="utf-8") as f:
                _cache.update(path=path, mtime=mtime, routes=json.load(f).get("routes", {}))
        return _cache["routes"]


def handle(request, Reply):
    route = _routes(request.server.routes_file).get(request.path)
    if route is None:
        return None
    if "file" in route:
        with open(os.path.join(request.server.root, route["file"]), "rb") as f:
            body = f.read()
    else:
        body = route.get("body", "").encode("utf-8")
    return Reply(status=route.get("status", 200), headers=route.get("headers", {}), body=body,
                 chunked=route.get("chunked", False), delay_ms=route.get("delay_ms", 0),
                 cut_after=route.get("cut_after"), pace_ms=route.get("pace_ms", 0),
                 hold_ms=route.get("hold_ms", 0), chunk_size=route.get("chunk_size", 65536))
