"""The demo catalogue: search, tips, charts, JSON pages, images and the ranking archive.

Reads <root>/../corpus/catalogue.json, written by tools/democatalogue/generate.py; without it every
request here falls through to the other handlers. Addresses in the corpus and the archive use a
placeholder host that is replaced by "http://" + the request's Host, so the data works on any port.

/r.s?...&<all|album|lrccontent|artist>=<GBK key>&...   keyword search, block replies (GBK)
/t.s?c=pdeck&w=<GBK key>                               search tips (GBK lines)
/vdisk.web?t=search&...&all=<key>&pn=N                 video search (JSON, UTF-8)
/vdisk.web?t=list&...&tag=<tag>&pn=N&rn=60             video and drama lists (JSON)
/weblist/<name>_p<k>.js                                web lists: "mvlist" / "albumlist" pages
/jsonpages/<first>-<total>-<per>_p<k>.js               a song list paged as asked: pages numbered
                                                       from <first>, "total" as given (a lie too)
/pdeck_data/charts/<name>.qrb                          charts, block replies
/pdeck_data/dataset/VPan/Tree.zip                      the generated archive, host filled in
/netlist/<name>.dat                                    network child list item
/star/...                                              generated images
/vplay/<id>_<n>.html                                   video pages for the movie player
"""
import io
import json
import math
import os
import random
import re
import struct
import threading
import urllib.parse
import zipfile
import zlib

PREFIXES = ["/r.s", "/t.s", "/vdisk.web", "/weblist/", "/jsonpages/", "/pdeck_data/", "/netlist/", "/star/",
            "/vplay/"]
PAGE_RECORDS = 100       # songs per block of a search reply
RESULT_LIMIT = 1000      # the client asks for rn=1000
RANDOM_PICKS = 100
VIDEO_PAGE = 60
TIP_WORDS = 10
RESERVED = b"().!~*'-_"

_lock = threading.Lock()
_cache = {}


class Corpus:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        self.placeholder = data["placeholder"]
        self.singers = data["singers"]
        self.singer_by_name = {s["name"]: s for s in self.singers}
        self.songs = data["songs"]
        self.song_by_id = {s["id"]: s for s in self.songs}
        self.albums = {a["id"]: a for a in data["albums"]}
        self.charts = data["charts"]
        self.videos = data["videos"]
        self.video_by_id = {v["id"]: v for v in self.videos}
        self.video_tags = data["video_tags"]
        self.weblists = data["weblists"]
        self.netlists = data["netlists"]
        for song in self.songs:
            song["_all"] = "\n".join((song["name"], song["artist"], song["album"])).lower()
            song["_lyrics"] = [line.lower() for line in song["lyrics"]]


def _corpus(request):
    path = os.path.join(os.path.dirname(request.server.root), "corpus", "catalogue.json")
    try:
        mtime = os.stat(path).st_mtime
    except OSError:
        return None
    with _lock:
        entry = _cache.get(path)
        if entry is None or entry[0] != mtime:
            entry = (mtime, Corpus(path))
            _cache[path] = entry
        return entry[1]


def _host(request):
    host = request.headers.get("Host") or "127.0.0.1:%d" % request.server.server_address[1]
    return "http://" + host


def _raw_args(request):
    """Query values as undecoded bytes: search keys arrive as percent-encoded GBK."""
    target = getattr(request, "raw_target", None)
    if target is None:
        target = urllib.parse.quote(request.path) + "?" + urllib.parse.urlencode(request.query,
                                                                                 doseq=True)
    path, sep, query = target.partition("?")
    decoded = False
    if not sep and "%3f" in path.lower():
        # the whole address was percent-encoded, "?" included
        query, decoded = urllib.parse.unquote_to_bytes(path).partition(b"?")[2], True
    elif "=" not in query and "%3d" in query.lower():
        query, decoded = urllib.parse.unquote_to_bytes(query), True
    if not decoded:
        query = query.encode("latin-1", errors="replace")
    args = {}
    for part in query.split(b"&"):
        name, _, value = part.partition(b"=")
        if not decoded:
            name, value = urllib.parse.unquote_to_bytes(name), urllib.parse.unquote_to_bytes(value)
        args.setdefault(name.decode("latin-1"), value)
    return args


