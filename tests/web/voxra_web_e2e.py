#!/usr/bin/python3
"""The page in headless Chromium: one load plays the solved start, every chord, a spin past a cube turn,
F1 (fullscreen left by the browser between), S and Escape, each still picture checked against the sticker
model; two loads spoil Data files; a start without WebGL ends in its message. No load leaves an uncaught
error or an unhandled rejection.
Usage: voxra_web_e2e.py SITE_DIR"""

import base64
import json
import re
import signal
import sys

from drive.cdrive import Browser, Failure, Page, Site
from drive.puzzle_model import CENTRE, FOCAL, TURNS, Puzzle, wrong_share

# Run before the page's scripts: the canvas kept readable, animation frames counted, fullscreen refused if
# asked, Data files spoiled before the game starts (name -> bytes; null: removed; 'dir': a folder).
BEFORE = """((files, refuse) => {
  if (refuse) Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('refused'));
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, options) {
    return getContext.call(this, type, { ...options, preserveDrawingBuffer: true }); };
  (function count() { window.testFrames = (window.testFrames || 0) + 1; requestAnimationFrame(count); })();
  window.Module = { onRuntimeInitialized: () => Object.entries(files).forEach(([name, bytes]) => {
    FS.unlink('/Data/' + name);
    if (bytes === 'dir') FS.mkdir('/Data/' + name);
    else if (bytes) FS.writeFile('/Data/' + name, new Uint8Array(bytes));
  }) };
})(...%s)"""
# The canvas once unchanged for %d ms and %d frames: its size, the frame count when it last changed, and
# its RGBA in base64.
STILL = """new Promise((done, fail) => {
  const c = document.querySelector('canvas'), start = performance.now(); let pic, since;
  (function grab() {
    const ctx = new OffscreenCanvas(c.width, c.height).getContext('2d'), now = performance.now();
    ctx.drawImage(c, 0, 0);
    const rgba = ctx.getImageData(0, 0, c.width, c.height).data, read = new FileReader();
    if (!pic || rgba.length !== pic.rgba.length || rgba.some((v, k) => v !== pic.rgba[k]))
      [pic, since] = [{ w: c.width, h: c.height, frame: testFrames, rgba }, now];
    if (now - since < %d || testFrames - pic.frame < %d)
      return now - start < 60000 ? setTimeout(grab, 20) : fail(new Error('the picture kept changing for 60 s'));
    read.onload = () => done({ ...pic, rgba: read.result.split(',')[1] });
    read.readAsDataURL(new Blob([pic.rgba]));
  })(); })"""
# The canvas's display and size, the page's title, and once the game has ended its exit code and text.
STATE = """(c => c ? [c.style.display, c.width, c.height, document.title, document.body.dataset.exitCode,
  document.body.innerText.trim()].join() : 'loading')(document.querySelector('canvas'))"""
FALLBACK = ("Tamo GL\n\nThe Requested Fullscreen Mode Is Not Supported By\n"
            "Your Video Card. Use Windowed Mode Instead?")
UNKNOWN, NOT_BITMAP = "Error\n\nUnknown DIB file format.", list(b"BM") + [7] * 60


def check(ok, message):
    if not ok:
        raise Failure(message)


def state(page, pattern, what):
    return page.wait(STATE, lambda s: re.match(pattern, s), what=what)


