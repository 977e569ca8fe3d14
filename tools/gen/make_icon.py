#!/usr/bin/env python3
"""Draws Voxra's 64 x 64 icon, the front of the puzzle, into a PNG file.

    make_icon.py OUTPUT.png
"""

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


def pixel(x, y):
    """Colour and alpha of one pixel: a rounded dark square holding a 3 x 3
    grid of rounded stickers, transparent outside."""
    def inside_rounded(px, py, x0, y0, side, radius):
        cx = min(max(px, x0 + radius), x0 + side - radius)
        cy = min(max(py, y0 + radius), y0 + side - radius)
        return (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius

    px, py = x + 0.5, y + 0.5
    if not inside_rounded(px, py, 2, 2, 60, 8):
        return (0, 0, 0, 0)
    cell = 60 / 3.0
    col, row = int((px - 2) // cell), int((py - 2) // cell)
    col, row = min(col, 2), min(row, 2)
    x0, y0 = 2 + col * cell + 2, 2 + row * cell + 2
    if inside_rounded(px, py, x0, y0, cell - 4, 4):
        return STICKERS[row][col] + (255,)
    return PLASTIC + (255,)


def png(width, height, rgba_rows):
    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rgba_rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.png\n")
        return 2
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    with open(argv[1], "wb") as f:
        f.write(png(SIZE, SIZE, rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