def _text(raw, first, second):
    for encoding in (first, second):
        try:
            return raw.decode(encoding)
        except UnicodeDecodeError:
            pass
    # a key cut in the middle of a character: keep the whole characters
    return raw.decode(first, errors="ignore")


def _page_number(args, name="pn"):
    try:
        return max(0, int(args.get(name, b"0").decode("ascii") or 0))
    except (UnicodeDecodeError, ValueError):
        return 0


def _block(text):
    raw = text.encode("gbk", errors="replace")
    packed = zlib.compress(raw)
    return struct.pack("<II", len(raw), len(packed)) + packed


def _record(fields):
    return "".join("%s=%s\n" % (k, v) for k, v in fields) + "\r\n\r\n"


def _song_fields(corpus, song, change=None, lyric=None):
    fields = [("songname", song["name"]), ("artist", song["artist"]), ("album", song["album"]),
              ("tag", song["tag"]), ("filesize", song["size"]), ("score", song["score"]),
              ("nsig1", song["nsig1"]), ("nsig2", song["nsig2"]),
              ("musicrid", "MUSIC_%d" % song["id"]), ("mp3rid", "MP3_%d" % song["id"]),
              ("mp3nsig1", song["mp3nsig1"]), ("mp3nsig2", song["mp3nsig2"]),
              ("mp3size", song["mp3size"]), ("mp3bitrate", song["mp3bitrate"]),
              ("bitrate", song["bitrate"]), ("playcnt", song["playcnt"]),
              ("releasetime", song["releasetime"]),
              ("isnew", "1" if song["releasetime"] > 1300000000 else "0")]
    if "mkv" in song:
        fields += [("mkvrid", "MKV_%d" % song["id"]), ("mkvnsig1", song["mkv"][0]),
                   ("mkvnsig2", song["mkv"][1]), ("iskalaok", "1" if song["kala"] else "0"),
                   ("mvrid", song["mvrid"])]
    else:
        fields += [("mkvrid", "MKV_0"), ("mkvnsig1", "0"), ("mkvnsig2", "0")]
        if "mvrid" in song:
            fields.append(("mvrid", song["mvrid"]))
    if "ape" in song:
        fields += [("aperid", "APE_%d" % song["id"]), ("apensig1", song["ape"][0]),
                   ("apensig2", song["ape"][1]), ("apesize", song["ape"][2])]
    else:
        fields.append(("aperid", "APE_0"))
    if change:
        fields.append(("change", change))
    if lyric:
        fields.append(("lrc", lyric))
    return fields


def _song_reply(corpus, hits, summary):
    """hits: (song, change, lyric) triples; summary: result fields carried by each page."""
    if not hits:
        return _block(_record([("hitmode", "nores"), ("hitall", "0")]))
    blocks = []
    for start in range(0, len(hits), PAGE_RECORDS):
        records = []
        for i, (song, change, lyric) in enumerate(hits[start:start + PAGE_RECORDS]):
            fields = _song_fields(corpus, song, change, lyric)
            records.append(_record((summary if i == 0 else []) + fields))
        blocks.append(_block("".join(records)))
    return b"".join(blocks)


def _search(corpus, field, key):
    needle = key.strip().lower()
    hits = []
    if field == "lrccontent":
        for song in corpus.songs:
            for line, low in zip(song["lyrics"], song["_lyrics"]):
                if needle in low:
                    hits.append((song, None, line))
                    break
    elif field == "artist":
        exact = [s for s in corpus.songs if s["artist"].lower() == needle]
        hits = [(s, None, None) for s in (exact or
                [s for s in corpus.songs if needle in s["artist"].lower()])]
    elif field == "album":
        hits = [(s, None, None) for s in corpus.songs if needle in s["album"].lower()]
    else:
        hits = [(s, None, None) for s in corpus.songs if needle in s["_all"]]
    return hits if needle else []


