#!/usr/bin/env python3
"""Draws Voxra's eight textures and writes them as Windows DIB files.

    make_data.py OUTPUT_DIR

Data1..5 and Data7 are the six sticker colours, Data6 the backdrop and Data8
the inner faces of the cubies. Every picture has power-of-two sides. They are
stored in several of the encodings the game's bitmap loader reads (24-bit,
8-bit and 4-bit colour tables, run-length coded 8-bit, the old 12-byte core
header, and packed DIBs without a file header), so the game exercises them all
on every start.
"""

import math
import os
import random
import struct
import sys

STICKER = 64     # sticker and inner-face textures, texels per side
BACKDROP = 256   # the backdrop texture


def clamp8(v):
    return max(0, min(255, int(round(v))))


# ---------------------------------------------------------------------------
# Pictures. A picture is a list of rows, bottom row first (the order a DIB
# stores them), each a list of (r, g, b) tuples.

def rounded_box_distance(px, py, half, radius):
    """Signed distance in texels from (px, py) to a rounded square centred on
    the origin with half-side `half` and corner radius `radius`."""
    qx = abs(px) - (half - radius)
    qy = abs(py) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def sticker_fields(size):
    """Per texel (coverage, shade): how much of the texel the rounded sticker
    covers (anti-aliased edge), and a gentle dome of light that is brightest in
    the middle. Both are symmetric under every quarter turn and mirror, so a
    sticker looks the same whichever way its face is oriented."""
    centre = size / 2.0
    margin = size * 0.075
    half = centre - margin
    radius = size * 0.16
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px = x + 0.5 - centre
            py = y + 0.5 - centre
            d = rounded_box_distance(px, py, half, radius)
            coverage = min(1.0, max(0.0, 0.5 - d))
            rho = min(1.0, math.hypot(px, py) / (half * math.sqrt(2.0)))
            shade = 1.0 - rho * rho
            row.append((coverage, shade))
        rows.append(row)
    return rows


BORDER = (12, 12, 14)  # the black plastic between stickers


def sticker_colour(base, coverage, shade):
    """The colour of a texel with the given coverage and shade (both 0..1)."""
    light = 0.90 + 0.15 * shade
    face = [min(255.0, c * light) for c in base]
    return tuple(clamp8(b + (f - b) * coverage) for b, f in zip(BORDER, face))


def sticker_rgb(base):
    return [[sticker_colour(base, c, s) for c, s in row] for row in sticker_fields(STICKER)]


def sticker_indexed(base, levels=16):
    """The sticker with a 256-entry colour table: 16 coverage levels times 16
    shade levels."""
    palette = []
    for ci in range(levels):
        for si in range(levels):
            palette.append(sticker_colour(base, ci / (levels - 1), si / (levels - 1)))
    rows = []
    for row in sticker_fields(STICKER):
        rows.append([int(round(c * (levels - 1))) * levels + int(round(s * (levels - 1)))
                     for c, s in row])
    return rows, palette


def indexed(rows):
    """The picture with a colour table of its own colours, at most 256 (the
    backdrop's gradient has about two hundred): a third of its 24-bit bytes."""
    palette = sorted({p for row in rows for p in row})
    if len(palette) > 256:
        raise SystemExit("make_data.py: %d colours do not fit a colour table" % len(palette))
    index = {p: i for i, p in enumerate(palette)}
    return [[index[p] for p in row] for row in rows], palette


def shrink_palette(rows, palette):
    """Drops the unused entries of a colour table (the file then says how many
    colours it uses)."""
    used = sorted({i for row in rows for i in row})
    remap = {old: new for new, old in enumerate(used)}
    return [[remap[i] for i in row] for row in rows], [palette[i] for i in used]


def inner_face_indexed():
    """Dark moulded plastic: a fine grain of 16 greys, a slightly darker rim so
    that neighbouring cubies stay apart while a slab turns."""
    rng = random.Random(5)
    greys = [10 + 2 * i for i in range(16)]
    palette = [(g, g, g + 2) for g in greys]
    rows = []
    for y in range(STICKER):
        row = []
        for x in range(STICKER):
            edge = min(x, y, STICKER - 1 - x, STICKER - 1 - y)
            level = 7.0 + rng.gauss(0.0, 1.3)
            if edge == 0:
                level -= 5.0
            elif edge == 1:
                level -= 2.5
            row.append(max(0, min(15, int(round(level)))))
        rows.append(row)
    return rows, palette


