"""The registration server and the log server of the daily report.

/regsvr.auth?L&E   E is the keyed Base64 (key b"quorlin ") of a registration text of L bytes.
                   Answers "id=<n>": the id the text carries when it is a number above 0, else a new
                   one (100001, 100002, ... in the order of the server's run). A length that does not
                   match or a text that does not decode: 400.
/um/s?m=L;E        the same encoding of "id;version,src"; the body is a zlib stream. Answers 200 "ok",
                   400 when the parameter or the body does not decode.

What arrived is kept in the folder "report" beside the journal (beside the served root when the
server runs without a journal), numbered in arrival order across both kinds:
    NNNN-regsvr.txt   the decoded registration text, a line break, then the answer
    NNNN-um.param     the decoded parameter of an upload
    NNNN-um.txt       the inflated upload record, byte for byte
"""
import base64
import binascii
import os
import threading
import zlib

KEY = b"quorlin "
REGISTER = "/regsvr.auth"
UPLOAD = "/um/s"
PREFIXES = [REGISTER, "/um/"]

_lock = threading.Lock()
_state = {"seq": 0, "next_id": 100000}


def decode(text):
    """Keyed Base64 text -> bytes, None when it is not valid."""
    try:
        data = base64.b64decode(text.encode("ascii"), validate=True)
    except (binascii.Error, ValueError, UnicodeEncodeError):
        return None
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def decode_param(length_text, encoded):
    plain = decode(encoded)
    if plain is None or not length_text.isdigit() or int(length_text) != len(plain):
        return None
    return plain


def folder(server):
    journal = getattr(server.journal, "path", "")
    base = os.path.dirname(os.path.abspath(journal)) if journal else os.path.dirname(server.root)
    path = os.path.join(base, "report")
    os.makedirs(path, exist_ok=True)
    return path


def keep(server, files):
    with _lock:
        _state["seq"] += 1
        seq = _state["seq"]
    base = folder(server)
    for suffix, data in files:
        name = os.path.join(base, "%04d-%s" % (seq, suffix))
        with open(name + ".tmp", "wb") as f:
            f.write(data)
        os.replace(name + ".tmp", name)  # readers never see a half-written record


def handle(request, Reply):
    raw = getattr(request, "raw_target", request.path)
    path, _, query = raw.partition("?")
    if path == REGISTER:
        length_text, _, encoded = query.partition("&")
        text = decode_param(length_text, encoded)
        if text is None:
            return Reply(400, {"Content-Type": "text/plain"}, b"bad registration text")
        fields = dict(part.split(b"=", 1) for part in text.split(b"&") if b"=" in part)
        old = fields.get(b"id", b"")
        if old.isdigit() and int(old) > 0:
            new = old
        else:
            with _lock:
                _state["next_id"] += 1
                new = str(_state["next_id"]).encode()
        answer = b"id=" + new
        keep(request.server, [("regsvr.txt", text + b"\n" + answer)])
        return Reply(200, {"Content-Type": "text/plain"}, answer)
    if path == UPLOAD:
        if not query.startswith("m="):
            return Reply(400, {"Content-Type": "text/plain"}, b"m required")
        length_text, _, encoded = query[2:].partition(";")
        param = decode_param(length_text, encoded)
        try:
            record = zlib.decompress(request.body)
        except zlib.error:
            record = None
        if param is None or record is None:
            return Reply(400, {"Content-Type": "text/plain"}, b"bad upload")
        keep(request.server, [("um.param", param), ("um.txt", record)])
        return Reply(200, {"Content-Type": "text/plain"}, b"ok")
    return None