def _keyword_search(request, corpus):
    args = _raw_args(request)
    for field in ("all", "album", "lrccontent", "artist"):
        if field in args:
            break
    else:
        return _reply(request, 400, b"no search field", "text/plain")
    key = _text(args[field], "gbk", "utf-8")
    if key == "quorlin_rand":
        picks = random.sample(corpus.songs, RANDOM_PICKS)
        return _reply(request, 200, _song_reply(corpus, [(s, None, None) for s in picks],
                                                [("hitmode", "rand")]))
    hits = _search(corpus, field, key)
    total = len(hits)
    hits = hits[:RESULT_LIMIT]
    singer = corpus.singer_by_name.get(key.strip())
    summary = [("hitmode", "artist" if singer else field), ("hitall", total),
               ("hitsongname", sum(1 for s, _, _ in hits if key.lower() in s["name"].lower())),
               ("hitartist", sum(1 for s, _, _ in hits if key.lower() in s["artist"].lower())),
               ("hitalbum", sum(1 for s, _, _ in hits if key.lower() in s["album"].lower()))]
    if singer:
        summary += [("artistname", singer["name"]), ("artistpic", singer["img"])]
    return _reply(request, 200, _song_reply(corpus, hits, summary))


def _tips(request, corpus):
    key = _text(_raw_args(request).get("w", b""), "gbk", "utf-8").strip().lower()
    words = {}
    if key:
        for song in corpus.songs:
            for word in (song["name"], song["artist"]):
                if word.lower().startswith(key) or (len(key) > 1 and key in word.lower()):
                    words[word] = words.get(word, 0) + 1
    ranked = sorted(words.items(), key=lambda kv: (-kv[1], kv[0]))
    lines = []
    for word, count in ranked[:TIP_WORDS]:
        singer = corpus.singer_by_name.get(word)
        lines += ["RelWord=" + word, "SNum=%d" % count,
                  "RNum=%d" % (singer["rank"] if singer else count)]
    lines.append("HitNum=%d" % sum(words.values()))
    body = "\r\n".join(lines).encode("gbk") + b"\r\n"
    return _reply(request, 200, body, "text/plain; charset=GBK")


def _video_json(corpus, video, host):
    item = {k: video[k] for k in ("id", "name", "duration", "quality", "act", "dir", "introduce")}
    item["pic"] = "%s/star/tags/vpan/video/v%s.jpg" % (host, video["id"])
    item["channel"] = "MV" if video["kind"] == "video" else "电视剧"
    item["src"] = [{"id": str(n), "url": "%s/vplay/%s_%d.html" % (host, video["id"], n),
                    "w": "640", "h": "480"} for n in range(1, video["src_count"] + 1)]
    if video["kind"] == "drama":
        item["total"], item["freshto"] = video["total"], video["freshto"]
    return item


def _video_page(corpus, host, kind, items, pn, extra):
    pages = max(1, math.ceil(len(items) / VIDEO_PAGE))
    chosen = items[pn * VIDEO_PAGE:(pn + 1) * VIDEO_PAGE]
    page = {"type": kind, "pn": str(pn), "total": str(len(items)), "return": str(len(chosen)),
            "ptotal": str(pages), "list": [_video_json(corpus, v, host) for v in chosen]}
    page.update(extra)
    return page


def _videos(request, corpus):
    args = _raw_args(request)
    host = _host(request)
    pn = _page_number(args)
    kind = args.get("t", b"").decode("latin-1")
    if kind == "search":
        key = _text(args.get("all", b""), "utf-8", "gbk").strip().lower()
        items = [v for v in corpus.videos if key and
                 (key in v["name"].lower() or key in v["act"].lower() or key in v["dir"].lower())]
        page = _video_page(corpus, host, "searchres", items, pn, {"key": key})
    else:
        tag = _text(args.get("tag", b""), "utf-8", "gbk")
        entry = corpus.video_tags.get(tag)
        if entry is None:
            return _reply(request, 404, b"no such tag", "text/plain")
        items = [corpus.video_by_id[v] for v in entry["videos"]]
        page = _video_page(corpus, host, entry["kind"], items, pn, {"tag": tag})
    return _json_reply(request, page)


