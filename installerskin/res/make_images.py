#!/usr/bin/env python3
"""Draws the installer skin's pictures into OUT_DIR as PNG files named after their resource ids
(bg112.png, arrow113.png, ...), plus check129.bmp, six 16 x 16 check-box images on magenta.

The two backgrounds differ in their lower band (blue for the installer, green for the
uninstaller) so that a look at one pixel tells them apart. The product's name is rendered with
ImageMagick's `convert` from the WenQuanYi font; without it the backgrounds carry no title.

usage: make_images.py OUT_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from buildfiles import write_if_changed  # noqa: E402

TITLE = "Vx音乐网盘"
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
MAGENTA = (255, 0, 255)


class Image:
    def __init__(self, w, h, colour=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def fill(self, x0, y0, x1, y1, fn):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                row[x] = fn(x, y)

    def blend(self, x, y, colour, cover):
        if not (0 <= x < self.w and 0 <= y < self.h) or cover <= 0:
            return
        r, g, b, a = self.px[y][x]
        mix = lambda s, d: int(round(s * cover + d * (1 - cover)))
        self.px[y][x] = (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), max(a, int(round(cover * 255))))


def png(img):
    raw = bytearray()
    for row in img.px:
        raw.append(0)
        for p in row:
            raw += bytes(p)
    chunk = lambda tag, data: (struct.pack(">I", len(data)) + tag + data +
                               struct.pack(">I", zlib.crc32(tag + data) & 0xffffffff))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", img.w, img.h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def bmp24(img):
    stride = (img.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(img.h - 1, -1, -1):
        row = bytearray()
        for (r, g, b, _a) in img.px[y]:
            row += bytes((b, g, r))
        data += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, img.w, img.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54) + info + bytes(data)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def text_mask(text, points):
    """Returns (w, h, bytes) of an 8-bit coverage mask, or None without ImageMagick or the font."""
    if not shutil.which("convert") or not os.path.exists(FONT):
        return None
    out = subprocess.run(["convert", "-background", "black", "-fill", "white", "-font", FONT,
                          "-pointsize", str(points), "label:" + text, "-depth", "8", "pgm:-"],
                         capture_output=True, check=False).stdout
    parts = out.split(maxsplit=4)
    if len(parts) < 5 or parts[0] != b"P5":
        return None
    w, h = int(parts[1]), int(parts[2])
    return w, h, parts[4][:w * h]


def draw_text(img, x0, y0, text, points, colour):
    mask = text_mask(text, points)
    if not mask:
        return
    w, h, data = mask
    for y in range(h):
        for x in range(w):
            img.blend(x0 + x, y0 + y, colour, data[y * w + x] / 255.0)


def round_corner_cover(x, y, w, h, r):
    """1 inside a w x h rounded rectangle, 0 outside (centre sample only: hard edges)."""
    cx = min(max(x + 0.5, r), w - r)
    cy = min(max(y + 0.5, r), h - r)
    return 1.0 if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r else 0.0


def background(lower):
    top, band = (28, 92, 150), (233, 242, 250)
    img = Image(540, 400)
    img.fill(0, 0, 540, 60, lambda x, y: mix(top, (52, 130, 196), y / 59.0) + (255,))
    img.fill(0, 60, 540, 94, lambda x, y: band + (255,))
    img.fill(0, 94, 540, 356, lambda x, y: (250, 252, 255, 255))
    img.fill(0, 356, 540, 400, lambda x, y: mix(lower, (255, 255, 255), 0.25 * (y - 356) / 43.0) + (255,))
    img.fill(0, 93, 540, 94, lambda x, y: (194, 223, 235, 255))
    # A round logo: a white disc with a note in the caption's colour.
    for y in range(10, 50):
        for x in range(14, 54):
            d = ((x + 0.5 - 34) ** 2 + (y + 0.5 - 30) ** 2) ** 0.5
            img.blend(x, y, (255, 255, 255), min(1.0, max(0.0, 19.5 - d)))
    img.fill(30, 18, 33, 38, lambda x, y: top + (255,))
    img.fill(30, 18, 42, 21, lambda x, y: top + (255,))
    for y in range(33, 42):
        for x in range(24, 34):
            if (x + 0.5 - 28.5) ** 2 + (y + 0.5 - 37.5) ** 2 <= 16:
                img.px[y][x] = top + (255,)
    draw_text(img, 64, 12, TITLE, 26, (255, 255, 255))
    return img


def button(w, h, top, bottom, edge):
    img = Image(w, h)
    for y in range(h):
        for x in range(w):
            c = round_corner_cover(x, y, w, h, 3)
            if c:
                on_edge = round_corner_cover(x - 1, y, w - 2, h, 3) == 0 or y in (0, h - 1) or x in (0, w - 1)
                img.px[y][x] = (edge if on_edge else mix(top, bottom, y / float(h - 1))) + (255,)
    return img


def caption_button(w, h, state, close):
    shade = [(0, 0, 0, 0), (255, 255, 255, 60), (0, 0, 0, 60)][state]
    img = Image(w, h, shade)
    if close:
        img.px = [[(200, 50, 40, 230) if state else p for p in row] for row in img.px]
    for i in range(8):
        cx, cy = w // 2 - 4 + i, h // 2 - 4 + i
        if close:
            img.blend(cx, cy, (255, 255, 255), 1)
            img.blend(w // 2 + 3 - i, cy, (255, 255, 255), 1)
        else:
            img.blend(cx, h // 2 + 3, (255, 255, 255), 1)
            img.blend(cx, h // 2 + 4, (255, 255, 255), 1)
    return img


def arrow(colour):
    img = Image(8, 14)
    for y in range(14):
        reach = 7 - abs(y - 6.5)
        for x in range(8):
            if x + 0.5 <= reach + 0.5:
                img.px[y][x] = colour + (255,)
    return img


def check_images():
    strip = Image(16 * 6, 16, MAGENTA + (255,))
    for i in range(6):
        ox = i * 16
        strip.fill(ox + 1, 1, ox + 15, 15, lambda x, y: (101, 176, 208, 255))
        strip.fill(ox + 2, 2, ox + 14, 14, lambda x, y: (255, 255, 255, 255))
        if i % 2 == 0:  # images 0, 2, 4: checked
            for k in range(9):
                x = ox + 4 + k
                y = 8 + k // 2 if k < 3 else 10 - (k - 3)
                strip.fill(x, y - 1, x + 1, y + 1, lambda x_, y_: (34, 101, 153, 255))
    return strip


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    white, blue, dark = (255, 255, 255), (59, 161, 233), (32, 102, 154)
    light = (230, 240, 248)
    images = {
        112: background((40, 110, 190)),
        131: background((40, 150, 80)),
        136: Image(529, 177),
        113: arrow((35, 101, 153)),
        114: arrow((170, 190, 210)),
        115: caption_button(39, 20, 0, True), 116: caption_button(39, 20, 1, True),
        117: caption_button(39, 20, 2, True),
        118: caption_button(28, 20, 0, False), 119: caption_button(28, 20, 1, False),
        120: caption_button(28, 20, 2, False),
        1002: button(82, 27, (90, 180, 240), blue, dark), 123: button(82, 27, (120, 200, 250), (80, 175, 240), dark),
        122: button(82, 27, blue, (40, 130, 200), dark), 124: button(82, 27, (225, 225, 225), (200, 200, 200), (160, 160, 160)),
        128: button(65, 22, white, light, (101, 176, 208)), 127: button(65, 22, white, (210, 232, 248), (59, 161, 233)),
        126: button(65, 22, light, white, (59, 161, 233)), 125: button(65, 22, (240, 240, 240), (225, 225, 225), (170, 170, 170)),
        135: button(87, 22, white, light, (101, 176, 208)), 134: button(87, 22, white, (210, 232, 248), (59, 161, 233)),
        133: button(87, 22, light, white, (59, 161, 233)), 132: button(87, 22, (240, 240, 240), (225, 225, 225), (170, 170, 170)),
    }
    banner = images[136]
    banner.fill(0, 0, 529, 177, lambda x, y: mix((214, 234, 250), (250, 252, 255), y / 176.0) + (255,))
    draw_text(banner, 40, 50, "欢迎安装 " + TITLE, 28, (34, 101, 153))
    for rid, img in images.items():
        write_if_changed(os.path.join(out, "img%d.png" % rid), png(img))
    write_if_changed(os.path.join(out, "check129.bmp"), bmp24(check_images()))
