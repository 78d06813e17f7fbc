#!/usr/bin/env python3
"""Draws the main window program's images into OUT_DIR:

  VxMdToolbar.bmp  16 x 16 images in a strip: back, forward, up, refresh
  VxMdTree.bmp     21 x 16 images in a strip: product category, generic list, video category,
                   game category, recently played videos, recently played songs, newest, hot
  VxMelodisk.ico   the program's icon (32 x 32 and 16 x 16), also the tray icon
  song.ico         the icon of play shortcuts: a note (16 x 16 and 32 x 32)
  VxMdSearchIcon.bmp    23 x 22: the magnifier at the left of the search box
  VxMdSearchArrow.bmp   13 x 22 images in a strip: the history arrow normal, hot, pressed
  VxMdSearchButton.bmp  58 x 22 images in a strip: the search button normal, hot, pressed (the
                        program writes its caption)
  VxMdSearchRadio.bmp   13 x 13 images in a strip: radio off, off hot, on, on hot

The toolbar and tree strips are 24-bit with magenta (255, 0, 255) as the mask colour, so their
edges are hard; the icons are 32-bit with alpha, edges smoothed by supersampling. The search box's
images always lie on white, so they are 24-bit on white with smoothed edges and need no mask.

usage: make_images.py OUT_DIR
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake"))
from buildfiles import write_if_changed  # noqa: E402

MAGENTA = (255, 0, 255)


# Shapes are predicates over a point in image coordinates (x right, y down, pixel centres at +0.5).

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def segment(ax, ay, bx, by, half_width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= half_width
    return inside


def arc(cx, cy, r_out, r_in, start_deg, end_deg):
    """Part of a ring, angles clockwise from 3 o'clock (y grows downwards)."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not r_in * r_in <= d2 <= r_out * r_out:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        s, e = start_deg % 360, end_deg % 360
        return s <= a <= e if s <= e else a >= s or a <= e
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


def star(cx, cy, r_out, r_in, points=5):
    pts = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(-90 + i * 180 / points)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def moved(shape, dx, dy, scale=1.0):
    return lambda x, y: shape((x - dx) / scale, (y - dy) / scale)


class Canvas:
    """RGBA pixels; layers are painted in order, each with a shape and a colour."""

    def __init__(self, w, h, background=None):
        self.w, self.h = w, h
        self.px = [[background if background else (0, 0, 0, 0) for _ in range(w)] for _ in range(h)]

    def paint(self, shape, colour, samples=4, hard=False, rows=None):
        r, g, b = colour
        for y in (rows if rows is not None else range(self.h)):
            for x in range(self.w):
                if hard:
                    cover = 1.0 if shape(x + 0.5, y + 0.5) else 0.0
                else:
                    hits = 0
                    for sy in range(samples):
                        for sx in range(samples):
                            if shape(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                                hits += 1
                    cover = hits / (samples * samples)
                if cover <= 0.0:
                    continue
                dr, dg, db, da = self.px[y][x]
                a = cover + da / 255.0 * (1 - cover)
                if a <= 0:
                    continue
                mix = lambda s, d: int(round((s * cover + d * (da / 255.0) * (1 - cover)) / a))
                self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), int(round(a * 255)))

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if 0 <= ox + x < self.w and 0 <= oy + y < self.h:
                    self.px[oy + y][ox + x] = other.px[y][x]


# --- the pictograms, each drawn on a cell of its own size ----------------------------------------

def cell(w, h):
    return Canvas(w, h, MAGENTA + (255,))


def draw_cells(w, h, painters):
    strip = Canvas(w * len(painters), h, MAGENTA + (255,))
    for i, painter in enumerate(painters):
        c = cell(w, h)
        painter(c, lambda shape, colour, c=c: c.paint(shape, colour, hard=True))
        strip.blit(c, i * w, 0)
    return strip


GREEN, GREEN_DARK = (60, 170, 70), (25, 110, 35)
BLUE, BLUE_DARK, BLUE_LIGHT = (55, 120, 210), (25, 70, 150), (150, 190, 240)
YELLOW, YELLOW_DARK = (250, 205, 80), (190, 140, 30)
RED, ORANGE, GREY, GREY_DARK, WHITE, BLACK = (220, 50, 40), (250, 150, 40), (170, 170, 170), (90, 90, 90), (255, 255, 255), (30, 30, 30)


def arrow_left(c, p):
    body = polygon([(1.5, 8), (8, 1.5), (8, 5), (14.5, 5), (14.5, 11), (8, 11), (8, 14.5)])
    p(body, GREEN_DARK)
    p(polygon([(3, 8), (7, 3.8), (7, 6), (13.5, 6), (13.5, 10), (7, 10), (7, 12.2)]), GREEN)


def arrow_right(c, p):
    flip = lambda shape: (lambda x, y: shape(16 - x, y))
    p(flip(polygon([(1.5, 8), (8, 1.5), (8, 5), (14.5, 5), (14.5, 11), (8, 11), (8, 14.5)])), GREEN_DARK)
    p(flip(polygon([(3, 8), (7, 3.8), (7, 6), (13.5, 6), (13.5, 10), (7, 10), (7, 12.2)])), GREEN)


