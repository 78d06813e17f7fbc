#!/usr/bin/env python3
"""Draws the bridge's two binary resources: the looping download animation (8-bit uncompressed
AVI without sound, which the animation control plays) and the green check mark PNG (36 x 28).

usage: make_images.py OUT_AVI OUT_PNG
"""
import math
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from buildfiles import write_if_changed  # noqa: E402

# The animation: a tray and a green arrow falling into it, eight frames, ten per second.
AVI_W, AVI_H, FRAMES, FPS = 48, 40, 8, 10

# Palette index 0 is the first pixel: the control draws it transparent (ACS_TRANSPARENT).
PALETTE = [
    (240, 240, 240),  # 0 background
    (110, 110, 110),  # 1 tray outline
    (200, 200, 200),  # 2 tray fill
    (30, 150, 50),    # 3 arrow
    (110, 200, 120),  # 4 arrow light edge
    (170, 170, 170),  # 5 shadow dots
]


def animation_frame(n):
    px = [[0] * AVI_W for _ in range(AVI_H)]  # px[y][x], y = 0 at the top

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(AVI_H, y1)):
            for x in range(max(0, x0), min(AVI_W, x1)):
                px[y][x] = c

    # Tray: an open box at the bottom.
    rect(6, 28, 42, 36, 2)
    rect(6, 28, 8, 37, 1)
    rect(40, 28, 42, 37, 1)
    rect(6, 35, 42, 37, 1)
    rect(4, 27, 10, 29, 1)
    rect(38, 27, 44, 29, 1)
    # Arrow: shaft and head, moving down by frame; it sinks into the tray and starts again.
    top = -6 + n * 4
    shaft_top, shaft_bottom = top, top + 12
    for y in range(shaft_top, shaft_bottom):
        for x in range(20, 28):
            if 0 <= y < AVI_H and px[y][x] == 0:
                px[y][x] = 4 if x == 20 else 3
    for i in range(9):
        y = shaft_bottom + i
        for x in range(24 - 9 + i, 24 + 9 - i):
            if 0 <= y < AVI_H and px[y][x] in (0, 2):
                px[y][x] = 3
    # Trail dots above the arrow hint at the motion.
    for k in range(1, 3):
        y = shaft_top - 4 * k
        if 0 <= y < AVI_H:
            rect(23, y, 25, y + 2, 5)
    return px


def dib_bytes(px):
    stride = (AVI_W + 3) & ~3
    rows = []
    for y in range(AVI_H - 1, -1, -1):  # bottom-up
        row = bytes(px[y]) + b"\0" * (stride - AVI_W)
        rows.append(row)
    return b"".join(rows)


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, body):
    return kind + struct.pack("<I", len(body) + 4) + fourcc + body


def make_avi():
    frames = [dib_bytes(animation_frame(n)) for n in range(FRAMES)]
    size = len(frames[0])
    avih = struct.pack("<IIIIIIIIII4I", 1000000 // FPS, size * FPS, 0, 0x10, FRAMES, 0, 1, size,
                       AVI_W, AVI_H, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, FPS, 0, FRAMES,
                       size, 0xFFFFFFFF, 0, 0, 0, AVI_W, AVI_H)
    bih = struct.pack("<IiiHHIIiiII", 40, AVI_W, AVI_H, 1, 8, 0, size, 2835, 2835, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    pal += b"\0\0\0\0" * (256 - len(PALETTE))
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + pal))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)
    movi_body = b""
    index = b""
    for frame in frames:
        offset = 4 + len(movi_body)  # from the "movi" fourcc
        movi_body += chunk(b"00db", frame)
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(frame))
    movi = riff_list(b"LIST", b"movi", movi_body)
    body = hdrl + movi + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body) + 4) + b"AVI " + body


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def make_png():
    w, h = 36, 28
    points = [(5.0, 14.5), (14.0, 23.0), (31.0, 5.0)]
    half = 3.2
    rows = []
    for y in range(h):
        row = bytearray([0])  # filter: none
        for x in range(w):
            cx, cy = x + 0.5, y + 0.5
            d = min(segment_distance(cx, cy, *points[i], *points[i + 1]) for i in range(2))
            alpha = max(0.0, min(1.0, half + 0.5 - d))
            # A darker rim gives the mark an edge on light and dark backgrounds.
            green = (34, 160, 60) if d < half - 1.0 else (22, 120, 40)
            row += bytes([*green, int(round(alpha * 255))])
        rows.append(bytes(row))
    raw = b"".join(rows)

    def png_chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    write_if_changed(sys.argv[1], make_avi())
    write_if_changed(sys.argv[2], make_png())
