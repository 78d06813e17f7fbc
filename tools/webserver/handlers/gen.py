"""Generated bodies, so that tests need no large files.

/gen/bytes?size=N   N bytes; byte i is (i + 7*(i>>8) + 13*(i>>16)) & 0xFF, so a shifted, repeated
                    or dropped block shows. Options: chunked=1, cut=M (close after M bytes),
                    delay_ms, pace_ms (pause between 64 KiB pieces), status.
/gen/echo           the request body back (any method).
"""

_ROWS = [bytes((x + s) & 0xFF for x in range(256)) for s in range(256)]


def pattern(offset, size):
    first, last = offset >> 8, (offset + size - 1) >> 8
    rows = b"".join(_ROWS[(7 * r + 13 * (r >> 8)) & 0xFF] for r in range(first, last + 1))
    start = offset - (first << 8)
    return rows[start:start + size]


def _common(request, Reply, length, **kw):
    cut = request.arg("cut")
    return Reply(status=request.int_arg("status", 200),
                 chunked=request.arg("chunked") == "1",
                 cut_after=int(cut) if cut not in (None, "") else None,
                 delay_ms=request.int_arg("delay_ms"),
                 pace_ms=request.int_arg("pace_ms"),
                 length=length, **kw)


def handle(request, Reply):
    if request.path == "/gen/bytes":
        size = max(0, request.int_arg("size"))
        return _common(request, Reply, size, source=pattern)
    if request.path == "/gen/echo":
        return _common(request, Reply, len(request.body), body=request.body)
    return None
