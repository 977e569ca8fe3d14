#!/usr/bin/python3
"""The page in one engine (chromium, firefox or webkit): one load plays the solved start, every chord, its
WebGL context lost and given back, a spin past a cube turn, a mouse drag on the pad, F1 (fullscreen left by
the browser between), S and Escape, each still picture checked against the sticker model, and downloads each
file once; the page laid out at seven window sizes; two loads spoil Data files (one without the Fullscreen
API, as an iPhone; a key held over a dialog let go); a phone, or a tablet, plays by touch on the pad and on
the cube itself, undoes a drag and a scramble; starts without WebGL or a page file end in their messages; a
rebuild is played on the next visit, and offline on the one after; the next resumes the kept puzzle and
solves it, with its notice, and the last passes over a kept turn out of range. No load leaves an uncaught
error or rejection.
Usage: voxra_web_e2e.py SITE_DIR TEMPLATE_DIR ENGINE (TEMPLATE_DIR: the site's index.html and sw.js before
tools/gen/stamp_site.py)"""

import json
import os
import re
import shutil
import signal
import sys
import tempfile
import urllib.parse

from drive.puzzle_model import CENTRE, FOCAL, TURNS, Puzzle, drawn_at, seen_slot, wrong_share
from drive.engines import browser
from drive.site import CANVAS, Failure, Site
from gen.stamp_site import stamp

# Run before the page's scripts, with what the address's #fragment asks: Data files spoiled before the game
# starts (name -> bytes; null: removed; 'dir': a folder), fullscreen refused if asked ('absent': no
# Fullscreen API for elements, as on an iPhone) and then the browser's own blur held back (Chromium sends
# one after a dialog, other engines need not); the game's code kept as testWasm (its custom section
# "voxra-test", which marks a rebuild).
BEFORE = CANVAS + """((files, refuse) => {
  if (refuse === 'refused') Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('refused'));
  for (const o of refuse === 'absent' ? [Element.prototype, Document.prototype] : [])
    Object.getOwnPropertyNames(o).filter(n => /fullscreen/i.test(n) && !/^on/.test(n)).forEach(n => delete o[n]);
  if (refuse) addEventListener('blur', event => event.isTrusted && event.stopImmediatePropagation(), true);
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = (code, ...rest) => instantiate(code, ...rest).then(made => {
    window.testWasm = WebAssembly.Module.customSections(made.module || code, 'voxra-test')
      .map(bytes => new TextDecoder().decode(bytes)).join() || 'first';
    return made; });
  window.Module = { onRuntimeInitialized: () => Object.entries(files).forEach(([name, bytes]) => {
    FS.unlink('/Data/' + name);
    if (bytes === 'dir') FS.mkdir('/Data/' + name);
    else if (bytes) FS.writeFile('/Data/' + name, new Uint8Array(bytes));
  }) };
})(...JSON.parse(decodeURIComponent(location.hash.slice(1)) || '[{}]'))"""
# In window w: the canvas's display, whether it fills the stage (its width, at most width / 0.7 high, in
# device pixels, nothing scrolled) and it, the legend, the pad and the play's line (those shown) lie in the window, none over
# another, the legend as wide as the pad beside it; the page's title, the exit code and the note shown.
STATE = """(w => { const d = w.document, c = d.querySelector('canvas'); if (!c || !w.pad) return 'loading';
  const [r, s, k, e] = [c.getBoundingClientRect(), w.stage.getBoundingClientRect(), w.devicePixelRatio,
    d.scrollingElement];
  const boxes = [c, w.legend, w.pad, w.play].map(o => o.getBoundingClientRect()).filter(b => b.width);
  const fits = [c.width, c.height] + '' == [Math.round(r.width * k), Math.round(r.height * k)] &&
    Math.abs(r.width - s.width) < 1 && (Math.abs(r.height - s.height) < 1 || r.width / r.height < 0.71) &&
    r.top >= s.top && r.bottom <= s.bottom + 0.5 && e.scrollHeight <= w.innerHeight &&
    e.scrollWidth <= w.innerWidth && boxes.every((b, n) => b.left >= 0 && b.top >= 0 &&
      b.right <= w.innerWidth + 0.5 && b.bottom <= w.innerHeight + 0.5 && boxes.slice(n + 1).every(o =>
        o.right <= b.left + 0.5 || o.left >= b.right - 0.5 || o.bottom <= b.top + 0.5 || o.top >= b.bottom - 0.5))
    && ([w.legend, w.pad].some(o => !o.offsetWidth) || w.legend.offsetWidth === w.pad.offsetWidth);
  const misfit = 'misfit ' + [c.width, c.height, ...boxes.map(b => [b.x, b.y, b.width, b.height])].join(' ');
  return [c.style.display, fits ? 'fits' : misfit, d.title, d.body.dataset.exitCode,
    w.note.style.display === 'none' ? '' : w.note.textContent];
})(%s).toString()"""
# The centre of a pad key, by its code, or of an element, by #id.
KEY = "(r => [r.x + r.width / 2, r.y + r.height / 2])(document.querySelector('%s').getBoundingClientRect())"
FALLBACK = ("Tamo GL\n\nThe Requested Fullscreen Mode Is Not Supported By\n"
            "Your Video Card. Use Windowed Mode Instead?")
