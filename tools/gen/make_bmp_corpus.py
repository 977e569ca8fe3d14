#!/usr/bin/env python3
"""Writes the bitmap files the image loader is tried on, and a manifest.

    make_bmp_corpus.py OUTPUT_DIR

Small pictures in every encoding the loader meets (1/4/8/16/24/32 bits per
pixel, core and info headers, bit fields, top-down rows, short and gapped
colour tables, RLE8 and RLE4 streams with every escape) and the broken files
it must refuse or survive (bad magic, unknown header sizes, bad compression,
bad sizes, overflowing sizes, offsets and tables past the end, truncations).
The same bytes on every run. MANIFEST.tsv lists each file with the outcome the
loader's rules give it: "decoded WxH" (|height| rows), or the text of the one
message box shown.
"""

import struct
import sys

from make_data import pad4, write_files

CONVERSION = "Image file conversion error."
UNKNOWN = "Unknown DIB file format."
MEMORY = "Out of memory."
OPEN = "Failed to open DIB file"  # followed by the path


def info(w, h, bpp, comp=0, size=0, used=0, planes=1, hsize=40):
    """An info header; sizes above 40 (v4, v5) get a zero tail."""
    return struct.pack("<IiiHHIIiiII", hsize, w, h, planes, bpp, comp, size,
                       2835, 2835, used, 0) + bytes(hsize - 40)


def core(w, h, bpp, planes=1):
    return struct.pack("<IHHHH", 12, w, h, planes, bpp)


def table(n, entry=4):
    """n distinct colours, blue-green-red(-0)."""
    return b"".join(bytes(((i * 53 + 20) & 255, (i * 91 + 7) & 255, (255 - i * 37) & 255,
                           0)[:entry]) for i in range(n))


def colour(x, y):
    return ((x * 40 + y * 7) & 255, (y * 60 + x * 3) & 255, ((x ^ y) * 23 + 9) & 255)


