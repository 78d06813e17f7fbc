#!/usr/bin/env python3
"""Drives the local pages in headless Chromium as the program drives them in its web view.

A recording stand-in replaces window.external before any page script runs; the test calls the
page functions the program calls, clicks with real mouse events and checks what the page shows
and what it told the program. Pages come from the stand-in server's /webres/ route and, without
window.external, from file:// as the program opens them.

Exit 0: passed; 1: failed; 77: skipped because Chromium is missing or cannot start.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import websocket
except ImportError:
    # Debian's package lands in the system interpreter's dist-packages, not in a private Python.
    if os.path.exists("/usr/bin/python3") and not os.environ.get("VX_PAGES_REEXEC"):
        os.environ["VX_PAGES_REEXEC"] = "1"
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("FAILED: python3 module 'websocket' missing (package python3-websocket, scripts/setup)")

HERE = os.path.dirname(os.path.abspath(__file__))
WEBRES = os.path.dirname(HERE)
SERVER = os.path.join(WEBRES, "..", "..", "tools", "webserver")
sys.path.insert(0, SERVER)
from handlers import catalogue  # noqa: E402

# Records every call of the program's methods; "#noext" and "#native" leave the page without them.
STUB = r"""(function () {
window.__calls = []; window.__menus = [];
window.addEventListener('contextmenu', function (e) { window.__menus.push(e.defaultPrevented); });
if (location.hash === '#noext') {
  Object.defineProperty(window, 'external', {value: undefined, configurable: true});
} else if (location.hash !== '#native') {
  var stub = {};
  ['NotifyVxMd', 'StatusOK', 'RefreshErrorPage', 'JumpToPage', 'SearchWord'].forEach(function (m) {
    stub[m] = function () { window.__calls.push([m, Array.prototype.slice.call(arguments)]); };
  });
  Object.defineProperty(window, 'external', {value: stub, configurable: true});
}
})();"""
# The page lists' pages (folder.html, index.html, ...) are album.html copied under their names.
GRID_PAGES = ["album.html", "search_preview.html"]
# Page, a text it shows before any call.
PAGES = [(p, "") for p in GRID_PAGES] + [
    ("Loading.html", "正在加载"), ("error_404.html", "刷新"), ("error_fail.html", "刷新"),
    ("noResult.html", "搜索")]
CTRL, SHIFT = 2, 8
# What the old engine in the program cannot run (Chromium runs it, so only reading finds it).
NOT_ES5 = re.compile(r"=>|`|\b(let|const|class|async|await)\b|\bfetch\(|\.classList|\.dataset|\.\.\.")


class Skip(Exception):
    pass


class Browser:
    def __init__(self, profile):
        exe = shutil.which("chromium")
        if not exe:
            raise Skip("no 'chromium' on PATH")
        self.proc = subprocess.Popen(
            [exe, "--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-port=0",
             "--user-data-dir=" + profile, "--no-first-run", "--no-default-browser-check",
             "--disable-extensions", "--window-size=1000,700", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        port_file = os.path.join(profile, "DevToolsActivePort")
        deadline = time.time() + 20
        while not os.path.exists(port_file) or len(open(port_file).read().split()) < 2:
            if self.proc.poll() is not None:
                err = self.proc.stderr.read().decode(errors="replace").strip().splitlines()
                raise Skip("exited with %d: %s" % (self.proc.returncode, err[-1] if err else ""))
            if time.time() > deadline:
                self.close()
                raise Skip("no DevTools port after 20 s")
            time.sleep(0.05)
        port, path = open(port_file).read().split()[:2]
        try:
            self.ws = websocket.create_connection("ws://127.0.0.1:%s%s" % (port, path), timeout=15,
                                                  suppress_origin=True)
        except Exception:
            self.close()
            raise
        self.next_id, self.events = 0, []

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.ws.send(json.dumps(message))
        while True:
            reply = json.loads(self.ws.recv())
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise AssertionError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def close(self):
        if getattr(self, "ws", None):
            self.ws.close()
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class Tab:
    def __init__(self, browser):
        self.b = browser
        target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = browser.send("Target.attachToTarget",
                                    {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.send(domain + ".enable")
        self.send("Page.addScriptToEvaluateOnNewDocument", {"source": STUB})

    def send(self, method, params=None):
        return self.b.send(method, params, self.session)

    def load(self, url):
        self.b.events = []
        self.send("Page.navigate", {"url": url})
        deadline = time.time() + 10
        while not any(e["method"] == "Page.loadEventFired" for e in self.b.events):
            if time.time() > deadline:
                raise AssertionError("%s did not load in 10 s" % url)
            self.b.send("Browser.getVersion")  # lets the events in

    def errors(self):
        """Script errors since the last load: exceptions, console errors, script log entries."""
        out = []
        for e in self.b.events:
            p = e.get("params", {})
            if e["method"] == "Runtime.exceptionThrown":
                d = p["exceptionDetails"]
                out.append(d.get("exception", {}).get("description") or d.get("text"))
            elif e["method"] == "Runtime.consoleAPICalled" and p.get("type") == "error":
                out.append(" ".join(str(a.get("value", a.get("description"))) for a in p["args"]))
            elif (e["method"] == "Log.entryAdded" and p["entry"]["level"] == "error"
                  and p["entry"]["source"] != "network"):
                out.append(p["entry"]["text"])
        return out

    def js(self, expression):
        r = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in r:
            d = r["exceptionDetails"]
            raise AssertionError("script threw: %s" % (d.get("exception", {}).get("description")
                                                       or d.get("text")))
        return r["result"].get("value")

    def each(self, selector, expression):
        """`expression` of every element `e` that matches `selector`."""
        return self.js("[].map.call(document.querySelectorAll(%s), function (e) { return %s; })"
                       % (json.dumps(selector), expression))

    def count(self, selector):
        return self.js("document.querySelectorAll(%s).length" % json.dumps(selector))

    def call(self, function, *args):
        """Calls a page function as the program does: every argument a string."""
        return self.js("%s(%s)" % (function, ", ".join(json.dumps(a) for a in args)))

    def calls(self):
        return self.js("window.__calls.splice(0)")

    def texts(self):
        return [args[0] for name, args in self.calls() if name == "NotifyVxMd"]

    def mouse(self, selector, index=0, button="left", clicks=1, modifiers=0):
        x, y = self.js("(function () { var e = document.querySelectorAll(%s)[%d];"
                       " e.scrollIntoView(false); var r = e.getBoundingClientRect();"
                       " return [r.left + r.width / 2, r.top + Math.min(r.height / 2, 20)]; })()"
                       % (json.dumps(selector), index))
        self.send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})
        for count in range(1, clicks + 1):
            for kind in ("mousePressed", "mouseReleased"):
                self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": button,
                                                       "clickCount": count, "modifiers": modifiers})

    def wait(self, expression, seconds=5):
        deadline = time.time() + seconds
        while not self.js(expression):
            if time.time() > deadline:
                return False
            time.sleep(0.05)
        return True


class Checks:
    def __init__(self):
        self.failed = 0

    def eq(self, what, got, want):
        if got != want:
            self.failed += 1
            print("FAIL %s\n     got:  %r\n     want: %r" % (what, got, want))

    def true(self, what, ok):
        self.eq(what, bool(ok), True)


def video_page(host, kind, count, pn, src_count=1, per=5):
    """A page exactly as the catalogue serves it, of `count` generated videos `per` a page."""
    videos = [{"id": str(101 + i), "name": "视频%d" % i, "kind": kind, "act": "歌手%d" % i,
               "dir": "导演", "duration": "03:%02d" % i, "quality": "高清", "introduce": "简介。",
               "src_count": src_count, "total": "20", "freshto": str(src_count)}
              for i in range(count)]
    catalogue.VIDEO_PAGE = per
    page = catalogue._video_page(None, host, kind, videos, pn, {"tag": "MV"})
    return json.dumps(page, ensure_ascii=False)


def start_server(root):
    env = dict(os.environ)
    env.pop("VX_SERVER_BIN", None)  # the source pages, not a build's copy
    port_file = os.path.join(root, "port")
    proc = subprocess.Popen([sys.executable, os.path.join(SERVER, "vxserver.py"), "--root", root,
                             "--port-file", port_file], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    deadline = time.time() + 10
    while not os.path.exists(port_file):
        if proc.poll() is not None or time.time() > deadline:
            proc.kill()
            raise AssertionError("stand-in server did not start")
        time.sleep(0.05)
    return proc, "http://127.0.0.1:%s" % open(port_file).read().strip()


def check_every_page(t, c, base):
    """Each page loads without script error in the program, without window.external, and with a
    browser's own external; says StatusOK once; takes every program call without throwing."""
    for name in sorted(os.listdir(WEBRES)):
        if name.endswith(".js"):
            with open(os.path.join(WEBRES, name), encoding="utf-8") as f:
                code = re.sub(r"/\*.*?\*/|//[^\n]*", "", f.read(), flags=re.S)
            c.eq(name + ": plain ES5", sorted(set(m.group(0) for m in NOT_ES5.finditer(code))), [])
    file_base = "file://" + os.path.abspath(WEBRES) + "/"
    for page, text in PAGES:
        for url, variant in ((base + page, ""), (file_base + page, "#noext"), (base + page, "#native")):
            t.load(url + variant)
            where = page + (variant or " (stub)")
            c.eq(where + ": script, style, charset", t.js(
                "[typeof _addItems, getComputedStyle(document.body).fontSize, document.characterSet,"
                " document.querySelector('meta[http-equiv=X-UA-Compatible]').content]"),
                ["function", "12px", "UTF-8", "IE=edge"])
            c.true(where + ": shows " + text, text in t.js("document.body.innerText"))
            if not variant:
                c.eq(where + ": ready once", t.calls(), [["StatusOK", []]])
            for call in (("_addItems", "{bad", "video", ""), ("_addItems", "", "", ""),
                         ("_addItems", '{"list": 5}', "video", ""), ("_addItems", "[1, null]", "", ""),
                         ("SelectItemsAll", ""), ("SelectItemsShift", ""),
                         ("SetSearchNoResultParam", "词", "")):
                t.call(*call)
            c.eq(where + ": bad pages add nothing", t.count(".tile"), 0)
            c.eq(where + ": no script errors", t.errors(), [])


