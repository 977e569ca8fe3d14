#!/usr/bin/python3
"""The page's frame rate, with its on-screen pad shown, beside a clear-only
page's, and its first frame, in headless Chromium; run by
scripts/bench-web.sh, which builds the page first.

    page_bench.py BENCH_DIR SECONDS

BENCH_DIR holds site/ (the page) and clear.html (a WebGL canvas of ?w= x ?h=
pixels cleared once per animation frame: given the game canvas's size), and
may hold other/, another build's site/ (another branch's page), measured as
it comes in the same turns. Also prints the renderer's own work per frame of
the game (layouts, style recalculations, script and task time), which a
loaded machine does not change as it changes frame rates. Writes
BENCH_DIR/web.png, the game's first picture. Every load comes from the
network (no HTTP cache, no service worker).
"""
import os
import base64
import statistics
import sys
import time

from drive.cdrive import FRAMES, Browser, Page, Site

bench, seconds = sys.argv[1], float(sys.argv[2])
# Every clear's time; the first frame is the animation frame after the first clear. On the way there, the
# first time of each step of the page's start (window.steps).
COUNT = """window.clears = [];
window.steps = {};
const step = (name, run) => function (...args) {
  steps[name + ' asked'] ??= performance.now();
  const made = run.apply(this, args);
  steps[name] ??= performance.now();
  return made;
};
HTMLCanvasElement.prototype.getContext = step('context', HTMLCanvasElement.prototype.getContext);
WebAssembly.instantiate = step('instance', WebAssembly.instantiate);
for (const proto of [WebGLRenderingContext.prototype, WebGL2RenderingContext.prototype]) {
  proto.texImage2D = step('textures', proto.texImage2D);
  const clear = proto.clear;
  proto.clear = function (mask) {
    if (clears.length === 0) requestAnimationFrame(() => { window.firstFrame = performance.now(); });
    clears.push(performance.now());
    return clear.call(this, mask);
  };
}"""
# The steps of the start, with the files' arrival, in milliseconds after navigation.
STEPS = """({...steps, 'first clear': clears[0], 'first frame': firstFrame, ...Object.fromEntries(performance
  .getEntriesByType('navigation').concat(performance.getEntriesByType('resource')).map(e => [e.name.replace(
  /^.*\\/|[?].*$/g, '') || 'index.html', e.responseEnd]).filter(([name]) => /index|voxra/.test(name)))})"""
# The clears counted over a number of milliseconds.
RATE = "new Promise((done) => { const from = clears.length; setTimeout(() => done([from, clears.length]), %d); })"


def opened(browser, url):
    page = Page(browser, COUNT)
    page.call("Network.enable")
    page.call("Network.setCacheDisabled", cacheDisabled=True)
    page.call("Network.setBypassServiceWorker", bypass=True)
    page.goto(url).wait("window.firstFrame", timeout=30)
    return page


def with_pad(page):
    """The pad shown by its button; the canvas's size once the game has fitted it to the smaller stage."""
    page.eval("document.getElementById('pad-toggle').click()")
    return page.wait("(c => !document.getElementById('pad').hidden && c.width == Math.floor(devicePixelRatio * "
                     "document.getElementById('stage').getBoundingClientRect().width) && [c.width, c.height])"
                     "(document.getElementById('canvas'))")


def rate(page, work=None):
    """Frames per second over the measurement; the renderer's work per frame added to `work`."""
    time.sleep(1)
    page.call("Performance.enable")
    before = metrics(page)
    start, end = page.eval(RATE % (seconds * 1000))
    after = metrics(page)
    for name in work if work is not None else ():
        work[name].append((after[name] - before[name]) / (end - start))
    return (end - start) / seconds


def metrics(page):
    return {m["name"]: m["value"] for m in page.call("Performance.getMetrics")["metrics"]}


def listed(values, digits):
    return ", ".join("%.*f" % (digits, v) for v in values)


base, game, clear, first, other, steps = Site(bench).url, [], [], [], [], []
work = {"LayoutCount": [], "RecalcStyleCount": [], "ScriptDuration": [], "TaskDuration": []}
with Browser("--disable-background-networking", "--disable-component-update", "--disable-default-apps",
             "--disable-extensions", "--disable-sync", "--no-first-run", "--mute-audio") as browser:
    page = opened(browser, base + "site/index.html")
    width, height = with_pad(page)
    page.close()
    for n in range(3):
        page = opened(browser, base + "clear.html?w=%d&h=%d" % (width, height))
        clear.append(rate(page))
        page.close()
        page = opened(browser, base + "site/index.html")
        first.append(page.eval("firstFrame"))
        steps.append(page.eval(STEPS))
        if n == 0:  # the solved start at the native window's 400 x 400, the stage held at that size
            page.eval("document.getElementById('stage').style.cssText = 'width: 400px; height: 400px'")
            page.wait("(c => c.width == 400 && c.height == 400)(document.getElementById('canvas'))")
            page.eval(FRAMES % 10)
            box = page.eval("(r => ({x: r.x, y: r.y, width: r.width, height: r.height, scale: 1}))"
                            "(document.getElementById('canvas').getBoundingClientRect())")
            shot = page.call("Page.captureScreenshot", format="png", clip=box)
            with open(bench + "/web.png", "wb") as f:
                f.write(base64.b64decode(shot["data"]))
            page.eval("document.getElementById('stage').style.cssText = ''")
        with_pad(page)
        game.append(rate(page, work))
        page.close()
        if os.path.isdir(bench + "/other"):
            page = opened(browser, base + "other/index.html")
            other.append(rate(page))
            page.close()
print("canvas with the pad shown:  %d x %d pixels, the clear-only page's the same" % (width, height))
print("frames/s, clear-only page: %s  (mean %.1f)" % (listed(clear, 1), statistics.mean(clear)))
print("frames/s, game with pad:   %s  (mean %.1f)" % (listed(game, 1), statistics.mean(game)))
print("ratio game / clear-only:   %.3f  (goal >= 0.99)" % (statistics.mean(game) / statistics.mean(clear)))
print("navigation to first frame: %s ms  (goal <= 1000 ms)" % listed(first, 0))
print("  its steps (medians, ms):  " + ", ".join("%s %.0f" % (name, statistics.median(s[name] for s in steps))
                                             for name in sorted(steps[0], key=lambda name: steps[0][name])
                                             if name.find("asked") < 0 and all(name in s for s in steps)) +
      "; making the context took %s ms" % listed([s["context"] - s["context asked"] for s in steps], 0))
print("renderer per game frame:   %.2f layouts, %.2f style recalculations, %.2f ms script, %.2f ms tasks" % tuple(
    statistics.mean(work[name]) * (1000 if name.endswith("Duration") else 1) for name in work))
if other:
    print("frames/s, other/ page:     %s  (mean %.1f; ratio game / other %.3f)"
          % (listed(other, 1), statistics.mean(other), statistics.mean(game) / statistics.mean(other)))
