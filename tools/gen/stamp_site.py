#!/usr/bin/env python3
"""Stamps the page's site folder with a hash of its files: writes index.html
and sw.js from their templates with @VOXRA_BUILD@ replaced by the first 16
hex digits of a SHA-256 over the templates and the site's other files (the
game's voxra.js, voxra.wasm, voxra.data, the manifest, the icons). The page
asks for its files by that hash and the service worker names its cache by
it, so a rebuild that changes any file is a new build to the browser, and one
that changes none is not.

    stamp_site.py TEMPLATE_DIR SITE_DIR

Run again after a file of SITE_DIR changed, it stamps the new build.
"""

import hashlib
import os
import sys

STAMPED = ("index.html", "sw.js")
KEPT = ("voxra.js", "voxra.wasm", "voxra.data", "manifest.webmanifest", "icon-192.png", "icon-512.png")
MARK = "@VOXRA_BUILD@"


def stamp(templates, site):
    """Writes the stamped files into `site`; returns the build's hash."""
    digest = hashlib.sha256()
    texts = {}
    for name in STAMPED + KEPT:
        folder = templates if name in STAMPED else site
        with open(os.path.join(folder, name), "rb") as f:
            body = f.read()
        if name in STAMPED:
            if MARK.encode() not in body:
                raise SystemExit("stamp_site.py: no %s in %s" % (MARK, name))
            texts[name] = body
        digest.update(b"%s %d\n" % (name.encode(), len(body)) + body)
    build = digest.hexdigest()[:16]
    for name, body in texts.items():
        with open(os.path.join(site, name), "wb") as f:
            f.write(body.replace(MARK.encode(), build.encode()))
    return build


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    stamp(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
