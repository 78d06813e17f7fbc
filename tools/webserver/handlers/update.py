"""The configuration server's update check and the download server's packages.

/uc/s?m=L;E      update check. E is the keyed Base64 of P ("uid;version,source,kind", key
                 "quorlin "), L the length of P. The answer is plain Base64 of an INI text:
                 [Update] UpdateSvr, filename, version, sha256 (hex of the package's bytes as
                 served). Each decoded P is appended to <root>/uc_requests.txt.
/upd/pkg/<name>  packages: a file of that name under <root>/upd/pkg/ if there is one; else
                 "*.zip" is the product package (an installer as VxMdInstaller.exe and four CRT
                 files of our own, packed on the fly: the built stand-in, or the file that the
                 offer of that name gives as "installer", e.g. the real product installer); "VxMusicSetup.exe" / "VxMdInstaller.exe" the built
                 stand-in installers; any other name 256 KiB of the /gen/bytes pattern.

The built programs come from the folder in the environment variable VX_SERVER_BIN (the Wine
wrapper sets it to the build's bin folder).

What the check offers is scriptable through <root>/uc.json, one entry per requester:
"melodisk" (kind "CHECK_UPDATE"), "playdeck" (version "MUSIC_4.0.0.0"), "other"; each may set
"version", "filename", "UpdateSvr" (null: left out), "sha256" ("auto": computed, null: left out,
else sent as given), "status" (HTTP status of the check), "raw" (reply body sent as it is),
"delay_ms" (before the check's reply), "pace_ms" (between 64 KiB pieces of the package) and
"installer" (a file packed as the package's VxMdInstaller.exe).
"""
import base64
import hashlib
import io
import json
import os
import urllib.parse
import zipfile

from handlers import gen

PREFIXES = ["/uc/", "/upd/"]
KEY = b"quorlin "
PACKAGE_PREFIX = "/upd/pkg/"

DEFAULTS = {
    "melodisk": {"version": "9.0.0.0", "filename": "VxMelodisk_9.0.0.0.zip"},
    "playdeck": {"version": "6.0.2.0", "filename": "VxMusicSetup.exe"},
    "other": {"version": "1.0.0.0", "filename": "package.dat"},
}

CRT_FILES = {
    "Microsoft.VC90.CRT.manifest":
        b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
        b'<!-- stand-in run-time manifest of the test package -->\r\n'
        b'<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"/>\r\n',
    "msvcm90.dll": b"stand-in run-time file msvcm90\r\n",
    "msvcp90.dll": b"stand-in run-time file msvcp90\r\n",
    "msvcr90.dll": b"stand-in run-time file msvcr90\r\n",
}