def check_grid(t, c, base, host):
    pager = lambda: " ".join(t.each("#pager span", "e.innerText"))  # noqa: E731
    ids = [str(101 + i) for i in range(15)]
    t.load(base + "album.html")
    t.calls()

    # Pages of an answer add up; the same page again adds nothing; the pager follows the last page.
    for pn, shown, labels in ((0, 5, "1 2 3 下一页"), (1, 10, "上一页 1 2 3 下一页"),
                              (1, 10, "上一页 1 2 3 下一页")):
        t.call("_addItems", video_page(host, "video", 15, pn), "video", "")
        c.eq("video page %d: tiles, pager, current page" % pn,
             [t.count(".tile"), pager(), t.each("#pager .current", "e.innerText")],
             [shown, labels, [str(pn + 1)]])
    c.eq("tile texts", t.each(".tile:first-child div", "e.innerText")[1:], ["视频0", "歌手0"])
    c.eq("no calls while filling", t.calls(), [])

    # Gestures, each on what the one before left selected.
    for what, index, kw, want in (
            ("click", 0, {}, ["Select&param=101"]),
            ("ctrl-click", 2, {"modifiers": CTRL}, ["Select&param=101|103"]),
            ("shift-click", 4, {"modifiers": SHIFT}, ["Select&param=103|104|105"]),
            ("right click on the selection", 3, {"button": "right"}, ["RightClick&param=103|104|105"]),
            ("ctrl-click again", 3, {"modifiers": CTRL}, ["Select&param=103|105"]),
            ("right click elsewhere", 0, {"button": "right"}, ["Select&param=101", "RightClick&param=101"]),
            ("double click", 1, {"clicks": 2},
             ["Select&param=102", "Select&param=102", "DoubleClick&param=102"])):
        t.mouse(".tile", index, **kw)
        c.eq(what, t.texts(), ["ItemAct?act=" + w for w in want])
    c.eq("browser menus prevented", t.js("window.__menus"), [True, True])

    t.call("SelectItemsShift", "")
    c.eq("invert", t.texts(), ["ItemAct?act=Select&param=" + "|".join(i for i in ids[:10] if i != "102")])
    t.call("SelectItemsAll", "")
    c.eq("select all", t.texts(), ["ItemAct?act=Select&param=" + "|".join(ids[:10])])
    c.eq("select all shows", t.count(".tile.selected"), 10)
    t.call("SelectItemsShift", "")
    c.eq("invert all to none", t.texts(), ["ItemAct?act=Select&param="])

    t.call("_addItems", video_page(host, "video", 15, 0), "video", "")
    c.eq("first page again: pager only", [t.count(".tile"), pager()], [10, "1 2 3 下一页"])
    t.mouse("#pager .pg", 1)  # the current "1", then "2"
    c.eq("page link", t.calls(), [["JumpToPage", [1]]])

    # Long answers: the pager shows the ends and the pages around the current one.
    t.call("_addItems", json.dumps({"pn": "10", "ptotal": "20", "list": []}), "video", "")
    c.eq("long pager", pager(), "上一页 1 … 9 10 11 12 13 … 20 下一页")

    # Dramas: an episode link plays that episode of its drama and selects nothing.
    t.load(base + "album.html")
    t.calls()
    t.call("_addItems", video_page(host, "drama", 2, 0, src_count=3), "drama", "")
    c.eq("episodes", t.count(".tile:nth-child(2) .ep"), 3)
    t.mouse(".tile:nth-child(2) .ep", 1)
    c.eq("episode link", t.texts(), ["ItemAct?act=DoubleClick&param=102&arg=2"])
    t.mouse(".tile:nth-child(2) .ep", 1, clicks=2)
    c.eq("episode double click plays it once", t.texts(), ["ItemAct?act=DoubleClick&param=102&arg=2"])

    # Other answer shapes and the program's own page lists; text stays text; pictures: real,
    # relative to the base address, broken (placeholder only), or of a refused scheme (none).
    song = {"id": 7, "name": "歌", "artist": "歌手", "size": 1, "mp3size": 2, "nsig1": 1, "nsig2": 2,
            "mp3nsig1": 3, "mp3nsig2": 4}
    albums = {"type": "albumlist", "pn": "0", "total": "1", "return": "1", "albumlist": [
        {"id": "55", "name": "专辑", "artist": "<b>x</b>", "lang": "国语", "score": 5,
         "pic": host + "/img/ok.png", "musiclist": [catalogue._json_song(None, song, host)]}]}
    own = {"type": "folder", "list": [
        {"id": "301", "name": "<img src=x onerror=alert(1)>", "pic": "img/ok.png"},
        {"id": "302", "name": "华语女歌手", "pic": "img/missing.png"},
        {"id": "303", "name": "华语组合", "pic": "javascript:alert(1)"},
        {"id": "3&act=x", "name": "forged"}]}
    for page, kind, data, image_base, want in (
            ("album.html", "album", albums, "", [["55", "专辑", "<b>x</b>", host + "/img/ok.png"]]),
            ("album.html", "mv", {"type": "mvlist", "mvlist": [catalogue._json_song(None, song, host)]}, "",
             [["7", "歌", "歌手", host + "/star/tags/vpan/song/7.jpg"]]),
            ("album.html", "folder", own, host + "/",
             [["301", "<img src=x onerror=alert(1)>", "", host + "/img/ok.png"],
              ["302", "华语女歌手", "", host + "/img/missing.png"], ["303", "华语组合", "", None]])):
        t.load(base + page)
        t.call("_addItems", json.dumps(data, ensure_ascii=False), kind, image_base)
        got = t.each(".tile", "[e.getAttribute('data-id'), e.querySelector('.name').innerText,"
                              " e.querySelector('.sub').innerText, (e.querySelector('img') || {}).src || null]")
        c.eq("%s as %s" % (kind, page), got, want)
        c.eq("%s: no markup from text" % kind, t.count(".tile b, .name img"), 0)
        c.true("%s: pictures settled" % kind, t.wait(
            "[].every.call(document.images, function (i) { return i.complete; })"))
        shows = t.each("img", "[getComputedStyle(e).display !== 'none', e.naturalWidth > 0]")
        c.eq("%s: real pictures shown, broken ones hidden" % kind, shows,
             [[w[3].endswith("/img/ok.png")] * 2 for w in want if w[3]])
        c.eq("%s: no script errors" % kind, t.errors(), [])

    # The preview strip: at most four items, one row inside its 178 pixels, no pager.
    t.load(base + "search_preview.html")
    t.call("_addItems", video_page(host, "searchres", 15, 0), "searchres", "")
    bottoms = t.each(".tile", "e.getBoundingClientRect().bottom")
    c.eq("preview: tiles, rows, pager", [len(bottoms), len(set(bottoms)), t.each("#pager span", "1")], [4, 1, []])
    c.true("preview: fits in 178 pixels %r" % bottoms, max(bottoms) <= 178)


