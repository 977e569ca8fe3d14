#!/usr/bin/python3
"""The page's frame rate beside a clear-only page's, and its first frame, in
headless Chromium; run by scripts/bench-web.sh, which builds the page first.

    page_bench.py BENCH_DIR SECONDS

BENCH_DIR holds site/ (the page) and clear.html (a 400 x 400 WebGL canvas
cleared once per animation frame). Writes BENCH_DIR/web.png, the game's
first picture.
"""
import base64
import statistics
import sys
import time

from drive.cdrive import Browser, Page, Site

bench, seconds = sys.argv[1], float(sys.argv[2])
# Every clear's time; the first frame is the animation frame after the first clear.
COUNT = """window.clears = [];
for (const proto of [WebGLRenderingContext.prototype, WebGL2RenderingContext.prototype]) {
  const clear = proto.clear;
  proto.clear = function (mask) {
    if (clears.length === 0) requestAnimationFrame(() => { window.firstFrame = performance.now(); });
    clears.push(performance.now());
    return clear.call(this, mask);
  };
}"""
# The clears counted over a number of milliseconds.
RATE = "new Promise((done) => { const from = clears.length; setTimeout(() => done([from, clears.length]), %d); })"


def opened(browser, url):
    page = Page(browser, COUNT)
    page.call("Network.enable")
    page.call("Network.setCacheDisabled", cacheDisabled=True)
    page.goto(url).wait("window.firstFrame", timeout=30)
    return page


def rate(page):
    time.sleep(1)
    start, end = page.eval(RATE % (seconds * 1000))
    return (end - start) / seconds


def listed(values, digits):
    return ", ".join("%.*f" % (digits, v) for v in values)


base, game, clear, first = Site(bench).url, [], [], []
with Browser("--disable-background-networking", "--disable-component-update", "--disable-default-apps",
             "--disable-extensions", "--disable-sync", "--no-first-run", "--mute-audio") as browser:
    for n in range(3):
        page = opened(browser, base + "clear.html")
        clear.append(rate(page))
        page.close()
        page = opened(browser, base + "site/index.html")
        first.append(page.eval("firstFrame"))
        game.append(rate(page))
        if n == 0:
            shot = page.call("Page.captureScreenshot", format="png",
                             clip={"x": 0, "y": 0, "width": 400, "height": 400, "scale": 1})
            with open(bench + "/web.png", "wb") as f:
                f.write(base64.b64decode(shot["data"]))
        page.close()
print("frames/s, clear-only page: %s  (mean %.1f)" % (listed(clear, 1), statistics.mean(clear)))
print("frames/s, game:            %s  (mean %.1f)" % (listed(game, 1), statistics.mean(game)))
print("ratio game / clear-only:   %.3f  (goal >= 0.99)" % (statistics.mean(game) / statistics.mean(clear)))
print("navigation to first frame: %s ms  (goal <= 1000 ms)" % listed(first, 0))