def indexed_rows(w, rows, bpp, n):
    """Stored rows of indices (3x + 5y + 1) mod n, most significant bits first."""
    out = b""
    for y in range(rows):
        bits = "".join(format((3 * x + 5 * y + 1) % n, "0%db" % bpp) for x in range(w))
        bits += "0" * (-len(bits) % 8)
        out += pad4(int(bits, 2).to_bytes(len(bits) // 8, "big"))
    return out


def field(value, mask):
    """An 8-bit channel value scaled into the lowest run of 1 bits of `mask`."""
    shift = max(0, (mask & -mask).bit_length() - 1)
    run = mask >> shift
    length = ((run + 1) & ~run).bit_length() - 1
    return (value * ((1 << length) - 1) // 255) << shift


def direct_rows(w, rows, bpp, masks=None):
    """16/24/32-bit stored rows of colour(x, y); 16 and 32 through masks."""
    def pixel(r, g, b):
        if bpp == 24:
            return bytes((b, g, r))
        v = field(r, masks[0]) | field(g, masks[1]) | field(b, masks[2])
        return struct.pack("<H" if bpp == 16 else "<I", v & ((1 << bpp) - 1))
    return b"".join(pad4(b"".join(pixel(*colour(x, y)) for x in range(w))) for y in range(rows))


MASKS555, MASKS565 = (0x7C00, 0x3E0, 0x1F), (0xF800, 0x7E0, 0x1F)
MASKS888 = (0xFF0000, 0xFF00, 0xFF)


def picture(w, h, bpp, comp=0, masks=None, used=0, planes=1, n=None):
    """(header + masks + table, pixel data) of a w x h uncompressed picture."""
    entries = used if used else (1 << bpp if bpp <= 8 else 0)
    head = info(w, h, bpp, comp, 0, used, planes)
    head += (struct.pack("<III", *masks) if comp == 3 else b"") + table(entries)
    if bpp <= 8:
        pixels = indexed_rows(w, abs(h), bpp, n or min(entries, 1 << bpp))
    else:
        pixels = direct_rows(w, abs(h), bpp, masks or (MASKS555 if bpp == 16 else MASKS888))
    return head, pixels


def core_picture(w, h, bpp):
    entries = 1 << bpp if bpp <= 8 else 0
    head = core(w, h, bpp) + table(entries, 3)
    return head, indexed_rows(w, h, bpp, entries) if bpp <= 8 else direct_rows(w, h, 24)


def bmp(head, pixels, gap=0, offset=None):
    """A file with the 14-byte file header; `gap` bytes between table and pixels."""
    if offset is None:
        offset = 14 + len(head) + gap
    return b"BM" + struct.pack("<IHHI", 14 + len(head) + gap + len(pixels), 0, 0, offset) + \
        head + b"\x5a" * gap + pixels


def rle(w, h, bpp, stream, used=0, size=None):
    """A run-length file (RLE8 at 8 bits, RLE4 at 4) around `stream`."""
    size = len(stream) if size is None else size
    return bmp(info(w, h, bpp, 1 if bpp == 8 else 2, size, used) + table(used or 1 << bpp), stream)


def rle_runs(w, h, bpp):
    """Encoded runs of two pixels per code, an end of line per row, end of bitmap."""
    out = b""
    for y in range(h):
        for x in range(0, w, 5):
            n = min(5, w - x)
            c = (x + y) % 16
            out += bytes((n, c | (((c + 1) % 16) << 4) if bpp == 4 else c * 13))
        out += b"\0\0"
    return out[:-2] + b"\0\1"


def rle_pixels(w, h, bpp, stream, used=0):
    """What a run-length stream draws, by GDI's rules: red, green, blue rows,
    bottom row first; runs clipped at the right edge, unreached pixels and
    indices past the table black."""
    tab, n = table(used or 1 << bpp), used or 1 << bpp
    out, x, y, p = bytearray(3 * w * h), 0, 0, 0

    def draw(indices):
        nonlocal x
        for i in indices:
            if x < w:
                out[3 * (y * w + x):3 * (y * w + x) + 3] = tab[4 * i:4 * i + 3][::-1] if i < n \
                    else b"\0\0\0"
                x += 1

    def nibbles(data, count):
        return [(data[k // 2] >> (0 if k % 2 else 4)) & 15 for k in range(count)]
    while p + 2 <= len(stream) and y < h:
        count, code = stream[p], stream[p + 1]
        p += 2
        if count:
            draw(nibbles(bytes((code,)) * count, count) if bpp == 4 else [code] * count)
        elif code == 0:
            x, y = 0, y + 1
        elif code == 1 or (code == 2 and p + 2 > len(stream)):
            break
        elif code == 2:
            x, y, p = x + stream[p], y + stream[p + 1], p + 2
        else:
            size = (code + 1) // 2 if bpp == 4 else code
            if p + size > len(stream):
                break
            draw(nibbles(stream[p:], code) if bpp == 4 else stream[p:p + code])
            p += size + size % 2
    return bytes(out)


def plain_pixels(w, h, bpp, used=0, n=None):
    """What picture() or core_picture() draws at 1, 4, 8 or 24 bits: red,
    green, blue rows, bottom row first; indices past the colours used black."""
    count = min(used or 1 << bpp, 1 << bpp)
    tab = table(count if bpp <= 8 else 0)
    out = b""
    for r in range(abs(h)):
        y = r if h > 0 else abs(h) - 1 - r  # the stored row
        for x in range(w):
            if bpp == 24:
                out += bytes(colour(x, y))
            else:
                i = (3 * x + 5 * y + 1) % (n or count)
                out += tab[4 * i:4 * i + 3][::-1] if i < count else b"\0\0\0"
    return out


def fnv1a(data):
    """32-bit FNV-1a, the digest the image test recomputes over decoded pixels."""
    v = 0x811C9DC5
    for b in data:
        v = ((v ^ b) * 0x01000193) & 0xFFFFFFFF
    return v


def build():
    f = {}  # name -> (bytes, outcome)

    def ok(name, data, w, h, pixels=None):
        f[name] = (data, "decoded %dx%d" % (w, abs(h)) +
                   ("" if pixels is None else " %08x" % fnv1a(pixels)))

    def bad(name, data, message):
        f[name] = (data, message)

    # Uncompressed, info header: each depth, odd widths needing row fill, 1 pixel.
    for bpp, widths in ((1, (1, 7, 9, 33)), (4, (1, 3, 7, 9)), (8, (1, 3, 5, 8)),
                        (16, (1, 3, 4)), (24, (1, 2, 3, 4, 5)), (32, (1, 3))):
        for w in widths:
            h = 1 if w == 1 else 3
            ok("rgb%d-w%dx%d.bmp" % (bpp, w, h), bmp(*picture(w, h, bpp)), w, h,
               plain_pixels(w, h, bpp) if bpp in (1, 4, 8, 24) else None)
        w = widths[-1]
        ok("rgb%d-w%dx3-topdown.bmp" % (bpp, w), bmp(*picture(w, -3, bpp)), w, 3,
           plain_pixels(w, -3, bpp) if bpp in (1, 4, 8, 24) else None)
    ok("rgb24-w5x3-packed.bmp", b"".join(picture(5, 3, 24)), 5, 3,
       plain_pixels(5, 3, 24))
    ok("rgb8-w5x3-packed.bmp", b"".join(picture(5, 3, 8)), 5, 3,
       plain_pixels(5, 3, 8))
    ok("rgb4-w7x3-packed.bmp", b"".join(picture(7, 3, 4)), 7, 3, plain_pixels(7, 3, 4))
    ok("rgb8-w5x3-planes3.bmp", bmp(*picture(5, 3, 8, planes=3)), 5, 3,
       plain_pixels(5, 3, 8))
    bad("bad-planes0.bmp", bmp(*picture(5, 3, 8, planes=0)), CONVERSION)

    # Core (12-byte) header: 3-byte table entries, unsigned sizes.
    for bpp, w in ((1, 9), (4, 7), (8, 5), (24, 5)):
        ok("core%d-w%dx3.bmp" % (bpp, w), bmp(*core_picture(w, 3, bpp)), w, 3,
           plain_pixels(w, 3, bpp))
    ok("core8-w5x3-packed.bmp", b"".join(core_picture(5, 3, 8)), 5, 3,
       plain_pixels(5, 3, 8))
    ok("core8-w1x1.bmp", bmp(*core_picture(1, 1, 8)), 1, 1, plain_pixels(1, 1, 8))
    bad("bad-core8-table-cut.bmp", bmp(*core_picture(5, 3, 8))[:14 + 12 + 300], CONVERSION)
    bad("bad-core-size-overflow-65535x65535.bmp", bmp(core(65535, 65535, 24), b""), MEMORY)

    # Bit fields: 5-6-5, 5-5-5, 8-8-8, swapped, and masks GDI handles its own way.
    for name, bpp, masks in (("565", 16, MASKS565), ("555", 16, MASKS555),
                             ("444-high", 16, (0xF000, 0xF00, 0xF0)),
                             ("1-bit-channels", 16, (0x4, 0x2, 0x1)),
                             ("888", 32, MASKS888), ("888-bgr", 32, (0xFF, 0xFF00, 0xFF0000)),
                             ("10-10-10", 32, (0x3FF00000, 0xFFC00, 0x3FF)),
                             ("non-contiguous", 32, (0xF0F00000, 0xF0F0, 0xF)),
                             ("overlapping", 32, (0xFFFF00, 0xFFFF0, 0xFF))):
        ok("bitfields%d-%s-w3x3.bmp" % (bpp, name), bmp(*picture(3, 3, bpp, 3, masks)), 3, 3)
    ok("bitfields16-565-w3x3-topdown.bmp", bmp(*picture(3, -3, 16, 3, MASKS565)), 3, 3)
    ok("bitfields32-888-w1x1-packed.bmp", b"".join(picture(1, 1, 32, 3, MASKS888)), 1, 1)
    bad("bad-bitfields16-zero-mask.bmp", bmp(*picture(3, 3, 16, 3, (0xF800, 0, 0x1F))), CONVERSION)
    bad("bad-bitfields24.bmp", bmp(*picture(3, 3, 24, 3, MASKS888)), CONVERSION)
    bad("bad-bitfields8.bmp", bmp(*picture(3, 3, 8, 3, MASKS888)), CONVERSION)
    bad("bad-bitfields16-masks-cut.bmp", info(3, 3, 16, 3) + b"\0\xf8\0\0", CONVERSION)

    # Colour tables: short, gapped, too long for the depth, larger than the file.
    ok("rgb8-used16-w5x3-packed.bmp", b"".join(picture(5, 3, 8, used=16)), 5, 3,
       plain_pixels(5, 3, 8, 16, None))
    ok("rgb8-used16-w5x3.bmp", bmp(*picture(5, 3, 8, used=16)), 5, 3,
       plain_pixels(5, 3, 8, 16, None))
    ok("rgb8-used4-index-past-table.bmp", bmp(*picture(5, 3, 8, used=4, n=256)), 5, 3,
       plain_pixels(5, 3, 8, 4, 256))
    ok("rgb1-used1-index1-black.bmp", bmp(*picture(9, 3, 1, used=1, n=2)), 9, 3,
       plain_pixels(9, 3, 1, 1, 2))
    ok("rgb8-w5x3-gap-after-table.bmp", bmp(*picture(5, 3, 8), gap=37), 5, 3,
       plain_pixels(5, 3, 8))
    ok("rgb24-w5x3-gap-after-header.bmp", bmp(*picture(5, 3, 24), gap=6), 5, 3,
       plain_pixels(5, 3, 24))
    ok("rgb4-used256-w7x3.bmp", bmp(*picture(7, 3, 4, used=256, n=16)), 7, 3,
       plain_pixels(7, 3, 4, 256, 16))
    ok("rgb8-used300-w5x3.bmp", bmp(*picture(5, 3, 8, used=300, n=256)), 5, 3,
       plain_pixels(5, 3, 8, 300, 256))
    ok("rgb24-used65536-w5x3.bmp", bmp(info(5, 3, 24, used=65536), direct_rows(5, 3, 24)), 5, 3,
       plain_pixels(5, 3, 24))
    ok("rgb16-used2-w3x3-packed.bmp", b"".join(picture(3, 3, 16, used=2)), 3, 3)
    bad("bad-rgb24-used65535-table-past-end.bmp", bmp(info(5, 3, 24, used=65535),
                                                      direct_rows(5, 3, 24)), CONVERSION)
    bad("bad-rgb8-used70000-table-past-end.bmp",  # 70000 & 0xFFFF = 4464 entries
        bmp(info(5, 3, 8, used=70000) + table(256), indexed_rows(5, 3, 8, 256)), CONVERSION)

    # RLE8 and RLE4: runs, end of line, end of bitmap, deltas, absolute runs odd
    # and even (padded), and streams that run past the edges or stop early.
    # Each case: width, height, colours used, and its RLE8 and RLE4 streams
    # (None where the case is drawn in one of the two only).
    cases = {
        "w11x4-runs": (11, 4, 0, rle_runs(11, 4, 8), rle_runs(11, 4, 4)),
        "w1x1": (1, 1, 0, b"\1\7\0\1", b"\1\x70\0\1"),
        "w12x2-absolute-odd-even": (
            12, 2, 0,
            b"\0\3\1\2\3\0\0\5\4\5\6\7\x08\0\0\4\x09\x0a\x0b\x0c\0\0\2\x20\0\3\x21\x22\x23\0\0\1",
            b"\0\3\x12\x30\0\5\x45\x67\x80\0\3\xab\0\0\1\xc0\0\4\xde\xf1\0\1"),
        "w8x5-delta": (8, 5, 0, b"\2\5\0\2\3\1\2\6\0\0\0\2\0\2\1\x09\0\1",
                       b"\3\x12\0\2\3\1\3\x45\0\0\0\2\0\2\1\x99\0\1"),
        "w8x3-eol-first": (8, 3, 0, b"\0\0\3\4\0\0\0\0\2\5\0\1", None),
        "w8x3-empty-stream": (8, 3, 0, b"\0\1", None),
        "w8x3-no-end-of-bitmap": (8, 3, 0, b"\4\1\0\0\4\2", None),
        "w5x2-no-end-of-bitmap": (5, 2, 0, None, b"\5\x12\0\0\2\x34"),
        "w5x2-run-past-edge": (5, 2, 0, b"\x14\3\0\0\2\4\0\1",
                               b"\x14\x3c\0\0\0\7\x12\x34\x56\x70\0\1"),
        "w5x2-absolute-past-edge": (5, 2, 0, b"\0\x09" + bytes(range(1, 10)) + b"\0\0\0\0\1\6\0\1",
                                    None),
        "w5x3-delta-past-right": (5, 3, 0, b"\2\1\0\2\xc8\0\3\2\0\1", None),
        "w5x3-delta-past-top": (5, 3, 0, b"\2\1\0\2\0\xff\3\2\0\1", None),
        "w5x2-lines-past-top": (5, 2, 0, b"\1\1\0\0\1\2\0\0\1\3\0\0\1\4\0\1", None),
        "w5x2-cut-absolute": (5, 2, 0, b"\2\1\0\5\1\2", None),
        "w5x2-cut-delta": (5, 2, 0, b"\2\1\0\2\1", None),
        "w5x2-odd-size": (5, 2, 0, b"\2\1\0\0\3", None),
        "w5x2-used4-index-past-table": (5, 2, 4, b"\2\1\3\xc8\0\1", b"\5\x1e\0\1"),
    }
    for name, (w, h, used, *streams) in cases.items():
        for bpp, stream in zip((8, 4), streams):
            if stream is not None:
                ok("rle%d-%s.bmp" % (bpp, name), rle(w, h, bpp, stream, used), w, h,
                   rle_pixels(w, h, bpp, stream, used))
    ok("rle8-w11x4-size0.bmp", rle(11, 4, 8, rle_runs(11, 4, 8), size=0), 11, 4)
    bad("bad-rle8-size-past-end.bmp", rle(11, 4, 8, rle_runs(11, 4, 8), size=4000), CONVERSION)
    bad("bad-rle8-topdown.bmp", rle(11, -4, 8, rle_runs(11, 4, 8)), CONVERSION)
    bad("bad-rle4-topdown.bmp", rle(11, -4, 4, rle_runs(11, 4, 4)), CONVERSION)
    for what, bpp, comp in (("rle8-at-4bpp", 4, 1), ("rle8-at-24bpp", 24, 1),
                            ("rle4-at-8bpp", 8, 2)):
        head = info(5, 2, bpp, comp, 4) + table(1 << bpp if bpp <= 8 else 0)
        bad("bad-%s.bmp" % what, bmp(head, b"\5\1\0\1"), CONVERSION)
    # Refusals: magic, header sizes, compression, depth, sizes, offsets.
    good = bmp(*picture(5, 3, 8))
    bad("bad-magic-BA.bmp", b"BA" + good[2:], UNKNOWN)
    bad("bad-magic-bm-lowercase.bmp", b"bm" + good[2:], UNKNOWN)
    for size, what in ((0, "0"), (16, "16"), (52, "52"), (56, "56"), (64, "64-os2v2"),
                       (108, "108-v4"), (124, "124-v5"), (0xFFFFFFFF, "4294967295")):
        head = info(5, 3, 24, hsize=max(40, min(size, 124)))
        bad("bad-header-size-%s.bmp" % what, bmp(struct.pack("<I", size) + head[4:],
                                                 direct_rows(5, 3, 24)), UNKNOWN)
    v5 = bytearray(info(3, 3, 16, 3, hsize=124))
    v5[40:52] = struct.pack("<III", *MASKS565)  # the masks inside a v4/v5 header
    bad("bad-header-size-124-v5-bitfields.bmp", bmp(bytes(v5), direct_rows(3, 3, 16, MASKS565)),
        UNKNOWN)
    for comp, what in ((4, "4-jpeg"), (5, "5-png"), (6, "6-alphabitfields"),
                       (11, "11-cmyk"), (0xFFFFFFFF, "4294967295")):
        bad("bad-compression-%s.bmp" % what, bmp(info(5, 3, 24, comp), direct_rows(5, 3, 24)),
            CONVERSION)
    for bpp in (0, 2, 7, 64):
        bad("bad-bpp-%d.bmp" % bpp, bmp(info(5, 3, bpp), bytes(64)), CONVERSION)
    for what, w, h, bpp, outcome in (
            ("width0", 0, 3, 24, MEMORY), ("width-negative", -5, 3, 24, MEMORY),
            ("height0", 5, 0, 24, MEMORY), ("size-overflow-width", 0x7FFFFFFF, 1, 24, MEMORY),
            ("size-overflow-height-min", 1, -0x80000000, 24, MEMORY),
            ("size-overflow-65536x65536-rgb1", 0x10000, 0x10000, 1, MEMORY),
            ("size-wrap32-65536x21846-rgb24", 0x10000, 21846, 24, MEMORY),
            ("size-wrap32-row-bits-rgb32", 0x8000000, 1, 32, CONVERSION),
            ("size-large-no-data", 23170, 23170, 24, CONVERSION)):
        table_bytes = table(2) if bpp == 1 else b""
        bad("bad-%s.bmp" % what, bmp(info(w, h, bpp) + table_bytes, direct_rows(5, 3, 24)), outcome)
    bad("bad-offset-past-end.bmp", bmp(*picture(5, 3, 24), offset=4096), CONVERSION)
    bad("bad-offset-4294967295.bmp", bmp(*picture(5, 3, 24), offset=0xFFFFFFFF), CONVERSION)
    ok("rgb8-w4x2-offset-inside-table.bmp", bmp(*picture(4, 2, 8), offset=14 + 40 + 8), 4, 2)

    # Truncations: empty, inside the file header, the bitmap header, the table,
    # the pixels, the last row's fill bytes.
    bad("cut-empty.bmp", b"", OPEN)
    for what, end in (("1-byte", 1), ("2-bytes-magic", 2), ("13-bytes", 13), ("in-info-header", 44),
                      ("14-bytes-file-header", 14), ("in-table", 456), ("in-pixels-half", -12),
                      ("in-pixels-1-byte", -1)):
        bad("cut-%s.bmp" % what, good[:end], UNKNOWN if 0 < end <= 44 else CONVERSION)
    bad("cut-in-core-header.bmp", bmp(*core_picture(5, 3, 8))[:14 + 8], UNKNOWN)
    bad("cut-packed-3-bytes.bmp", b"".join(picture(5, 3, 24))[:3], UNKNOWN)
    bad("cut-rgb24-w5-last-row-fill.bmp", bmp(*picture(5, 3, 24))[:-1], CONVERSION)
    return f


def main(argv):
    files = sorted(build().items())
    manifest = "".join("%s\t%s\n" % (name, outcome) for name, (_, outcome) in files)
    # The manifest goes last: the build takes it to stand for the whole folder.
    return write_files(argv, dict([(n, d) for n, (d, _) in files] +
                                  [("MANIFEST.tsv", manifest.encode())]))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