def check_messages(t, c, base):
    for page in ("error_404.html", "error_fail.html"):
        t.load(base + page)
        t.calls()
        t.mouse("#refresh")
        c.eq(page + ": refresh", t.calls(), [["RefreshErrorPage", []]])

    t.load(base + "noResult.html")
    t.calls()
    t.call("SetSearchNoResultParam", "<b>x</b>", "周杰")
    c.eq("no result text", t.js("[document.getElementById('noresult-message').innerText,"
                                " document.querySelectorAll('#noresult-message b').length,"
                                " document.getElementById('noresult-hint').innerText]"),
         ["抱歉，没有找到与“<b>x</b>”相关的结果", 0, "您是不是要找：周杰"])
    t.mouse("#noresult-hint .hint")
    c.eq("hint link", t.calls(), [["SearchWord", ["周杰"]]])
    t.js("document.getElementById('search-word').value = ''")
    t.mouse("#search-go")
    c.eq("empty field searches nothing", t.calls(), [])
    t.mouse("#search-word")
    t.send("Input.insertText", {"text": " 新歌 "})
    t.mouse("#search-go")
    t.mouse("#search-word")
    for kind in ("rawKeyDown", "keyUp"):
        t.send("Input.dispatchKeyEvent", {"type": kind, "key": "Enter", "code": "Enter",
                                          "windowsVirtualKeyCode": 13})
    c.eq("search field, button then Enter", t.calls(), [["SearchWord", ["新歌"]]] * 2)
    t.call("SetSearchNoResultParam", "k", "")
    c.eq("no hint hides the line", t.js("document.getElementById('noresult-hint').offsetHeight"), 0)
    c.eq("noResult: no script errors", t.errors(), [])


def main():
    started = time.time()
    work = tempfile.mkdtemp(prefix="vx-pages-")
    server = browser = None
    try:
        os.makedirs(os.path.join(work, "www", "img"))
        with open(os.path.join(work, "www", "img", "ok.png"), "wb") as f:
            f.write(catalogue.image("ok"))
        server, host = start_server(os.path.join(work, "www"))
        try:
            browser = Browser(os.path.join(work, "profile"))
        except (Skip, OSError) as e:
            print("SKIPPED: chromium cannot start: %s" % e)
            return 77
        tab, checks = Tab(browser), Checks()
        base = host + "/webres/"
        for part in (lambda: check_every_page(tab, checks, base),
                     lambda: check_grid(tab, checks, base, host),
                     lambda: check_messages(tab, checks, base)):
            try:
                part()
            except Exception as e:  # one broken part still lets the others report
                checks.failed += 1
                print("FAIL %s: %s" % (type(e).__name__, e))
        print("%s: %d failed, %.1f s" % ("FAILED" if checks.failed else "passed", checks.failed,
                                         time.time() - started))
        return 1 if checks.failed else 0
    finally:
        if browser:
            browser.close()
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
