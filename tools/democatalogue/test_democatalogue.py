"""Runs the stand-in server on the demo catalogue and reads it the way the client does.

VX_DEMO_DIR names a generated catalogue (the build's); without it one is generated here.
"""
import io
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "webserver", "vxserver.py")
STEMS = ["gangtainan", "gangtainv", "gangtaizuhe", "dalunan", "dalunv", "daluzuhe", "oumeinan",
         "oumeinv", "oumeizuhe", "rihannan", "rihannv", "rihanzuhe", "all"]
SONG_NAMES = {"songname", "artist", "album", "nsig1", "nsig2", "musicrid", "mp3rid", "mp3nsig1",
              "mp3nsig2", "mp3size", "mkvrid"}


def client_quote(raw):
    """The client's percent-encoding of bytes."""
    keep = b"().!~*'-_"
    return "".join(chr(b) if chr(b).isalnum() and b < 128 or b in keep else "%%%02X" % b
                   for b in raw)


def blocks(body):
    pages, offset = [], 0
    while offset < len(body):
        plain, packed = struct.unpack_from("<II", body, offset)
        text = zlib.decompress(body[offset + 8:offset + 8 + packed])
        assert len(text) == plain, "uncompressed length field is wrong"
        offset += 8 + packed
        pages.append(text.decode("gbk"))
    assert offset == len(body), "trailing bytes after the last block"
    return pages


def records(page):
    out = []
    for chunk in page.split("\r\n\r\n")[:-1]:
        fields = {}
        for line in chunk.split("\n"):
            name, sep, value = line.partition("=")
            if sep:
                fields[name.lower()] = value[:-1] if value.endswith("\r") else value
        out.append(fields)
    return out


def parse_pl(data):
    text = data.decode("gbk")
    return ET.fromstring(re.sub(r"^<\?xml[^>]*\?>", "", text))


def address(chain):
    """A list's full address: its url, then the base urls of its ancestors in front."""
    url = chain[-1].get("url", "")
    for ancestor in reversed(chain[:-1]):
        if url.startswith("http://"):
            break
        base = ancestor.get("burl", "")
        if base:
            url = (base if base.endswith("/") else base + "/") + url
    return url


def video_item_valid(item):
    required = ("name", "pic", "duration", "quality", "act", "dir", "introduce")
    if not isinstance(item, dict) or any(k not in item for k in required):
        return False
    return all(isinstance(s, dict) and all(k in s for k in ("id", "url", "w", "h"))
               for s in item.get("src", []))


class DemoCatalogueTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        demo = os.environ.get("VX_DEMO_DIR")
        if not demo:
            demo = os.path.join(cls.tmp.name, "demo")
            subprocess.run([sys.executable, os.path.join(HERE, "generate.py"), "--out", demo],
                           check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(demo, "corpus", "catalogue.json"), encoding="utf-8") as f:
            cls.corpus = json.load(f)
        port_file = os.path.join(cls.tmp.name, "port")
        cls.server = subprocess.Popen([sys.executable, SERVER, "--root", os.path.join(demo, "www"),
                                       "--port-file", port_file], stdout=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(port_file) or cls.server.poll() is not None:
                break
            time.sleep(0.05)
        with open(port_file) as f:
            cls.base = "http://127.0.0.1:%d" % int(f.read())
        with zipfile.ZipFile(io.BytesIO(cls.get("/pdeck_data/dataset/VPan/Tree.zip"))) as z:
            cls.archive = {name: z.read(name) for name in z.namelist()}

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait()
        cls.tmp.cleanup()

    @classmethod
    def get(cls, path):
        with urllib.request.urlopen(path if path.startswith("http") else cls.base + path) as r:
            return r.read()

    def search(self, field, key):
        query = "client=kt&%s=%s&pn=0&rn=1000&ft=music&newsearch=1&result=zip&cluster=0&ver=1" \
                "&primitive=0" % (field, key if key == "quorlin_rand" else
                                  client_quote(key.encode("gbk")))
        return [records(p) for p in blocks(self.get("/r.s?" + query))]

    def assert_songs(self, recs):
        for r in recs:
            self.assertLessEqual(SONG_NAMES, set(r), r)
            self.assertTrue(int(r["nsig1"]) or int(r["nsig2"]))
            if r["mkvrid"] == "MKV_0":
                self.assertEqual("0", r["mkvnsig1"])

    def test_archive_holds_a_safe_tree_and_every_singer_key(self):
        for name in self.archive:
            self.assertNotRegex(name, r"(^[/\\])|\.\.|:")
        self.assertIn("root0920.pl", self.archive)
        for data in self.archive.values():
            self.assertNotIn(b"vxdemo.invalid", data)
        singers = list(parse_pl(self.archive["singer.pl"]))
        self.assertGreaterEqual(len(singers), 3000)
        for s in singers:
            self.assertLessEqual({"id", "n", "t", "img", "sex", "dis", "rank", "init", "c"},
                                 set(s.attrib))
        self.assertEqual(len(singers), len({s.get("n") for s in singers}), "names must be keys")
        keys = {s.get("dis") + s.get("sex") for s in singers}
        self.assertEqual({d + x for d in ("港台", "大陆", "欧美", "日韩") for x in ("男", "女", "组合")},
                         keys)
        inits = {s.get("init")[:1] for s in singers}
        self.assertLessEqual(set("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), inits)
        self.assertTrue(inits - set("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "no non-letter initials")

    def test_tree_lists_open_at_their_addresses(self):
        root = parse_pl(self.archive["root0920.pl"])
        top = {c.get("n"): c for c in root}
        self.assertEqual(["Vx音乐网盘"], [c.get("sn") for c in root if c.get("t") == "7"])
        self.assertEqual(STEMS, [c.get("n") for c in top["singers"]])
        self.assertTrue(all(c.get("ref") == "local" for c in top["singers"]))
        charts = top["charts"]
        self.assertEqual("local", charts.get("ref"))
        chains = [[top["vxpan"], c] for c in top["vxpan"]] + \
                 [[charts, c] for c in parse_pl(self.archive["charts.pl"])]
        for chain in chains:
            url = address(chain)
            self.assertTrue(url.startswith(self.base + "/") and url.endswith(".qrb"), url)
            recs = [r for page in blocks(self.get(url)) for r in records(page)]
            self.assertGreaterEqual(len(recs), 50)
            self.assert_songs(recs)
            self.assertTrue(all(r["change"] in ("up", "down", "equal") for r in recs))

        video = top["video"]
        self.assertEqual("9", video.get("t"))
        kinds = {"10": "video", "11": "drama"}
        self.assertEqual(set(kinds), {c.get("t") for c in video})
        for child in video:
            self.assertEqual("", child.get("url"))
            url = address([video, child])
            url = url[:-1] if url.endswith("/") else url
            url += "&tag=" + child.get("n") + "&pn=0&rn=60"
            head, query = url.split("?", 1)
            page = json.loads(self.get(head + "?" + client_quote(query.encode("utf-8"))))
            self.assertEqual(kinds[child.get("t")], page["type"])
            self.assertEqual(int(page["total"]), len(page["list"]))
            self.assertTrue(page["list"] and all(video_item_valid(i) for i in page["list"]))
            if page["type"] == "drama":
                self.assertTrue(all("total" in i and "freshto" in i for i in page["list"]))

        self.assertTrue(any(c.get("url", "").endswith(".js") for c in top["weblists"]))
        self.assertTrue(top["netweekly"].get("nurl"))

    def test_keyword_searches_by_field(self):
        song = self.corpus["songs"][123]
        pages = self.search("all", song["name"])
        recs = [r for p in pages for r in p]
        self.assert_songs(recs)
        self.assertIn((song["name"], song["artist"]), {(r["songname"], r["artist"]) for r in recs})

        pages = self.search("artist", song["artist"])
        self.assertEqual({song["artist"]}, {r["artist"] for p in pages for r in p})
        self.assertEqual("artist", pages[0][0]["hitmode"])
        singer = next(s for s in self.corpus["singers"] if s["name"] == song["artist"])
        self.assertEqual({singer["img"]},
                         {r["artistpic"] for p in pages for r in p if "artistpic" in r})

        pages = self.search("album", song["album"])
        self.assertTrue(all(song["album"] in r["album"] for p in pages for r in p))

        line = song["lyrics"][2]
        recs = [r for p in self.search("lrccontent", line) for r in p]
        self.assertTrue(recs and all(line in r["lrc"] for r in recs))

        # a common word: several pages, capped at what the client asks for
        pages = self.search("all", "的")
        total = int(pages[0][0]["hitall"])
        self.assertGreater(len(pages), 1)
        self.assertTrue(all(len(p) <= 100 for p in pages))
        self.assertEqual(min(total, 1000), sum(len(p) for p in pages))

    def test_no_hit_and_random_picks(self):
        pages = self.search("all", "无此歌曲zzzz")
        self.assertEqual([[{"hitmode": "nores", "hitall": "0"}]], pages)
        for _ in range(2):
            recs = [r for p in self.search("all", "quorlin_rand") for r in p]
            self.assertGreater(len(recs), 10)
            self.assert_songs(recs)

    def test_tips(self):
        key = self.corpus["songs"][7]["name"][:1]
        text = self.get("/t.s?c=pdeck&w=" + client_quote(key.encode("gbk"))).decode("gbk")
        lines = [l.split("=", 1) for l in text.split("\r\n") if "=" in l]
        names = [n for n, _ in lines]
        self.assertEqual("HitNum", names[-1])
        words = [v for n, v in lines if n == "RelWord"]
        self.assertTrue(words and all(key in w for w in words))
        self.assertEqual(["RelWord", "SNum", "RNum"] * len(words), names[:-1])
        self.assertGreaterEqual(int(lines[-1][1]), len(words))

    def test_video_search_pages(self):
        seen, total, pn = [], None, 0
        while True:
            query = "t=search&rn=60&ft=tv&client=kt&all=的&pn=%d" % pn
            page = json.loads(self.get("/vdisk.web?" + client_quote(query.encode("utf-8"))))
            self.assertEqual("searchres", page["type"])
            self.assertTrue(all(video_item_valid(i) and "id" in i for i in page["list"]))
            self.assertEqual(int(page["return"]), len(page["list"]))
            total = int(page["total"])
            seen += [i["id"] for i in page["list"]]
            pn += 1
            if pn >= int(page["ptotal"]):
                break
        self.assertGreater(pn, 1)
        self.assertEqual(total, len(set(seen)))

    def test_web_lists_page_by_address_rule(self):
        root = parse_pl(self.archive["root0920.pl"])
        lists = [c for c in root.iter("pl") if c.get("url", "").endswith(".js")]
        kinds = set()
        for lst in lists:
            first = lst.get("url")
            page = json.loads(self.get(first))
            count = (int(page["total"]) + int(page["return"]) - 1) // int(page["return"])
            items = page.get("mvlist") or page.get("albumlist")
            for k in range(int(page["pn"]) + 1, count):
                url = first[:first.rindex("p") + 1] + str(k) + first[first.rindex("."):]
                more = json.loads(self.get(url))
                items += more.get("mvlist") or more.get("albumlist")
            self.assertEqual(int(page["total"]), len(items))
            songs = items if "mvlist" in page else [s for a in items for s in a["musiclist"]]
            for s in songs:
                parts = s["param"].split(";")
                self.assertEqual(13, len(parts))
                self.assertTrue(s["artist"] and s["name"] and parts[3] and int(parts[4]))
            kinds.add("mvlist" if "mvlist" in page else "albumlist")
        self.assertEqual({"mvlist", "albumlist"}, kinds)

    def test_network_child_and_images(self):
        root = parse_pl(self.archive["root0920.pl"])
        child = next(c for c in root if c.get("nurl"))
        item = self.get(child.get("nurl"))
        plain, packed = struct.unpack_from("<II", item)
        self.assertEqual(len(item), 8 + packed)
        xml = zlib.decompress(item[8:])
        self.assertEqual(plain, len(xml))
        found = [l for l in parse_pl(xml).iter("pl") if l.get("n") == child.get("n")]
        self.assertEqual(1, len(found))
        for lst in found[0]:
            blocks(self.get(address([found[0], lst])))

        for path in ("/star/starheads/s10001.jpg", "/star/tags/vpan/video/videorecent.jpg"):
            self.assertEqual(b"\x89PNG\r\n\x1a\n", self.get(path)[:8])
        with self.assertRaises(urllib.error.HTTPError):
            self.get("/weblist/hotmv_p999.js")


if __name__ == "__main__":
    unittest.main()
