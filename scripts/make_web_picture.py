#!/usr/bin/python3
"""Makes docs/voxra-phone.png, the README's picture of the page on a phone,
from the real page in build/web/site/: shown in headless Chromium as a
390 x 844 phone at two device pixels per CSS pixel, a first visit (legend and
pad shown). A few turns by dragging on the pad and a tilt and spin by its
arrows, then the screen is taken at one pixel per CSS pixel and kept in 256
colours (ImageMagick), a third of the size.

    make_web_picture.py SITE_DIR OUTPUT.png

Used by scripts/make-pictures.sh, which builds the page first.
"""
import base64
import os
import subprocess
import sys
import tempfile

from drive.cdrive import Browser
from drive.site import CANVAS, Site

SCALE = 2
KEY = "(r => [r.x + r.width / 2, r.y + r.height / 2])(document.querySelector('[data-key=%s]').getBoundingClientRect())"


def main(argv):
    site, out = Site(argv[1], before=CANVAS), argv[2]  # the canvas readable, to see when it stands still
    with Browser() as browser:
        page = browser.page()
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
        page.still(500)
        shot = page.call("Page.captureScreenshot", format="png",
                         clip={"x": 0, "y": 0, "width": 390, "height": 844, "scale": 1 / SCALE})
        if page.errors:
            sys.exit("make_web_picture.py: the page failed: %s" % page.errors)
    with tempfile.NamedTemporaryFile(suffix=".png") as full:
        full.write(base64.b64decode(shot["data"]))
        full.flush()
        subprocess.run(["convert", full.name, "-colors", "256", "PNG8:" + out], check=True)
    print("%s: %d bytes" % (out, os.path.getsize(out)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