def folder_up(c, p):
    p(union(rect(1, 5, 15, 14), rect(1, 4, 6, 5)), YELLOW_DARK)
    p(rect(2, 6, 14, 13), YELLOW)
    p(polygon([(8, 1), (13, 6), (10, 6), (10, 11), (6, 11), (6, 6), (3, 6)]), GREEN_DARK)
    p(polygon([(8, 2.5), (11.3, 5.5), (9, 5.5), (9, 10), (7, 10), (7, 5.5), (4.7, 5.5)]), GREEN)


def refresh(c, p):
    p(arc(8, 8.5, 6.5, 3.5, 15, 285), GREEN_DARK)
    p(arc(8, 8.5, 5.5, 4.5, 20, 280), GREEN)
    # Arrow head at the open end (top), pointing clockwise.
    p(polygon([(7.5, -0.5), (7.5, 7.5), (12.5, 3.5)]), GREEN_DARK)
    p(polygon([(8.5, 1.8), (8.5, 5.2), (10.8, 3.5)]), GREEN)


def note(c, p, ox, oy, colour):
    p(moved(ellipse(3, 11.5, 2.6, 2), ox, oy), colour)
    p(moved(rect(4.6, 2, 6, 11.5), ox, oy), colour)
    p(moved(polygon([(4.6, 2), (9.5, 4.5), (9.5, 7), (6, 5.2)]), ox, oy), colour)


def clock_badge(c, p):
    p(circle(16, 11.5, 4.5), BLUE_DARK)
    p(circle(16, 11.5, 3.5), WHITE)
    p(rect(15.5, 9, 16.5, 12), BLACK)
    p(rect(15.5, 11, 18.5, 12), BLACK)


def tree_product(c, p):
    p(round_rect(2, 1, 19, 16, 3), BLUE_DARK)
    p(round_rect(3, 2, 18, 15, 2), BLUE)
    note(c, p, 5, 0.5, WHITE)


def tree_list(c, p):
    p(union(rect(2, 4, 19, 15), rect(2, 2, 9, 4)), YELLOW_DARK)
    p(rect(3, 5, 18, 14), YELLOW)
    p(rect(3, 5, 18, 6), (255, 235, 160))