def _json_song(corpus, song, host):
    mkv = ["MKV_%d" % song["id"], song["mkv"][0], song["mkv"][1]] if "mkv" in song else ["", 0, 0]
    param = ["0", "MV", song["id"], "MUSIC_%d" % song["id"], song["nsig1"], song["nsig2"],
             "MP3_%d" % song["id"], song["mp3nsig1"], song["mp3nsig2"]] + mkv + \
            ["1" if song.get("kala") else "0"]
    return {"id": str(song["id"]), "name": song["name"], "artist": song["artist"],
            "pic": "%s/star/tags/vpan/song/%d.jpg" % (host, song["id"]),
            "param": ";".join(str(p) for p in param), "wmasize": str(song["size"]),
            "mp3size": str(song["mp3size"])}


def _weblist(request, corpus):
    match = re.fullmatch(r"/weblist/([a-z]+)_p(\d+)\.js", request.path)
    entry = match and corpus.weblists.get(match.group(1))
    if not entry:
        return None
    host = _host(request)
    pn, size = int(match.group(2)), entry["page_size"]
    items = entry["items"]
    if pn * size >= len(items):
        return _reply(request, 404, b"no such page", "text/plain")
    chosen = items[pn * size:(pn + 1) * size]
    page = {"type": entry["kind"], "pn": str(pn), "total": str(len(items)),
            "return": str(len(chosen))}
    if entry["kind"] == "mvlist":
        page["mvlist"] = [_json_song(corpus, corpus.song_by_id[i], host) for i in chosen]
    else:
        page["albumlist"] = [
            {"id": str(a["id"]), "name": a["name"], "artist": a["artist"], "lang": a["lang"],
             "score": a["score"], "pic": "%s/star/tags/vpan/album/%s" % (host, a["pic"]),
             "musiclist": [_json_song(corpus, corpus.song_by_id[s], host) for s in a["songs"]]}
            for a in (corpus.albums[i] for i in chosen)]
    return _json_reply(request, page)


def _json_pages(request, corpus):
    """Page k of a list of `total` songs, `per` a page, whose first page is numbered `first`: the
    songs repeat when the total is larger than the corpus; a page outside the list is a 404."""
    match = re.fullmatch(r"/jsonpages/(\d+)-(\d+)-(\d+)_p(\d+)\.js", request.path)
    if not match:
        return None
    first, total, per, k = (int(g) for g in match.groups())
    start = (k - first) * per
    if per < 1 or k < first or start >= total:
        return _reply(request, 404, b"no such page", "text/plain")
    host = _host(request)
    songs = corpus.songs
    chosen = [songs[i % len(songs)] for i in range(start, min(start + per, total))]
    page = {"pn": str(k), "total": str(total), "return": str(per),
            "mvlist": [_json_song(corpus, song, host) for song in chosen]}
    return _json_reply(request, page)


def _chart(request, corpus):
    match = re.fullmatch(r"/pdeck_data/charts/(\w+)\.qrb", request.path, re.IGNORECASE)
    chart = match and corpus.charts.get(match.group(1))
    if not chart:
        return None
    hits = [(corpus.song_by_id[sid], change, None) for sid, change in chart["songs"]]
    return _reply(request, 200, _song_reply(corpus, hits, [("hitmode", "chart")]))


