#!/usr/bin/python3
"""The page's frame rate, with its on-screen pad shown, beside a clear-only
page's, and its first frame, in each engine named (chromium: headless,
SwiftShader; firefox, webkit: windows on a private Xvfb, Mesa's llvmpipe);
run by scripts/bench-web.sh, which builds the page first.

    page_bench.py BENCH_DIR SECONDS ENGINE...

BENCH_DIR holds site/ (the page) and clear.html (a WebGL canvas of ?w= x ?h=
pixels cleared once per animation frame: given the game canvas's size), and
may hold other/, another build's site/ (another branch's page), measured as
it comes in the same turns. In Chromium it also prints the renderer's own
work per frame of the game (layouts, style recalculations, script and task
time), which a loaded machine does not change as it changes frame rates,
and writes BENCH_DIR/web.png, the game's first picture. Every load is a
first visit, from an address of its own (no HTTP cache, no service worker).
"""
import base64
import os
import statistics
import sys
import time

from drive.engines import browser
from drive.site import FRAMES, Site

bench, seconds, engines = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
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
WORK = ["LayoutCount", "RecalcStyleCount", "ScriptDuration", "TaskDuration"]


def opened(b, path):
    """A page of BENCH_DIR in a window of 800 x 600 once it has drawn its first frame; closed() ends it."""
    page = b.page()
    page.screen(800, 600)
    page.site = Site(bench, before=COUNT)
    page.goto(page.site.url + path).wait("window.firstFrame", timeout=30)
    return page


def closed(page):
    page.close()
    page.site.close()


def with_pad(page):
    """The pad shown by its button; the canvas's size once the game has fitted it to the smaller stage."""
    page.eval("document.getElementById('pad-toggle').click()")
    return page.wait("(c => !document.getElementById('pad').hidden && c.width == Math.floor(devicePixelRatio * "
                     "document.getElementById('stage').getBoundingClientRect().width) && [c.width, c.height])"
                     "(document.getElementById('canvas'))")


def rate(page, work=None):
    """Frames per second over the measurement; in Chromium, the renderer's work per frame added to `work`."""
    time.sleep(1)
    if work is not None:
        page.call("Performance.enable")
        before = metrics(page)
    start, end = page.eval(RATE % (seconds * 1000))
    if work is not None:
        after = metrics(page)
        for name in WORK:
            work[name].append((after[name] - before[name]) / (end - start))
    return (end - start) / seconds


def metrics(page):
    return {m["name"]: m["value"] for m in page.call("Performance.getMetrics")["metrics"]}


def listed(values, digits):
    return ", ".join("%.*f" % (digits, v) for v in values)


def measure(engine):
    game, clear, first, other, steps = [], [], [], [], []
    work = {name: [] for name in WORK} if engine == "chromium" else None
    with browser(engine) as b:
        page = opened(b, "site/index.html")
        width, height = with_pad(page)
        closed(page)
        for n in range(3):
            page = opened(b, "clear.html?w=%d&h=%d" % (width, height))
            clear.append(rate(page))
            closed(page)
            page = opened(b, "site/index.html")
            first.append(page.eval("firstFrame"))
            steps.append(page.eval(STEPS))
            if n == 0 and engine == "chromium":  # the solved start at the native window's 400 x 400
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
            closed(page)
            if os.path.isdir(bench + "/other"):
                page = opened(b, "other/index.html")
                other.append(rate(page))
                closed(page)
    print("%s, canvas with the pad shown: %d x %d pixels, the clear-only page's the same"
          % (engine, width, height))
    print("  frames/s, clear-only page: %s  (mean %.1f)" % (listed(clear, 1), statistics.mean(clear)))
    print("  frames/s, game with pad:   %s  (mean %.1f)" % (listed(game, 1), statistics.mean(game)))
    print("  ratio game / clear-only:   %.3f  (goal >= 0.99)" % (statistics.mean(game) / statistics.mean(clear)))
    print("  navigation to first frame: %s ms, median %.0f  (goal <= 200 ms)" % (listed(first, 0), statistics.median(first)))
    print("    its steps (medians, ms): " + ", ".join("%s %.0f" % (name, statistics.median(s[name] for s in steps))
                                               for name in sorted(steps[0], key=lambda name: steps[0][name])
                                               if name.find("asked") < 0 and all(name in s for s in steps)) +
          "; making the context took %s ms" % listed([s["context"] - s["context asked"] for s in steps], 0))
    if work:
        print("  renderer per game frame:   %.2f layouts, %.2f style recalculations, %.2f ms script, %.2f ms tasks"
              % tuple(statistics.mean(work[name]) * (1000 if name.endswith("Duration") else 1) for name in WORK))
    if other:
        print("  frames/s, other/ page:     %s  (mean %.1f; ratio game / other %.3f)"
              % (listed(other, 1), statistics.mean(other), statistics.mean(game) / statistics.mean(other)))


for engine in engines:
    measure(engine)