def monitor(c, p, right=19):
    p(rect(1, 2, right, 13), GREY_DARK)
    p(rect(2, 3, right - 1, 12), BLUE_LIGHT)
    p(rect(right // 2 - 2, 13, right // 2 + 3, 14), GREY_DARK)
    p(rect(right // 2 - 5, 14, right // 2 + 6, 15), GREY_DARK)


def tree_video(c, p):
    monitor(c, p)
    p(polygon([(8, 4.5), (14, 7.5), (8, 10.5)]), RED)


def tree_game(c, p):
    pad = union(round_rect(2, 5, 19, 13, 3), circle(5, 12, 3.5), circle(16, 12, 3.5))
    p(pad, GREY_DARK)
    p(union(round_rect(3, 6, 18, 12, 2), circle(5, 12, 2.5), circle(16, 12, 2.5)), GREY)
    p(union(rect(4, 8, 9, 9.8), rect(5.6, 6.5, 7.4, 11.2)), BLACK)
    p(circle(13.5, 8, 1.2), RED)
    p(circle(16, 10, 1.2), GREEN)


def tree_recent_videos(c, p):
    monitor(c, p, right=15)
    p(polygon([(6, 4.5), (10.5, 7.5), (6, 10.5)]), RED)
    clock_badge(c, p)


def tree_recent_songs(c, p):
    note(c, p, 2, 0, BLUE_DARK)
    clock_badge(c, p)


def tree_new(c, p):
    p(star(10.5, 8.5, 8, 3.4), YELLOW_DARK)
    p(star(10.5, 8.7, 6.3, 2.6), YELLOW)


def tree_hot(c, p):
    outer = polygon([(10.5, 0.5), (15, 5), (17, 9), (16, 13), (13, 15.5), (8, 15.5), (5, 13),
                     (4, 9), (6, 5), (8, 8), (9, 4)])
    inner = polygon([(11, 6), (14, 10), (13.5, 13), (11, 14.5), (9, 14), (7.5, 12), (8.5, 10), (10, 11)])
    p(outer, RED)
    p(inner, ORANGE)


def toolbar_strip():
    return draw_cells(16, 16, [arrow_left, arrow_right, folder_up, refresh])


def tree_strip():
    return draw_cells(21, 16, [tree_product, tree_list, tree_video, tree_game, tree_recent_videos,
                               tree_recent_songs, tree_new, tree_hot])


def program_icon(size):
    s = size / 32.0
    c = Canvas(size, size)
    c.paint(moved(circle(16, 16, 15.5), 0, 0, s), BLUE_DARK)
    c.paint(moved(circle(16, 16, 14), 0, 0, s), BLUE)
    if size >= 32:  # too fine for the small one
        c.paint(moved(ring(16, 16, 11, 9.8), 0, 0, s), BLUE_LIGHT)
    # A beamed pair of notes in white.
    notes = union(ellipse(10.5, 21.5, 3.6, 2.8), ellipse(20.5, 19.5, 3.6, 2.8), rect(12.6, 8.5, 14.4, 21.5),
                  rect(22.6, 6.5, 24.4, 19.5), polygon([(12.6, 8.5), (24.4, 6.0), (24.4, 9.5), (12.6, 12.0)]))
    c.paint(moved(notes, 0, 0, s), WHITE)
    return c


def song_icon(size):
    s = size / 32.0
    c = Canvas(size, size)
    shape = union(ellipse(11, 24.5, 6, 4.6), rect(14.5, 3, 17.5, 24.5),
                  polygon([(14.5, 3), (26, 9), (26, 15), (17.5, 10.5)]))
    c.paint(moved(union(*[moved(shape, dx, dy) for dx, dy in ((-0.8, 0), (0.8, 0), (0, -0.8), (0, 0.8))]), 0, 0, s),
            WHITE)
    c.paint(moved(shape, 0, 0, s), (40, 60, 150))
    return c


# --- the search box: smooth shapes on white ---------------------------------------------------------

BOX_BLUE = (61, 154, 215)
TEXT_BLUE = (35, 59, 102)


def on_white(w, h):
    return Canvas(w, h, WHITE + (255,))


def strip_of(cells, background=WHITE + (255,)):
    """The cells side by side, left to right, on one background (None: transparent)."""
    strip = Canvas(sum(c.w for c in cells), cells[0].h, background)
    x = 0
    for c in cells:
        strip.blit(c, x, 0)
        x += c.w
    return strip


def magnifier(c, cx, cy, colour):
    c.paint(ring(cx, cy, 6, 4.2), colour)
    c.paint(segment(cx + 4.2, cy + 4.2, cx + 8.8, cy + 8.8, 1.7), colour)


def search_icon():
    c = on_white(23, 22)
    magnifier(c, 10, 9.5, BOX_BLUE)
    return c


def search_arrow(state):
    c = on_white(13, 22)
    if state:
        c.paint(round_rect(0, 2, 13, 20, 2), (221, 238, 255) if state == 1 else (190, 220, 245))
    c.paint(polygon([(3, 9), (10, 9), (6.5, 13.5)]), BOX_BLUE if state == 0 else BLUE_DARK)
    return c


def search_button(state):
    top, bottom = {0: ((92, 173, 235), (41, 128, 201)),
                   1: ((128, 196, 245), (62, 151, 222)),
                   2: ((41, 120, 190), (30, 96, 165))}[state]
    c = on_white(58, 22)
    c.paint(round_rect(0, 0, 58, 22, 3), (30, 100, 170))
    body = round_rect(1, 1, 57, 21, 2.5)
    for y in range(1, 21):
        t = (y - 1) / 19.0
        colour = tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
        c.paint(body, colour, rows=[y])
    magnifier(c, 11, 9.5, WHITE)
    return c


def search_radio(on, hot):
    c = on_white(13, 13)
    c.paint(circle(6.5, 6.5, 6), (120, 150, 190))
    c.paint(circle(6.5, 6.5, 5), (221, 238, 255) if hot else WHITE)
    if on:
        c.paint(circle(6.5, 6.5, 2.8), (41, 128, 201))
    return c


# --- file formats ------------------------------------------------------------------------------

def bmp24(canvas):
    stride = (canvas.w * 3 + 3) & ~3
    rows = []
    for y in range(canvas.h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for (r, g, b, _a) in canvas.px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def ico(canvases):
    images = []
    for c in canvases:
        xor = bytearray()
        for y in range(c.h - 1, -1, -1):
            for (r, g, b, a) in c.px[y]:
                xor += bytes((b, g, r, a))
        mask_stride = ((c.w + 31) // 32) * 4
        mask = bytearray()
        for y in range(c.h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x, (_r, _g, _b, a) in enumerate(c.px[y]):
                if a < 128:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c.w, c.h, info + bytes(xor) + bytes(mask)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _w, _h, data in images)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_if_changed(os.path.join(out, "VxMdToolbar.bmp"), bmp24(toolbar_strip()))
    write_if_changed(os.path.join(out, "VxMdTree.bmp"), bmp24(tree_strip()))
    write_if_changed(os.path.join(out, "VxMelodisk.ico"), ico([program_icon(32), program_icon(16)]))
    write_if_changed(os.path.join(out, "song.ico"), ico([song_icon(16), song_icon(32)]))
    write_if_changed(os.path.join(out, "VxMdSearchIcon.bmp"), bmp24(search_icon()))
    write_if_changed(os.path.join(out, "VxMdSearchArrow.bmp"), bmp24(strip_of([search_arrow(s) for s in range(3)])))
    write_if_changed(os.path.join(out, "VxMdSearchButton.bmp"), bmp24(strip_of([search_button(s) for s in range(3)])))
    write_if_changed(os.path.join(out, "VxMdSearchRadio.bmp"),
                     bmp24(strip_of([search_radio(on, hot) for on in (False, True) for hot in (False, True)])))