def keyed_decode(text):
    data = base64.b64decode(text, validate=True)
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def load_offers(root):
    try:
        with open(os.path.join(root, "uc.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def offer_for(root, who):
    offer = dict(DEFAULTS[who])
    offer.update(load_offers(root).get(who, {}))
    return offer


def bin_file(name):
    folder = os.environ.get("VX_SERVER_BIN", "")
    path = os.path.join(folder, name)
    if not folder or not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


_zips = {}


def product_zip(installer_path=None):
    if installer_path:
        try:
            with open(installer_path, "rb") as f:
                installer = f.read()
        except OSError:
            return None
    else:
        installer = bin_file("VxMdInstaller.exe")
    if installer is None:
        return None
    key = hashlib.sha256(installer).digest()
    if key in _zips:  # the check and the download ask for the same large package
        return _zips[key]
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        # A fixed date keeps the bytes (and so the announced hash) the same from check to download.
        for name, data in [("VxMdInstaller.exe", installer)] + sorted(CRT_FILES.items()):
            info = zipfile.ZipInfo(name, date_time=(2011, 6, 27, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    _zips.clear()
    _zips[key] = out.getvalue()
    return _zips[key]


def package_bytes(root, name):
    if not name or "/" in name or "\\" in name or name.startswith("."):
        return None
    path = os.path.join(root, "upd", "pkg", name)
    if os.path.isfile(path):
        with open(path, "rb") as f:
            return f.read()
    if name.lower().endswith(".zip"):
        installer = None
        for offer in load_offers(root).values():
            if isinstance(offer, dict) and offer.get("filename") == name:
                installer = offer.get("installer")
        return product_zip(installer)
    if name in ("VxMusicSetup.exe", "VxMdInstaller.exe"):
        return bin_file(name)
    return gen.pattern(0, 256 * 1024)


def requester(param):
    uid, _, rest = param.partition(";")
    fields = rest.split(",")
    version = fields[0] if fields else ""
    kind = fields[2] if len(fields) > 2 else ""
    if kind == "CHECK_UPDATE":
        return "melodisk"
    if version == "MUSIC_4.0.0.0":
        return "playdeck"
    return "other"


def base_address(request):
    host = request.headers.get("Host", "127.0.0.1:%d" % request.server.server_address[1])
    return "http://" + host


def check(request, Reply):
    raw = getattr(request, "raw_target", "")
    query = raw.split("?", 1)[1] if "?" in raw else ""
    m = None
    for part in query.split("&"):
        if part.startswith("m="):
            m = urllib.parse.unquote(part[2:])  # '+' is part of the Base64 text, not a blank
    if m is None or ";" not in m:
        return Reply(400, {"Content-Type": "text/plain"}, b"m=L;E required")
    length, _, encoded = m.partition(";")
    try:
        param = keyed_decode(encoded)
    except ValueError:
        return Reply(400, {"Content-Type": "text/plain"}, b"bad encoding")
    if not length.isdigit() or int(length) != len(param):
        return Reply(400, {"Content-Type": "text/plain"}, b"length does not match")
    root = request.server.root
    with open(os.path.join(root, "uc_requests.txt"), "ab") as f:
        f.write(param + b"\n")

    who = requester(param.decode("latin-1"))
    offer = offer_for(root, who)
    delay = int(offer.get("delay_ms", 0))
    if "status" in offer and int(offer["status"]) >= 400:
        return Reply(int(offer["status"]), {"Content-Type": "text/plain"}, b"refused", delay_ms=delay)
    if "raw" in offer:
        return Reply(200, {"Content-Type": "text/plain"}, offer["raw"].encode("latin-1"), delay_ms=delay)

    lines = ["[Update]"]
    server = offer.get("UpdateSvr", base_address(request) + PACKAGE_PREFIX.rstrip("/"))
    if server is not None:
        lines.append("UpdateSvr=" + server)
    lines.append("filename=" + offer["filename"])
    lines.append("version=" + offer["version"])
    sha = offer.get("sha256", "auto")
    if sha == "auto":
        data = package_bytes(root, offer["filename"])
        sha = hashlib.sha256(data).hexdigest() if data is not None else None
    if sha is not None:
        lines.append("sha256=" + sha)
    text = ("\r\n".join(lines) + "\r\n").encode("latin-1")
    return Reply(200, {"Content-Type": "text/plain"}, base64.b64encode(text), delay_ms=delay)


def package(request, Reply):
    name = request.path[len(PACKAGE_PREFIX):]
    root = request.server.root
    data = package_bytes(root, name)
    if data is None:
        return Reply(404, {"Content-Type": "text/plain"}, b"no such package")
    pace = 0
    for offer in load_offers(root).values():
        if isinstance(offer, dict) and offer.get("filename") == name:
            pace = int(offer.get("pace_ms", 0))
    return Reply(200, {"Content-Type": "application/octet-stream"}, data, pace_ms=pace)


def handle(request, Reply):
    if request.path == "/uc/s":
        return check(request, Reply)
    if request.path.startswith(PACKAGE_PREFIX):
        return package(request, Reply)
    return None