def backdrop_rgb():
    """A quiet slate-blue glow, lighter behind the middle, falling off to near
    black at the edges; a little noise keeps the gradient from banding."""
    rng = random.Random(6)
    inner = (52, 62, 80)
    outer = (9, 10, 15)
    rows = []
    for y in range(BACKDROP):
        row = []
        for x in range(BACKDROP):
            u = (x + 0.5) / BACKDROP - 0.5
            v = (y + 0.5) / BACKDROP - 0.55
            r = min(1.0, math.hypot(u, v) / 0.72)
            t = r * r * (3.0 - 2.0 * r)  # smoothstep
            noise = rng.uniform(-0.6, 0.6)
            row.append(tuple(clamp8(i + (o - i) * t + noise) for i, o in zip(inner, outer)))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# Encodings.

def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def pixels_24(rows):
    return b"".join(pad4(b"".join(bytes((b, g, r)) for r, g, b in row)) for row in rows)


def pixels_8(rows):
    return b"".join(pad4(bytes(row)) for row in rows)


def pixels_4(rows):
    out = []
    for row in rows:
        packed = bytearray()
        for i in range(0, len(row), 2):
            hi = row[i]
            lo = row[i + 1] if i + 1 < len(row) else 0
            packed.append((hi << 4) | lo)
        out.append(pad4(bytes(packed)))
    return b"".join(out)


def pixels_rle8(rows):
    """Run-length coded 8-bit rows: encoded runs only, an end-of-line mark after
    each row and the end-of-bitmap mark at the end."""
    out = bytearray()
    for row in rows:
        i = 0
        while i < len(row):
            j = i
            while j < len(row) and row[j] == row[i] and j - i < 255:
                j += 1
            out += bytes((j - i, row[i]))
            i = j
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def info_header(width, height, bits, compression=0, image_size=0, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size,
                       2835, 2835, colours_used, 0)


def quads(palette):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)


def with_file_header(dib, table_end):
    """Puts the 14-byte file header in front of a packed DIB whose pixel data
    start `table_end` bytes into it."""
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 14 + table_end) + dib


def dib_24(rows):
    h, w = len(rows), len(rows[0])
    header = info_header(w, h, 24)
    return header + pixels_24(rows), len(header)


def dib_8(rows, palette, compress=False):
    h, w = len(rows), len(rows[0])
    bits = pixels_rle8(rows) if compress else pixels_8(rows)
    header = info_header(w, h, 8, 1 if compress else 0, len(bits) if compress else 0,
                         len(palette) if len(palette) < 256 else 0)
    table = quads(palette)
    return header + table + bits, len(header) + len(table)


def dib_4(rows, palette):
    h, w = len(rows), len(rows[0])
    table = quads(palette + [(0, 0, 0)] * (16 - len(palette)))
    header = info_header(w, h, 4)
    return header + table + pixels_4(rows), len(header) + len(table)


def dib_core_8(rows, palette):
    """The 12-byte core header with a 256-entry table of 3-byte colours."""
    h, w = len(rows), len(rows[0])
    palette = palette + [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack("<IHHHH", 12, w, h, 1, 8)
    table = b"".join(bytes((b, g, r)) for r, g, b in palette)
    return header + table + pixels_8(rows), len(header) + len(table)


# ---------------------------------------------------------------------------

GREEN = (0, 158, 80)
WHITE = (238, 240, 236)
ORANGE = (255, 106, 0)
YELLOW = (255, 214, 0)
BLUE = (0, 82, 186)
RED = (200, 18, 40)


def build():
    """The eight files: name -> bytes."""
    files = {}
    files["Data1.dll"] = with_file_header(*dib_24(sticker_rgb(GREEN)))      # front
    files["Data2.dll"] = with_file_header(*dib_8(*sticker_indexed(WHITE)))  # top
    files["Data3.dll"] = with_file_header(*dib_core_8(*sticker_indexed(ORANGE)))  # left
    files["Data4.dll"] = with_file_header(*dib_8(*sticker_indexed(YELLOW), compress=True))  # bottom
    files["Data5.dll"] = dib_24(sticker_rgb(BLUE))[0]                        # back, packed
    files["Data7.dll"] = dib_8(*shrink_palette(*sticker_indexed(RED)))[0]    # right, packed
    files["Data6.dll"] = with_file_header(*dib_8(*indexed(backdrop_rgb())))  # backdrop
    files["Data8.dll"] = with_file_header(*dib_4(*inner_face_indexed()))     # inner faces
    return files


def write_files(argv, files):
    """Writes name -> bytes into the folder argv names, each file whole or not
    at all, in the dict's order."""
    if len(argv) != 2:
        sys.stderr.write("usage: %s OUTPUT_DIR\n" % os.path.basename(argv[0]))
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for name, data in files.items():
        path = os.path.join(argv[1], name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)
    return 0


def main(argv):
    return write_files(argv, build())


if __name__ == "__main__":
    sys.exit(main(sys.argv))
