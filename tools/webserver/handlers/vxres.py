"""Song files that the stand-in desktop player downloads.

/vxres/<rid>?size=N   N bytes (the size the catalogue gives the resource). Byte i is
                      ((i + 7*(i>>8) + 13*(i>>16)) + seed) & 0xFF, where seed is the sum of the
                      bytes of <rid> as sent (percent-decoded) modulo 256: the /gen/bytes pattern,
                      shifted per resource so that two files mixed up show. Options as /gen/bytes:
                      chunked=1, cut=M, delay_ms, pace_ms, status. Without size: 400.
"""
import urllib.parse

from handlers import gen

PREFIX = "/vxres/"


def seed(rid_bytes):
    return sum(rid_bytes) & 0xFF


def handle(request, Reply):
    if not request.path.startswith(PREFIX):
        return None
    raw = getattr(request, "raw_target", request.path).split("?", 1)[0]
    rid = urllib.parse.unquote_to_bytes(raw[len(PREFIX):])
    if not rid or request.arg("size") in (None, ""):
        return Reply(400, {"Content-Type": "text/plain"}, b"rid and size required")
    size = max(0, request.int_arg("size"))
    table = bytes((x + seed(rid)) & 0xFF for x in range(256))
    return gen._common(request, Reply, size, source=lambda offset, n: gen.pattern(offset, n).translate(table))
