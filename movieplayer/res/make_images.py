#!/usr/bin/env python3
"""Draws the movie player's skin into OUT_DIR, a dark blue caption that fits the frame's pens
(dark RGB(0, 43, 96), light RGB(115, 197, 236)):

  CaptionLeft.bmp    150 x 28: left end of the caption (pattern brush)
  CaptionMiddle.bmp    1 x 28: one column of the caption, repeated (pattern brush)
  CaptionRight.bmp   155 x 28: right end of the caption; the buttons are drawn over its x 80-145
  MinButton.bmp      33 x 18 images in a strip: minimise normal, mouse over, pressed
  CloseButton.bmp    32 x 18 images in a strip: close normal, mouse over, pressed
  VxMdMoviePlayer.ico  the program's icon (32 x 32 and 16 x 16): a film frame with a play mark

The three caption parts share one vertical gradient, so they join without a seam. The button
strips are 24-bit with magenta as the image lists' mask colour, so their edges are hard (a soft
edge would leave pink fringes); the caption shows through their normal state.

usage: make_images.py OUT_DIR
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "cmake"))
# The drawing primitives and file writers of the main window's images.
sys.path.insert(0, os.path.join(here, "..", "..", "mainwindow", "res"))
from buildfiles import write_if_changed  # noqa: E402
from make_images import (MAGENTA, Canvas, strip_of, bmp24, circle, ico, moved, polygon, rect,  # noqa: E402
                         round_rect, segment, union)

CAPTION_H = 28
DARK = (0, 43, 96)            # the frame's outer pen
LIGHT = (115, 197, 236)       # the frame's inner pen
TOP, BOTTOM = (45, 112, 186), (9, 50, 108)
WHITE = (255, 255, 255)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def caption_row(y):
    """Row 0 is the outer edge, row 1 its highlight, the rest a gradient with a gloss on the upper
    half; the last row lies under the page and closes the band with the dark pen's colour."""
    if y == 0 or y == CAPTION_H - 1:
        return DARK
    if y == 1:
        return mix(LIGHT, TOP, 0.35)
    t = (y - 2) / float(CAPTION_H - 4)
    colour = mix(TOP, BOTTOM, t)
    if y < CAPTION_H // 2:
        colour = mix(colour, WHITE, 0.10 * (1 - (y - 2) / float(CAPTION_H // 2 - 2)))
    return colour


def caption_part(w, left_edge=False, right_edge=False):
    c = Canvas(w, CAPTION_H)
    for y in range(CAPTION_H):
        row = caption_row(y)
        for x in range(w):
            c.px[y][x] = row + (255,)
    # The frame's two lines continue up the caption's ends.
    for y in range(1, CAPTION_H):
        if left_edge:
            c.px[y][0] = DARK + (255,)
            c.px[y][1] = (LIGHT if y > 1 else mix(LIGHT, TOP, 0.35)) + (255,)
        if right_edge:
            c.px[y][w - 1] = DARK + (255,)
            c.px[y][w - 2] = LIGHT + (255,)
    return c


def caption_left():
    c = caption_part(150, left_edge=True)
    # A soft glow behind the icon and the title, gone before the join at x = 150.
    for y in range(2, CAPTION_H - 1):
        for x in range(2, 150):
            t = max(0.0, 1.0 - ((x - 40) / 110.0) ** 2 - ((y - 13) / 14.0) ** 2)
            if t > 0:
                r, g, b, a = c.px[y][x]
                c.px[y][x] = mix((r, g, b), LIGHT, 0.16 * t) + (a,)
    return c


def button(w, state, glyph, hover, pressed):
    c = Canvas(w, 18, MAGENTA + (255,))
    face = round_rect(1, 0, w - 1, 18, 3)
    if state == 1:
        c.paint(face, LIGHT, hard=True)
        c.paint(round_rect(2, 1, w - 2, 17, 2), hover, hard=True)
    elif state == 2:
        c.paint(face, DARK, hard=True)
        c.paint(round_rect(2, 1, w - 2, 17, 2), pressed, hard=True)
    shift = 1 if state == 2 else 0
    c.paint(moved(glyph(w), shift, shift), WHITE, hard=True)
    return c


def minimise_glyph(w):
    return rect(w / 2.0 - 5, 11, w / 2.0 + 5, 13)


def close_glyph(w):
    cx, cy = w / 2.0, 9.0
    return union(segment(cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5, 1.1),
                 segment(cx - 4.5, cy + 4.5, cx + 4.5, cy - 4.5, 1.1))


def program_icon(size):
    s = size / 32.0
    c = Canvas(size, size)
    c.paint(moved(round_rect(1, 4, 31, 28, 3.5), 0, 0, s), DARK)
    c.paint(moved(round_rect(2, 5, 30, 27, 2.5), 0, 0, s), TOP)
    if size >= 32:  # the perforations are too fine for the small one
        holes = union(*[rect(4 + i * 5, 6.5, 6.5 + i * 5, 8.5) for i in range(5)] +
                      [rect(4 + i * 5, 23.5, 6.5 + i * 5, 25.5) for i in range(5)])
        c.paint(holes, DARK, hard=True)
    c.paint(moved(circle(16, 16, 7.5), 0, 0, s), LIGHT)
    c.paint(moved(polygon([(13.5, 11.5), (20.5, 16), (13.5, 20.5)]), 0, 0, s), WHITE)
    return c


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_if_changed(os.path.join(out, "CaptionLeft.bmp"), bmp24(caption_left()))
    write_if_changed(os.path.join(out, "CaptionMiddle.bmp"), bmp24(caption_part(1)))
    write_if_changed(os.path.join(out, "CaptionRight.bmp"), bmp24(caption_part(155, right_edge=True)))
    write_if_changed(os.path.join(out, "MinButton.bmp"),
                     bmp24(strip_of(background=None, cells=[button(33, s, minimise_glyph, (58, 138, 206), (6, 36, 84)) for s in range(3)])))
    write_if_changed(os.path.join(out, "CloseButton.bmp"),
                     bmp24(strip_of(background=None, cells=[button(32, s, close_glyph, (214, 64, 52), (150, 30, 24)) for s in range(3)])))
    write_if_changed(os.path.join(out, "VxMdMoviePlayer.ico"), ico([program_icon(32), program_icon(16)]))
