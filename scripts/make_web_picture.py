#!/usr/bin/env python3
"""Makes docs/voxra-phone.png, the README's picture of the page on a phone,
from the real page: builds it (cmake --preset web), serves build/web/site/,
and shows it in headless Chromium as a 390 x 844 phone at two device pixels
per CSS pixel, a first visit (legend and pad shown). A few turns by dragging
on the pad and a tilt and spin by its arrows, then the screen is taken at
one pixel per CSS pixel and kept in 256 colours (median cut), which makes
the file a third of the size.

    scripts/make_web_picture.py [OUTPUT.png]
"""
import base64
import os
import struct
import subprocess
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from drive.cdrive import Browser, Page, Site  # noqa: E402

SCALE = 2
KEY = "(r => [r.x + r.width / 2, r.y + r.height / 2])(document.querySelector('[data-key=%s]').getBoundingClientRect())"
# The canvas once it has not changed for half a second.
STILL = """new Promise(done => { const c = document.getElementById('canvas'); let last = '', since = performance.now();
  (function look() { const now = performance.now(), seen = c.toDataURL();
    if (seen !== last) [last, since] = [seen, now];
    now - since > 500 ? done() : setTimeout(look, 50); })(); })"""


def chunks(png):
    at = 8
    while at < len(png):
        length, tag = struct.unpack(">I4s", png[at:at + 8])
        yield tag, png[at + 8:at + 8 + length]
        at += 12 + length


def read_rgb(png):
    """(width, height, rows of bytes) of an 8-bit RGB PNG without interlace, as Chromium writes them."""
    header = dict(chunks(png))[b"IHDR"]
    width, height, depth, kind, _, _, interlace = struct.unpack(">IIBBBBB", header)
    if (depth, kind, interlace) != (8, 2, 0):
        raise SystemExit("make_web_picture.py: not an 8-bit RGB picture")
    raw = zlib.decompress(b"".join(body for tag, body in chunks(png) if tag == b"IDAT"))
    stride, rows, above = 3 * width, [], bytes(3 * width)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = row[i - 3] if i >= 3 else 0
            corner = above[i - 3] if i >= 3 else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + above[i]) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + above[i]) // 2) & 255
            elif kind == 4:
                p = left + above[i] - corner
                pa, pb, pc = abs(p - left), abs(p - above[i]), abs(p - corner)
                row[i] = (row[i] + (left if pa <= pb and pa <= pc else above[i] if pb <= pc else corner)) & 255
        rows.append(bytes(row))
        above = rows[-1]
    return width, height, rows


def palette_png(width, height, rows, colours=256):
    """The picture as an indexed PNG: the colours split by median cut into boxes, each shown as its mean."""
    counts = {}
    for row in rows:
        for x in range(0, len(row), 3):
            counts[row[x:x + 3]] = counts.get(row[x:x + 3], 0) + 1
    boxes = [list(counts)]
    while len(boxes) < colours:
        spans = [(max(c[k] for c in box) - min(c[k] for c in box), k, n)
                 for n, box in enumerate(boxes) if len(box) > 1 for k in range(3)]
        if not spans:
            break
        _, k, n = max(spans)
        box = sorted(boxes.pop(n), key=lambda c: c[k])
        half, total = 0, sum(counts[c] for c in box) / 2
        for cut, c in enumerate(box):
            half += counts[c]
            if half >= total:
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes += [box[:cut], box[cut:]]
    index, palette = {}, bytearray()
    for n, box in enumerate(boxes):
        weight = sum(counts[c] for c in box)
        palette += bytes(round(sum(c[k] * counts[c] for c in box) / weight) for k in range(3))
        index.update((c, n) for c in box)
    raw = b"".join(b"\0" + bytes(index[row[x:x + 3]] for x in range(0, len(row), 3)) for row in rows)

    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)) +
            chunk(b"PLTE", bytes(palette)) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(ROOT, "docs", "voxra-phone.png")
    for step in (["cmake", "--preset", "web"], ["cmake", "--build", "--preset", "web"]):
        subprocess.run(step, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    site = Site(os.path.join(ROOT, "build", "web", "site"))
    # Keep the drawing buffer, so the picture can be compared while it turns.
    keep = """const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, options) {
        return getContext.call(this, type, { ...options, preserveDrawingBuffer: true }); };"""
    with Browser() as browser:
        page = Page(browser, keep)
        page.screen(390, 844, SCALE, touch=True)
        page.goto(site.url)
        page.wait("(c => c && c.style.display === 'block')(document.getElementById('canvas'))", timeout=30)
        page.frames(10)
        for keys in (["Numpad6", "Numpad9"], ["Numpad8", "Numpad7"], ["Numpad0", "Numpad3"],
                     ["Numpad5", "Numpad2"]):
            points = [page.eval(KEY % key) for key in keys]
            page.touch("touchStart", points[0])
            page.touch("touchMove", points[1])
            page.touch("touchEnd")
            page.frames(20)
        for key, frames in (("ArrowDown", 5), ("ArrowLeft", 3)):
            page.touch("touchStart", page.eval(KEY % key))
            page.frames(frames)
            page.touch("touchEnd")
        page.eval(STILL)
        shot = page.call("Page.captureScreenshot", format="png",
                         clip={"x": 0, "y": 0, "width": 390, "height": 844, "scale": 1 / SCALE})
        if page.errors:
            sys.exit("make_web_picture.py: the page failed: %s" % page.errors)
    with open(out, "wb") as f:
        f.write(palette_png(*read_rgb(base64.b64decode(shot["data"]))))
    print("%s: %d bytes" % (out, os.path.getsize(out)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
