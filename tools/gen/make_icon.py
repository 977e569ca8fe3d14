#!/usr/bin/env python3
"""Draws Voxra's icon, the front of the puzzle, into a PNG file: 64 x 64, or
SIZE x SIZE (the same drawing scaled, its outlines smoothed above 64).

    make_icon.py OUTPUT.png [SIZE]
"""

import math
import struct
import sys
import zlib

SIZE = 64
PLASTIC = (16, 16, 20)
# Rows of the pictured front, top first: a few turns away from solved.
STICKERS = [
    [(0, 158, 80), (0, 158, 80), (255, 214, 0)],
    [(238, 240, 236), (0, 158, 80), (255, 214, 0)],
    [(0, 158, 80), (255, 106, 0), (0, 82, 186)],
]


def rounded_distance(px, py, x0, y0, side, radius):
    """How far (px, py) lies outside a rounded square: 0 on its outline, less
    inside, the distance to the outline outside."""
    cx = min(max(px, x0 + radius), x0 + side - radius)
    cy = min(max(py, y0 + radius), y0 + side - radius)
    return math.hypot(px - cx, py - cy) - radius


def shapes(px, py):
    """At a point of the 64 x 64 drawing (a rounded dark square holding a
    3 x 3 grid of rounded stickers): how far outside the square it lies, the
    colour of the sticker of its cell, and how far outside that sticker."""
    cell = 60 / 3.0
    col, row = int((px - 2) // cell), int((py - 2) // cell)
    col, row = min(max(col, 0), 2), min(max(row, 0), 2)
    x0, y0 = 2 + col * cell + 2, 2 + row * cell + 2
    return (rounded_distance(px, py, 2, 2, 60, 8), STICKERS[row][col],
            rounded_distance(px, py, x0, y0, cell - 4, 4))


def pixel(px, py):
    """Colour and alpha at a point of the drawing, transparent outside."""
    outside, sticker, off_sticker = shapes(px, py)
    if outside > 0:
        return (0, 0, 0, 0)
    return sticker + (255,) if off_sticker <= 0 else PLASTIC + (255,)


def scaled(x, y, size):
    """One pixel of the drawing at size x size: at 64 or less its centre's
    colour; above, outlines smoothed over the pixel's width."""
    scale = SIZE / size
    px, py = (x + 0.5) * scale, (y + 0.5) * scale
    if size <= SIZE:
        return pixel(px, py)
    outside, sticker, off_sticker = shapes(px, py)
    cover = min(max(0.5 - outside / scale, 0.0), 1.0)
    if cover == 0:
        return (0, 0, 0, 0)
    mix = min(max(0.5 - off_sticker / scale, 0.0), 1.0)
    return tuple(round(p + (s - p) * mix) for p, s in zip(PLASTIC, sticker)) + (round(255 * cover),)


def png(width, height, rgba_rows):
    """The PNG file of the pixels: with a colour table where they have 256
    colours or fewer (the drawing has a few dozen to a few hundred, the
    outlines' blends), which takes half the bytes of RGBA; RGBA otherwise."""
    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    # Translucent colours first, so the alpha table can stop at the last of them.
    colours = sorted({p for row in rgba_rows for p in row}, key=lambda p: (p[3] == 255, p))
    if len(colours) <= 256:
        index = {p: i for i, p in enumerate(colours)}
        raw = b"".join(b"\0" + bytes(index[p] for p in row) for row in rgba_rows)
        translucent = [p[3] for p in colours if p[3] != 255]
        table = (chunk(b"PLTE", b"".join(bytes(p[:3]) for p in colours)) +
                 (chunk(b"tRNS", bytes(translucent)) if translucent else b""))
        kind = 3
    else:
        raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rgba_rows)
        table, kind = b"", 6
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, kind, 0, 0, 0)) + table +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) not in (2, 3) or (len(argv) == 3 and not argv[2].isdigit()):
        sys.stderr.write("usage: make_icon.py OUTPUT.png [SIZE]\n")
        return 2
    size = int(argv[2]) if len(argv) == 3 else SIZE
    rows = [[scaled(x, y, size) for x in range(size)] for y in range(size)]
    with open(argv[1], "wb") as f:
        f.write(png(size, size, rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