def still(page, quiet=250):
    """(width, height, frame count, colour at (x, y)) of the picture once still."""
    pic = page.eval(STILL % (quiet, quiet // 25))
    rgba, w = base64.b64decode(pic["rgba"]), pic["w"]
    return w, pic["h"], pic["frame"], lambda x, y: tuple(rgba[4 * (y * w + x):4 * (y * w + x) + 3])


def fit(pic, puzzle, spins):
    """(wrong share, spin) of the spins that fit best (the middle one of several) at every fifth pixel whose
    ray passes the puzzle's bounding sphere: the others show none of it at any spin."""
    w, h, _, colour = pic

    def near(x, y):  # the centre's squared distance from the ray against 2.6 squared
        d = ((2 * x / w - 1) * w / h / FOCAL, (1 - 2 * y / h) / FOCAL, -1.0)
        along = sum(c * a for c, a in zip(CENTRE, d))
        return sum(c * c for c in CENTRE) - along * along / sum(a * a for a in d) < 6.76
    samples = [(x, y, colour(x, y)) for y in range(2, h - 1, 5) for x in range(2, w - 1, 5) if near(x, y)]
    shares = [wrong_share(puzzle, samples, w, h, 0, spin) for spin in spins]
    least = min(shares)
    best = [spin for share, spin in zip(shares, spins) if share == least]
    return least, best[len(best) // 2]


def expect(page, puzzle, what, spins=(0,)):
    wrong, spin = fit(still(page), puzzle, spins)
    check(wrong <= 0.02, "%s: %.1f%% of the picture differs from the model" % (what, 100 * wrong))
    return spin


def chord(page, n):
    """Turn n's keys held for two frames, then the 16 frames of its turn and two more."""
    page.hold(["Numpad%d" % d for d in TURNS[n][3]])
    page.frames(18)


def f1(page):
    """F1: a 640 x 480 window titled v1.1, fullscreen (True) or, when refused, after the question (Yes)."""
    asked = len(page.dialogs)
    page.hold(["F1"])
    state(page, "block,640,480,Voxra - By Orvane v1.1,,", "a 640 x 480 window titled v1.1")
    check(page.dialogs[asked:asked + 1] in ([], [FALLBACK]), "F1 asked %s" % page.dialogs[asked:])
    return page.eval("document.fullscreenElement !== null")


def done(page, what):
    check(not page.errors, "%s: %s" % (what, page.errors))
    page.close()


def main(site):
    url = Site(site).url
    with Browser() as browser:
        def load(spoil, refuse=False):
            return Page(browser, BEFORE % json.dumps([spoil, refuse])).goto(url)
        page, puzzle = load({}), Puzzle()
        state(page, "block,400,400,Voxra - By Orvane v1.2,,", "the game window titled v1.2")
        expect(page, puzzle, "solved start")
        for n in [0, 2, 8, 16, 5, 10, 13, 7, 1, 3, 9, 17, 4, 11, 14, 6, 12, 15]:
            chord(page, n)
            expect(page, puzzle.turn(*TURNS[n][:3]), "after turn %d" % n)
        # Right held after a chord spins the view (by multiples of 0.75 degrees) past 46.5, as a rule while the
        # slab turns (the cube turn waits for the commit); it is released under Alt. Then the keys' front slab
        # is the one facing the viewer.
        page.hold(["Numpad0", "Numpad1"])
        page.key("ArrowRight")
        page.frames(10)
        page.key("AltLeft"), page.key("ArrowRight", down=False), page.key("AltLeft", down=False)
        spins = [k * 0.75 for k in range(-60, 420)]  # a whole turn
        spun = expect(page, puzzle.turn(*TURNS[16][:3]), "spun during a turn", spins)
        cube_turns = int((spun + 43.5) // 90)
        check(cube_turns >= 1, "the view spun %g degrees, not past a cube turn" % spun)
        chord(page, 16)
        spin = expect(page, puzzle.spun(cube_turns).turn(*TURNS[16][:3]), "front slab after %g degrees" % spun,
                      [spun - 90 * cube_turns])
        # F1 reopens solved (fullscreen, or windowed after the question). Fullscreen left by the browser keeps
        # the puzzle, shows the cursor and puts the window back; the next F1 asks for fullscreen again. Then F1
        # windowed.
        near = [spin + k * 0.75 for k in range(-2, 3)]
        granted = f1(page)
        print("F1: %s" % ("fullscreen granted" if granted else "refused, question answered Yes"))
        expect(page, Puzzle(), "solved after F1", near)
        if granted:
            chord(page, 0)
            page.eval("document.exitFullscreen()")
            state(page, "block,640,480,Voxra - By Orvane v1.1,,", "the window after the browser left fullscreen")
            check(page.eval("document.fullscreenElement === null && canvas.style.cursor === ''"),
                  "fullscreen or no cursor after the browser left fullscreen")
            expect(page, Puzzle().turn(*TURNS[0][:3]), "turn 0 after the browser left fullscreen", near)
            check(f1(page), "F1 after the browser left fullscreen did not go fullscreen")
        check(not f1(page), "the last F1 left the page fullscreen")
        # S: 22 turns of 16 frames, then the picture stands still on a mixed puzzle.
        start = page.eval("testFrames")
        page.hold(["KeyS"])
        mixed = still(page, 500)
        check(352 <= mixed[2] - start <= 400 and fit(mixed, Puzzle(), [spin])[0] > 0.1,
              "the scramble took %d frames" % (mixed[2] - start))
        page.hold(["Escape"])
        state(page, r"none,\d+,\d+,[^,]*,0,The game has ended\.", "exit code 0 and the ended page after Escape")
        done(page, "play")
        # A spoiled Data1: its message, a plain white front (sticker centres, a border); F1 refused: the
        # question, the message.
        spoiled = load({"Data1.dll": NOT_BITMAP}, True)
        state(spoiled, "block,400,400,Voxra - By Orvane v1.2,,", "the game window titled v1.2")
        colour = still(spoiled)[3]
        check(all(min(colour(x, y)) >= 250 for x, y in [(218, 182), (254, 146), (289, 111), (236, 146)]),
              "the bare front is not white")
        check(not f1(spoiled) and spoiled.dialogs == [UNKNOWN, FALLBACK, UNKNOWN],
              "dialogs: %s" % spoiled.dialogs)
        done(spoiled, "Data1 spoiled")
        # Data8 missing ends the game with exit code 1 after Data3's message; a folder is skipped silently.
        fatal = load({"Data3.dll": NOT_BITMAP, "Data5.dll": "dir", "Data8.dll": None})
        state(fatal, r"[^,]*,\d+,\d+,[^,]*,1,Voxra stopped: Initialization Failed\. Reload", "exit code 1 without Data8")
        check(fatal.dialogs == [UNKNOWN, "ERROR\n\nInitialization Failed."], "dialogs: %s" % fatal.dialogs)
        done(fatal, "Data8 missing")
    # No WebGL: the open fails with its message, and the page says why.
    with Browser("--disable-webgl") as browser:
        bare = Page(browser).goto(url)
        state(bare, r"none,\d+,\d+,Voxra,1,Voxra stopped: Can't Create A GL Rendering Context\. The browser",
              "the ended page without WebGL")
        check(bare.dialogs == ["ERROR\n\nCan't Create A GL Rendering Context."], "dialogs: %s" % bare.dialogs)
        done(bare, "no WebGL")


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("web e2e: FAILED: terminated"))  # Chromium goes too
    try:
        main(sys.argv[1])
    except Failure as e:
        sys.exit("web e2e: FAILED: %s" % e)
    print("web e2e: passed")
