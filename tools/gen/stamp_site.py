#!/usr/bin/env python3
"""Stamps the page's site folder with a hash of its files: writes index.html
and sw.js from their templates with @VOXRA_BUILD@ replaced by the first 16
hex digits of a SHA-256 over the templates and the site's other files (the
game's voxra.js, voxra.wasm, voxra.data, the manifest, the icons), and
@VOXRA_KEPT@ by the list of what is kept for offline play, as asked for (the
game's files by the hash). The page asks for its files by that hash and the
service worker names its cache by it, so a rebuild that changes any file is
a new build to the browser, and one that changes none is not. The two are written without their comments (whole
lines of // in scripts, /* */ in the style): the templates keep them, and a
phone need not download them.

    stamp_site.py TEMPLATE_DIR SITE_DIR

Run again after a file of SITE_DIR changed, it stamps the new build.
"""

import hashlib
import json
import os
import re
import sys

STAMPED = ("index.html", "sw.js")
HASHED = ("voxra.js", "voxra.wasm", "voxra.data")  # asked for as NAME?v=BUILD
KEPT = HASHED + ("manifest.webmanifest", "icon-192.png", "icon-512.png")
MARK = "@VOXRA_BUILD@"


def uncommented(name, text):
    """The page's text without its comment lines: every line of a script
    (sw.js, or between <script> and </script>) that starts with // (but for
    //# sourceURL), and every /* */ of the style."""
    def lines(script):
        return "".join(line for line in script.splitlines(True)
                       if not line.lstrip().startswith("//") or line.lstrip().startswith("//# "))
    if name.endswith(".js"):
        return lines(text)
    text = re.sub(r"<script>.*?</script>", lambda m: lines(m.group(0)), text, flags=re.S)
    return re.sub(r"<style>.*?</style>", lambda m: re.sub(r"[ \t]*/\*.*?\*/\n?", "", m.group(0), flags=re.S),
                  text, flags=re.S)


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
    kept = json.dumps(["./"] + [name + "?v=" + build if name in HASHED else name for name in KEPT])
    for name, body in texts.items():
        with open(os.path.join(site, name), "w", encoding="utf-8") as f:
            f.write(uncommented(name, body.decode("utf-8")).replace(MARK, build).replace("@VOXRA_KEPT@", kept))
    return build


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    stamp(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