def _archive(request, corpus):
    root = os.path.realpath(request.server.root)
    path = os.path.realpath(os.path.join(root, request.path.lstrip("/")))
    if not path.startswith(root + os.sep) or not os.path.isfile(path):
        return None
    host = _host(request)
    key = (path, os.stat(path).st_mtime, host)
    with _lock:
        body = _cache.get(key)
    if body is None:
        placeholder, actual = corpus.placeholder.encode("ascii"), host.encode("ascii")
        out = io.BytesIO()
        with zipfile.ZipFile(path) as src, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as dst:
            for info in src.infolist():
                dst.writestr(info, src.read(info).replace(placeholder, actual))
        body = out.getvalue()
        with _lock:
            _cache[key] = body
    return _reply(request, 200, body, "application/zip")


def network_item(xml):
    """The network child list format: both lengths, then the zlib-compressed XML."""
    packed = zlib.compress(xml)
    return struct.pack("<II", len(xml), len(packed)) + packed


def _netlist(request, corpus):
    match = re.fullmatch(r"/netlist/(\w+)\.dat", request.path)
    entry = match and corpus.netlists.get(match.group(1))
    if not entry:
        return None
    name = match.group(1)
    lines = ['<?xml version="1.0" encoding="GBK"?>', "<pl>",
             '  <pl n="%s" sn="%s" t="0" burl="%s/pdeck_data/charts">'
             % (name, entry["title"], _host(request))]
    for i, chart in enumerate(entry["charts"]):
        lines.append('    <pl n="%s" sn="%s" t="4" id="%d" url="%s.qrb"/>'
                     % (chart, corpus.charts[chart]["title"], 601 + i, chart))
    lines += ["  </pl>", "</pl>", ""]
    return _reply(request, 200, network_item("\n".join(lines).encode("gbk")))


def _png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def image(name, size=48):
    """A small PNG whose colours follow the name, so different images look different."""
    seed = zlib.crc32(name.encode("utf-8", "replace"))
    base = ((seed >> 16) & 0xFF, (seed >> 8) & 0xFF, seed & 0xFF)
    rows = []
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            shade = 40 if ((x // 8) + (y // 8)) % 2 else 0
            row += bytes(min(255, c + shade) for c in base)
        rows.append(bytes(row))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header) +
            _png_chunk(b"IDAT", zlib.compress(b"".join(rows))) + _png_chunk(b"IEND", b""))


def _video_player_page(request, corpus):
    match = re.fullmatch(r"/vplay/(\d+)_(\d+)\.html", request.path)
    video = match and corpus.video_by_id.get(match.group(1))
    if not video:
        return None
    html = ("<html><head><meta charset=\"utf-8\"><title>%s</title></head><body>"
            "<h1>%s</h1><p>%s</p><p>%s / %s</p></body></html>"
            % (video["name"], video["name"], match.group(2), video["act"], video["duration"]))
    return _reply(request, 200, html.encode("utf-8"), "text/html; charset=utf-8")


def _reply(request, status, body, kind="application/octet-stream"):
    return request.reply_class(status, {"Content-Type": kind}, body)


def _json_reply(request, page):
    body = json.dumps(page, ensure_ascii=False).encode("utf-8")
    return _reply(request, 200, body, "application/json; charset=utf-8")


def handle(request, Reply):
    corpus = _corpus(request)
    if corpus is None:
        return None
    request.reply_class = Reply
    path = request.path
    if path == "/r.s":
        return _keyword_search(request, corpus)
    if path == "/t.s":
        return _tips(request, corpus)
    if path.startswith("/vdisk.web"):
        return _videos(request, corpus)
    if path.startswith("/weblist/"):
        return _weblist(request, corpus)
    if path.startswith("/jsonpages/"):
        return _json_pages(request, corpus)
    if path.startswith("/pdeck_data/charts/"):
        return _chart(request, corpus)
    if path.startswith("/pdeck_data/") and path.endswith(".zip"):
        return _archive(request, corpus)
    if path.startswith("/netlist/"):
        return _netlist(request, corpus)
    if path.startswith("/star/"):
        return _reply(request, 200, image(path), "image/png")
    if path.startswith("/vplay/"):
        return _video_player_page(request, corpus)
    return None