UNKNOWN, NOT_BITMAP = "Error\n\nUnknown DIB file format.", list(b"BM") + [7] * 60
LOST = "The browser has taken WebGL away from this page and not given it back"
SIZES = [(1000, 700), (1280, 800), (1920, 1080), (768, 1024), (1024, 768), (390, 844), (844, 390)]
FRAMED = b"<!doctype html><body style='margin: 0'><iframe src='index.html' style='border: 0'></iframe>"


def check(ok, message):
    if not ok:
        raise Failure(message)


def state(page, pattern, what, timeout=20, w="window"):
    return page.wait(STATE % w, lambda s: re.match(pattern, s), what=what, timeout=timeout)


def fit(pic, puzzle, spins):
    """(wrong share, spin) of the spins that fit best (the middle one of several) at pixels five apart in a
    400 x 400 picture (as many in a larger one) whose ray passes the puzzle's bounding sphere: the others
    show none of it at any spin."""
    w, h, _, colour = pic
    step = max(5, round(5 * (w * h / 160000) ** 0.5))

    def near(x, y):  # the centre's squared distance from the ray against 2.6 squared
        d = ((2 * x / w - 1) * w / h / FOCAL, (1 - 2 * y / h) / FOCAL, -1.0)
        along = sum(c * a for c, a in zip(CENTRE, d))
        return sum(c * c for c in CENTRE) - along * along / sum(a * a for a in d) < 6.76
    samples = [(x, y, colour(x, y)) for y in range(2, h - 1, step) for x in range(2, w - 1, step) if near(x, y)]
    shares = [wrong_share(puzzle, samples, w, h, 0, spin) for spin in spins]
    least = min(shares)
    best = [spin for share, spin in zip(shares, spins) if share == least]
    return least, best[len(best) // 2]


def expect(page, puzzle, what, spins=(0,)):
    wrong, spin = fit(page.still(), puzzle, spins)
    check(wrong <= 0.02, "%s: %.1f%% of the picture differs from the model" % (what, 100 * wrong))
    return spin


def chord(page, n):
    """Turn n's keys held for two frames, then the 16 frames of its turn and two more."""
    page.hold(["Numpad%d" % d for d in TURNS[n][3]])
    page.frames(18)


def at(page, key):
    return page.eval(KEY % (key if key[0] == "#" else "[data-key=%s]" % key))


def drag(page, keys, mouse=False):
    """A finger (or the mouse) down on the first key, over the next ones, lifted on the last."""
    steps = [("touchStart", "mousePressed")] + [("touchMove", "mouseMoved")] * (len(keys) - 1)
    for (touch, click), key in zip(steps, keys):
        page.mouse(click, *at(page, key)) if mouse else page.touch(touch, at(page, key))
    page.mouse("mouseReleased", *at(page, keys[-1])) if mouse else page.touch("touchEnd")


def swipe(page, points, spin, frames=0):
    """A finger down where the first of the puzzle's points is drawn at `spin` (or at a point (x, y) of the
    canvas given in its widths and heights), moved over the others (`frames` frames between), lifted."""
    x, y, w, h = page.eval("(r => [r.x, r.y, r.width, r.height])(canvas.getBoundingClientRect())")
    at = [(x + p[0] * w, y + p[1] * h) if len(p) == 2 else
          (lambda px, py: (x + px, y + py))(*drawn_at(p, w, h, 0, spin)) for p in points]
    for n, point in enumerate(at):
        page.touch("touchMove" if n else "touchStart", point), page.frames(frames) if frames and n else None
    page.touch("touchEnd")


def play(page):
    """The play's line: moves, the solved notice (its text, or '' while hidden), whether Resume is offered."""
    return page.eval("[...'moves solved'.split(' ').map(n => document.querySelector(`[data-status=${n}]`))"
                     ".map(e => e.hidden ? '' : (e.querySelector('[data-text]') || e).textContent), !resume.hidden]")


def f1(page):
    """F1: a window titled v1.1 filling the stage, fullscreen (True) or, when refused, after the question."""
    asked = len(page.dialogs)
    page.hold(["F1"])
    state(page, "block,fits,Voxra - By Orvane v1.1,,", "a window titled v1.1 filling the stage")
    check(page.dialogs[asked:asked + 1] in ([], [FALLBACK]), "F1 asked %s" % page.dialogs[asked:])
    check(play(page)[:2] == ["0", ""], "after F1 the play's line shows %s" % play(page))
    return page.eval("!!document.fullscreenElement")


def done(page, what):
    check(not page.errors, "%s: %s" % (what, page.errors))
    page.close()


def rebuilt(site, templates, folder):
    """The site rebuilt at the same version with another voxra.wasm (a custom section "voxra-test" added) in
    `folder`, stamped again; its build's hash."""
    shutil.copytree(site, folder, dirs_exist_ok=True)
    with open(os.path.join(folder, "voxra.wasm"), "ab") as f:
        f.write(bytes([0, 14, 10]) + b"voxra-test" + b"two")  # id 0, its size, the name's, the name, "two"
    return stamp(templates, folder)


def main(site, templates, engine):
    served, chromium = Site(site, before=BEFORE), engine == "chromium"
    with browser(engine) as b:
        def load(spoil, refuse=None, screen=(800, 600)):
            page = b.page()
            page.screen(*screen)
            return page.goto(served.url + "#" + urllib.parse.quote(json.dumps([spoil, refuse])))
        # WebKitGTK on Xvfb can stop answering in real fullscreen: there F1 takes the refused path.
        page, puzzle = load({}, "refused" if engine == "webkit" else None), Puzzle()
        state(page, "block,fits,Voxra - By Orvane v1.2,,", "the game window titled v1.2 filling the stage")
        check(page.eval("!legend.hidden && pad.hidden"), "a first visit by mouse: no legend, or the pad")
        expect(page, puzzle, "solved start")
        for n in [0, 2, 8, 16, 5, 10, 13, 7, 1, 3, 9, 17, 4, 11, 14, 6, 12, 15]:
            chord(page, n)
            expect(page, puzzle.turn(*TURNS[n][:3]), "after turn %d" % n)
        # The context taken away: the page says so within a few seconds; given back, the same puzzle.
        page.eval("(window.testLose = canvas.getContext('webgl').getExtension('WEBGL_lose_context')).loseContext()")
        state(page, "none,.*,Voxra - By Orvane v1.2,,%s" % LOST, "the note of a context taken away", 10)
        page.eval("testLose.restoreContext()")
        state(page, "block,fits,Voxra - By Orvane v1.2,,", "the game window again with its context back")
        expect(page, puzzle, "the context given back")
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
        # The pad, shown by its button: the mouse pressed on 6, moved over 5, released on 9 turns the right
        # column up once.
        drag(page, ["#pad-toggle"], mouse=True), page.wait("!pad.hidden")
        drag(page, ["Numpad6", "Numpad5", "Numpad9"], mouse=True)
        expect(page, puzzle.spun(cube_turns).turn(*TURNS[16][:3]).turn(*TURNS[0][:3]), "mouse drag", [spin])
        # F1 reopens solved (fullscreen, or windowed after the question). Fullscreen left by the browser keeps
        # the puzzle, shows the cursor and puts the window back; the next F1 asks for fullscreen again. Then F1
        # windowed.
        near = [spin + k * 0.75 for k in range(-2, 3)]
        granted = f1(page)
        print("F1: %s" % ("fullscreen granted" if granted else "refused, question answered Yes"))
        expect(page, Puzzle(), "solved after F1", near)
        if granted:
            check(page.eval("document.fullscreenElement === game && stage.offsetHeight === innerHeight"),
                  "fullscreen but the stage does not fill the screen's height")
            chord(page, 0), page.eval("document.exitFullscreen()")
            state(page, "block,fits,Voxra - By Orvane v1.1,,", "the window after the browser left fullscreen")
            check(page.eval("canvas.style.cursor === ''"), "no cursor after the browser left fullscreen")
            expect(page, Puzzle().turn(*TURNS[0][:3]), "turn 0 after the browser left fullscreen", near)
            check(f1(page), "F1 after the browser left fullscreen did not go fullscreen")
        check(not f1(page), "the last F1 left the page fullscreen")
        # S, by its label (where Dvorak has it, where the driver can say so): 22 turns of 16 frames, then the
        # picture stands still on a mixed puzzle.
        start = page.eval("driveFrames")
        page.hold(["Semicolon=s" if chromium else "KeyS"])
        mixed = page.still(500)
        check(352 <= mixed[2] - start <= 400 and fit(mixed, Puzzle(), [spin])[0] > 0.1,
              "the scramble took %d frames" % (mixed[2] - start))
        page.hold(["Escape"])
        state(page, r"none,.*,0,The game has ended\.", "exit code 0 and the ended page after Escape")
        page.eval("navigator.serviceWorker.ready.then(() => 1)")
        twice = [k for k, n in served.answers.items()  # the page and icons again where no HTTP cache keeps them
                 if k[1] == 200 and n > 1 and (b.http_cache or k[0].startswith("voxra."))]
        check(not twice and all(served.answers[name, 200] for name in ("voxra.wasm", "voxra.data")),
              "a first visit downloaded %s twice (answers %s)" % (twice, dict(served.answers)))
        done(page, "play")
        # A spoiled Data1: its message, a plain white front (sticker centres, a border); F1 refused (in WebKit
        # as on an iPhone, without the API): the question, the message.
        spoiled = load({"Data1.dll": NOT_BITMAP}, "absent" if engine == "webkit" else "refused")
        state(spoiled, "block,fits,Voxra - By Orvane v1.2,,", "the game window titled v1.2")
        w, h, _, colour = spoiled.still()  # the front's points (x, y) from its centre at pixels (px, py):
        front = [((1 + (1.5 + x) / 13.5 * FOCAL * h / w) * w / 2, (1 - (1.5 + y) / 13.5 * FOCAL) * h / 2)
                 for x, y in [(-1, -1), (0, 0), (1, 1), (-0.5, 0)]]  # sticker centres, a border
        check(all(min(colour(round(px), round(py))) >= 250 for px, py in front), "the bare front is not white")
        # A key held down over the dialog (its key-up lost with it) and one of the pad are let go as it closes.
        drag(spoiled, ["#pad-toggle"], mouse=True), spoiled.wait("!pad.hidden")
        spoiled.mouse("mousePressed", *at(spoiled, "ArrowUp")), spoiled.key("ArrowRight")
        granted = f1(spoiled)
        spoiled.still()  # the spin's key let go too; meanwhile a driver that sees dialogs only as they block
        # its commands has seen the reopened window's
        check(not granted and spoiled.dialogs == [UNKNOWN, FALLBACK, UNKNOWN], "dialogs: %s" % spoiled.dialogs)
        check(spoiled.eval("!pad.querySelector('.down')"), "a pad key still held after the dialog")
        done(spoiled, "Data1 spoiled")
        # Data8 missing ends the game with exit code 1 after Data3's message; a folder is skipped silently.
        fatal = load({"Data3.dll": NOT_BITMAP, "Data5.dll": "dir", "Data8.dll": None})
        state(fatal, r"none,.*,1,Voxra stopped: Initialization Failed\. Reload", "exit code 1 without Data8")
        check(fatal.dialogs == [UNKNOWN, "ERROR\n\nInitialization Failed."], "dialogs: %s" % fatal.dialogs)
        done(fatal, "Data8 missing")
        # The page at each size, in a frame of that size (a window has a smallest size, a frame none): the
        # legend alone, then with the pad.
        framed, frame = b.page().goto(Site(site, {"sizes.html": FRAMED}, BEFORE).url + "sizes.html"), "frames[0]"
        framed.wait("!!document.querySelector('iframe')")
        for pad in (False, True):
            framed.eval(frame + ".document.getElementById('pad-toggle').click()") if pad else None
            for w, h in SIZES:
                framed.eval("frames[0].frameElement.style.cssText = 'width: %dpx; height: %dpx'" % (w, h))
                state(framed, "block,fits,", "%d x %d with the legend%s" % (w, h, " and the pad" * pad), w=frame)
        framed.close()
        # A phone by touch (Chromium's, the pad shown) or a tablet-sized window (the pad by its button, touch
        # where the driver has it): the legend under the picture. Two drags at once (one across other keys),
        # two fingers, an arrow held and one cancelled, the screen turned, the legend hidden, S tapped (a whole
        # scramble is timed above).
        upright = (390, 844, 2, True) if chromium else (768, 1024)
        phone, puzzle = load({}, screen=upright), Puzzle()
        state(phone, "block,fits,Voxra - By Orvane v1.2,,", "the game filling a phone's stage")
        check(phone.eval("pad.hidden !== matchMedia('(pointer: coarse)').matches && !legend.hidden"),
              "a phone without the pad or the legend, or a mouse with the pad")
        phone.eval("pad.hidden") and (drag(phone, ["#pad-toggle"], mouse=True), phone.wait("!pad.hidden"))
        drag(phone, ["Numpad6", "Numpad5", "Numpad8", "Numpad9"]), drag(phone, ["Numpad2", "Numpad3"])
        expect(phone, puzzle.turn(*TURNS[0][:3]).turn(*TURNS[2][:3]), "two drags, the second at once")
        if phone.fingers > 1:
            zero, one = at(phone, "Numpad0"), at(phone, "Numpad1")
            phone.touch("touchStart", zero), phone.touch("touchStart", zero, one), phone.frames(2)
            phone.touch("touchEnd")
            expect(phone, puzzle.turn(*TURNS[16][:3]), "two fingers on 0 and 1")
        # In the starting view, the front's right column dragged up turns up, as its chord does.
        swipe(phone, [(1, -1, 1.5), (1, -0.6, 1.5), (1, 0, 1.5)], 0)
        expect(phone, puzzle.turn(*TURNS[0][:3]), "the front's right column dragged up")
        # Left touched while another tab hides the page (where the driver can): it comes back with none held,
        # and Left works again. Then an arrow held, one cancelled, each spinning its way.
        phone.touch("touchStart", at(phone, "ArrowLeft")), phone.frames(2)
        hidden = phone.hide()
        print("a page behind another tab: %s" % ("hidden" if hidden else "not hidden in this engine"))
        if not hidden:
            phone.touch("touchEnd")
        spin = expect(phone, puzzle, "shown, Left still touched" if hidden else "Left let go", spins)
        if hidden:
            phone.touch("touchEnd")
        for key, frames, lift, sign in (("ArrowLeft", 4, "touchEnd", -1), ("ArrowRight", 4, "touchCancel", 1)):
            lift = lift if phone.cancels else "touchEnd"
            phone.touch("touchStart", at(phone, key)), phone.frames(frames), phone.touch(lift)
            spin, before = expect(phone, puzzle, key + " held", spins), spin
            turned = (spin - before + 180) % 360 - 180  # past a cube turn the model's spin runs on
            check(turned * sign > 0, "%s held spun the view from %g to %g degrees" % (key, before, spin))
        phone.screen(*upright[1::-1], *upright[2:]), state(phone, "block,fits,Voxra - By Orvane v1.2,,", "turned")
        expect(phone, puzzle, "turned to landscape", [spin])
        # The cube dragged: from off it (checked so by the model), leftwards, the view spins left while the
        # finger moves; from a sticker of the right side up, its standing slab turns up, and at once from its
        # top row's front sticker backwards, that row (after the first turn). Undone, redone.
        w, h = phone.eval("[canvas.width, canvas.height]")
        check(seen_slot(puzzle, 0.3 * w, 0.95 * h, w, h, 0, spin) is None, "the drag's start is on the puzzle")
        swipe(phone, [(0.3 - 0.02 * n, 0.95) for n in range(5)], spin, frames=2)
        spin, before = expect(phone, puzzle, "dragged off the cube", spins), spin
        turned, seen = (spin - before + 180) % 360 - 180, (spin + 180) % 360 - 180  # seen: the right side in sight
        check(-150 < turned < -10 and -160 < seen < -25,
              "a drag off the cube leftwards spun the view from %g to %g degrees" % (before, spin))
        swipe(phone, [(1.5, 1, 0), (1.5, 1.3, 0), (1.5, 1.9, 0)], spin)
        swipe(phone, [(1.5, 1, 1), (1.5, 1, 0.7), (1.5, 1, 0.2)], spin)
        expect(phone, puzzle.turn(2, 0, 90).turn(1, 1, 90), "two drags on the cube", [spin])
        drag(phone, ["#undo"]), expect(phone, puzzle.turn(1, 1, -90), "the drag undone", [spin])
        drag(phone, ["#redo"]), expect(phone, puzzle.turn(1, 1, 90), "the drag redone", [spin])
        drag(phone, ["#legend-hide"]), phone.wait("legend.hidden")
        # S tapped, then undone: the puzzle as it was, its count begun again, no notice.
        drag(phone, ["KeyS"]), phone.frames(100)  # six turns: not all out of sight
        check(fit(phone.still(0), puzzle, [spin])[0] > 0.1, "100 frames after S the puzzle is as it was")
        phone.still(500), drag(phone, ["#undo"])
        expect(phone, puzzle, "the scramble undone", [spin])
        check(play(phone) == ["0", "", False], "after the scramble undone: %s" % play(phone))
        check(phone.eval("navigator.serviceWorker.controller !== null"), "no service worker after two visits")
        done(phone, "phone")
        # A page file missing or cut short: the page says which within a few seconds.
        with open(site + "/voxra.wasm", "rb") as f:
            half = f.read()[:20000]
        for name, spoilt, why in (("voxra.data", None, "404 Not Found"),
                                  ("voxra.wasm", half, "damaged or incomplete")):
            broken = b.page().goto(Site(site, {name: spoilt}, BEFORE).url)
            state(broken, r"none,.*,,Voxra stopped: %s could not be loaded \(%s\)\." % (name, why), name, 5)
            done(broken, name)
        # A rebuild at the same version, another voxra.wasm: the next visit plays it, and once its worker has
        # taken over, the one after plays it offline from the worker's files.
        with tempfile.TemporaryDirectory() as folder:
            served.folder, build = folder, rebuilt(site, templates, folder)
            second = load({})
            state(second, "block,fits,Voxra - By Orvane v1.2,,", "the rebuilt game")
            check(second.eval("testWasm") == "two", "the visit after a rebuild played %s" % second.eval("testWasm"))
            second.wait("caches.keys().then(names => names.join())", lambda names: names == "voxra-" + build,
                        what="the rebuild's cache alone")
            done(second, "rebuilt")
            served.close()
        offline = load({})
        state(offline, "block,fits,Voxra - By Orvane v1.2,,", "the game offline")
        check(offline.eval("testWasm") == "two", "offline, the build played is %s" % offline.eval("testWasm"))
        check(offline.eval("legend.hidden"), "the legend hidden on the phone is shown again")
        expect(offline, Puzzle(), "solved offline")  # drawing at its pace, so the chord's keys are seen held
        check(play(offline) == ["0", "", True], "the phone's puzzle not offered: %s" % play(offline))
        chord(offline, 0)
        expect(offline, Puzzle().turn(*TURNS[0][:3]), "a turn offline")
        done(offline, "offline")
        # The next visit resumes that turn: its picture, its count; the turn undone by the other chord solves
        # it, told with moves and time. Then an entry out of range is not offered, and the game starts solved.
        again = load({})
        state(again, "block,fits,Voxra - By Orvane v1.2,,", "the game again")
        check(again.eval("resume.textContent").startswith("Resume (1 move, 0:"), "offered: %s" % play(again))
        drag(again, ["#resume"], mouse=True), expect(again, Puzzle().turn(*TURNS[0][:3]), "resumed")
        kept = again.eval("JSON.parse(localStorage.getItem('voxra.puzzle'))")
        chord(again, 1), expect(again, Puzzle(), "solved again")
        check(re.fullmatch(r"2,Solved in 2 moves, 0:\d\d\.\d,False", ",".join(map(str, play(again)))),
              "the play's line once solved: %s" % play(again))
        again.eval("localStorage.setItem('voxra.puzzle', '%s')" % json.dumps(dict(kept, turns=[0, 20])))
        done(again, "resumed")
        spoilt = load({})
        state(spoilt, "block,fits,Voxra - By Orvane v1.2,,", "the game with a kept turn out of range")
        check(play(spoilt) == ["0", "", False], "a kept turn out of range offered: %s" % play(spoilt))
        expect(spoilt, Puzzle(), "solved, with a kept turn out of range")
        done(spoilt, "a kept turn out of range")
    # No WebGL: the open fails with its message, and the page says why.
    with browser(engine, webgl=False) as b:
        bare = b.page().goto(Site(site, before=BEFORE).url)
        state(bare, r"none,.*,Voxra,1,Voxra stopped: Can't Create A GL Rendering Context\. The browser",
              "the ended page without WebGL")
        check(bare.dialogs == ["ERROR\n\nCan't Create A GL Rendering Context."], "dialogs: %s" % bare.dialogs)
        done(bare, "no WebGL")


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("web e2e: FAILED: terminated"))  # the browser goes too
    try:
        main(*sys.argv[1:4])
    except Failure as e:
        sys.exit("web e2e (%s): FAILED: %s" % (sys.argv[3], e))
    print("web e2e (%s): passed" % sys.argv[3])
