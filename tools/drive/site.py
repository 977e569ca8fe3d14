"""What the page's drivers share (cdrive for Chromium, wdrive for Firefox and WebKit): the page served
from 127.0.0.1 with a script of the caller's run ahead of its own and a recorder of its uncaught errors
and unhandled rejections, and what is built on a driver's evaluation and keys: waits, held keys, the
canvas's picture once still."""

import base64
import collections
import http.server
import os
import threading
import time

FRAMES = """new Promise((done, fail) => { const late = setTimeout(() => fail(new Error('no animation frame for 30 s')),
  30000); (function next(n) { n ? requestAnimationFrame(() => next(n - 1)) : (clearTimeout(late), done()); })(%d); })"""
# Ahead of everything in the page: its uncaught errors and unhandled rejections kept in driveErrors.
RECORDER = """window.driveErrors = [];
addEventListener('error', (e) => driveErrors.push(String(e.error && e.error.stack || e.message)));
addEventListener('unhandledrejection',
                 (e) => driveErrors.push('unhandled: ' + (e.reason && e.reason.stack || e.reason)));
"""

# For `before`: the page's WebGL canvas kept readable (preserveDrawingBuffer) and its frames counted in
# driveFrames, by its clears (one a drawn frame), for Tab.still.
CANVAS = """window.driveFrames = 0;
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, options) {
  const gl = getContext.call(this, type, { ...options, preserveDrawingBuffer: true }), clear = gl && gl.clear;
  if (clear && !gl.counted) [gl.counted, gl.clear] = [true, (mask) => (driveFrames++, clear.call(gl, mask))];
  return gl; };
"""
# The canvas once unchanged for %d ms and %d frames: its size, the frame count when it last changed, and
# its RGBA in base64, bottom row first.
STILL = """new Promise((done, fail) => {
  const c = document.querySelector('canvas'), gl = c.getContext('webgl'), start = performance.now();
  const same = (a, b) => { for (let k = 0; k < a.length; k++) if (a[k] !== b[k]) return false; return true; };
  let pic, since;
  (function grab() {
    const now = performance.now(), rgba = new Uint8Array(c.width * c.height * 4), read = new FileReader();
    gl.readPixels(0, 0, c.width, c.height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
    if (!pic || rgba.length !== pic.rgba.length || !same(...[rgba, pic.rgba].map(p => new Uint32Array(p.buffer))))
      [pic, since] = [{ w: c.width, h: c.height, frame: driveFrames, rgba }, now];
    if (now - since < %d || driveFrames - pic.frame < %d)
      return now - start < 60000 ? setTimeout(grab, 20) : fail(new Error('the picture kept changing for 60 s'));
    read.onload = () => done({ ...pic, rgba: read.result.split(',')[1] });
    read.readAsDataURL(new Blob([pic.rgba]));
  })(); })"""


class Failure(Exception):
    """A check did not hold, or the browser did not answer."""


class Site:
    """`folder` served at `url` on 127.0.0.1 by a thread of this process, unlogged, until closed. Its
    pages (*.html) run the recorder and then `before` first thing in their <head>; the files named in
    `replaced` are served as the bytes given instead, or not found (None). `answers` counts the answers by
    (path without its query, status); `folder` may be changed meanwhile."""

    def __init__(self, folder, replaced=None, before=""):
        replaced, head = replaced or {}, b"<head>\n<script>\n" + (RECORDER + before).encode() + b"\n</script>"
        self.folder, self.answers = folder, collections.Counter()
        site = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *_):
                pass

            def log_request(self, code="-", size="-"):
                site.answers[self.path.split("?")[0].lstrip("/"), int(code)] += 1

            def do_GET(self):
                self.directory = site.folder  # the folder of now: the connection may have been opened before
                name, path = self.path.split("?")[0].lstrip("/"), self.translate_path(self.path)
                path = os.path.join(path, "index.html") if os.path.isdir(path) else path
                if name in replaced:
                    body = replaced[name]
                elif path.endswith(".html") and os.path.isfile(path):
                    # Its file's date, as the plain files have it, and no-cache, so that a browser
                    # revalidates it on each visit (without, it may keep it a tenth of its age unasked).
                    stamp = self.date_time_string(int(os.stat(path).st_mtime))
                    if self.headers.get("If-Modified-Since") == stamp:
                        self.send_response(304)
                        return self.end_headers()
                    with open(path, "rb") as f:
                        body = f.read().replace(b"<head>", head, 1)
                else:
                    return super().do_GET()
                if body is None:
                    return self.send_error(404)
                self.send_response(200)
                if name not in replaced:
                    self.send_header("Last-Modified", stamp), self.send_header("Cache-Control", "no-cache")
                self.send_header("Content-Type", self.guess_type(path))
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                                       lambda *a: Handler(*a, directory=folder))
        self._server.handle_error = lambda *_: None  # a browser that left before the answer was sent
        threading.Thread(target=self._server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self._server.server_port

    def close(self):
        """Stops serving: the address refuses connections from then on."""
        self._server.shutdown()
        self._server.server_close()


class Tab:
    """What a driver's page offers on its eval(expression) and key(code, down)."""

    def wait(self, expression, test=bool, timeout=20, what=None):
        """The expression's value once it passes `test`, evaluated every 20 ms."""
        deadline = time.monotonic() + timeout
        while not test(value := self.eval(expression)):
            if time.monotonic() > deadline:
                raise Failure("timed out after %d s waiting for %s (last: %r)"
                              % (timeout, what or expression, value))
            time.sleep(0.02)
        return value

    def frames(self, n):
        """Waits for n of the page's animation frames."""
        self.eval(FRAMES % n)

    def still(self, quiet=250):
        """(width, height, frame count, colour (r, g, b) at (x, y)) of the canvas once unchanged for `quiet`
        ms and a frame every 25 ms of it; the page's before must hold CANVAS."""
        pic = self.eval(STILL % (quiet, quiet // 25))
        rgba, w, h = base64.b64decode(pic["rgba"]), pic["w"], pic["h"]
        return w, h, pic["frame"], lambda x, y: tuple(rgba[4 * ((h - 1 - y) * w + x):][:3])

    def hold(self, codes, frames=2):
        """Keys pressed in order, held for a number of the page's animation frames, released."""
        for code in codes:
            self.key(code)
        self.frames(frames)
        for code in codes:
            self.key(code, down=False)
