#!/usr/bin/python3
"""End-to-end tests of Voxra: the real program on a private Xvfb, keys through
XTest, pixels, titles and exit codes read back. The same cases run against
the native build and against voxra.exe under Wine (--launcher wine-run.sh).

    voxra_e2e.py --exe PATH --data DATA_DIR --case NAME [--launcher SCRIPT
                 --wineprefix DIR] [--workdir DIR] [--artifacts DIR]

Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb or python3-xlib).
"""

import argparse
import os
import shutil
import signal
import struct
import sys
import tempfile
import time
import traceback
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

SKIP = 77
try:
    import xharness as xh  # noqa: E402
except ImportError as e:  # python3-xlib missing
    print("SKIP: %s (scripts/install-deps.sh installs python3-xlib)" % e)
    sys.exit(SKIP)
import scene  # noqa: E402

TITLE_START = "Voxra - By Orvane v1.2"
TITLE_TOGGLED = "Voxra - By Orvane v1.1"
FULLSCREEN_QUESTION = "Tamo GL"
SIDE_SLOTS = (0, 1, 2, 3, 4, 5)
Failure = xh.Failure


def check(condition, message):
    if not condition:
        raise Failure(message)


def slot_names(slots):
    return " ".join(scene.SLOT_NAMES.get(s, str(s)) for s in slots)


class Session:
    """One run of the game in a fresh working folder on a private X server."""

    def __init__(self, args, case):
        self.args = args
        self.case = case
        self.tmp = tempfile.mkdtemp(prefix="voxra-e2e-")
        if args.workdir:
            self.workdir = args.workdir
            data = os.path.join(args.workdir, "Data")
        else:
            self.workdir = os.path.join(self.tmp, "run")
            os.makedirs(self.workdir)
            data = os.path.join(self.workdir, "Data")
            shutil.copytree(args.data, data)
        # Expected colours come from the data files themselves, before a case
        # removes or spoils any of them.
        self.palette = {s: scene.dib_centre_colour(os.path.join(data, scene.SLOT_FILES[s]))
                        for s in SIDE_SLOTS}
        self.palette[8] = scene.dib_centre_colour(os.path.join(data, scene.SLOT_FILES[8]))
        self.data = data
        self.xs = None
        self.game = None
        self.win = None
        self.puzzle = scene.Puzzle()

    def __enter__(self):
        self.xs = xh.XServer()
        # Wine reads keypad digits as VK_NUMPAD0..9 only with NumLock on; the
        # native build maps them whatever NumLock says (a case checks that).
        self.xs.set_numlock(True)
        return self

    def launch(self):
        self.game = xh.Program(self.xs, self.args.exe, self.workdir, self.args.launcher,
                               self.args.wineprefix)
        return self.game

    def __exit__(self, kind, value, tb):
        if kind is not None and self.xs is not None:
            self.save_screen()
        try:
            if self.game is not None:
                self.game.stop()
        finally:
            if self.xs is not None:
                self.xs.stop()
            shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    def save_screen(self):
        """The whole screen as a PNG in the artifacts folder, for a failure."""
        if not self.args.artifacts:
            return
        try:
            from Xlib import X
            g = self.xs.root.get_geometry()
            img = self.xs.root.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF)
            os.makedirs(self.args.artifacts, exist_ok=True)
            path = os.path.join(self.args.artifacts, "%s.png" % self.case)
            write_png(path, g.width, g.height, img.data)
            print("screen saved to %s; windows: %s" % (path, self.xs.names()))
        except Exception as e:  # diagnostics must not hide the failure
            print("could not save the screen: %s" % e)

    # -- the game window -----------------------------------------------------

    def wait_main(self, title, size, timeout=60):
        """Waits for the game window, checks its title and client size, gives
        it the keyboard focus."""
        win = self.xs.wait_window(title, timeout, self.game.proc)
        _, _, w, h = poll_geometry(self.xs, win, size)
        check((w, h) == size, "window %r is %dx%d, expected %dx%d" % ((title, w, h) + size))
        self.xs.place_on_screen(win)
        self.xs.focus(win)
        self.win = win
        return win

    def shot(self):
        return self.xs.grab(self.win)

    def picture_matches(self, tilt=0.0, spin=0.0, shot=None):
        shot = shot or self.shot()
        checked, wrong, examples = scene.compare_picture(
            self.puzzle, shot, self.palette, tilt, spin, colour_at=self.xs.colour_at)
        return checked, wrong, examples

    def front(self, shot=None):
        """Slots seen at the nine projected front sticker centres."""
        shot = shot or self.shot()
        w, h, _ = shot
        out = []
        for pt in scene.front_sample_points(w, h):
            slot, dist = scene.classify(self.xs.colour_at(shot, *pt), self.palette)
            out.append(slot if dist < 60 else None)
        return out

    def wait_front(self, expected, timeout=5, what="front stickers"):
        """Polls until the front shows `expected` and still does 0.15 s later."""
        last = [None]

        def settled():
            first = self.front()
            last[0] = first
            if first != expected:
                return False
            time.sleep(0.15)
            second = self.front()
            last[0] = second
            return second == expected
        try:
            xh.poll(settled, timeout, what=what)
        except Failure:
            raise Failure("%s: expected [%s], saw [%s]" % (
                what, slot_names(expected), slot_names(last[0] or [])))

    def wait_picture(self, tilt=0.0, spin=0.0, timeout=5, what="picture"):
        """Polls until a grid of pixels agrees with the model."""
        result = [None]

        def ok():
            checked, wrong, examples = self.picture_matches(tilt, spin)
            result[0] = (checked, wrong, examples)
            return checked > 50 and wrong <= checked // 50
        try:
            xh.poll(ok, timeout, interval=0.05, what=what)
        except Failure:
            checked, wrong, examples = result[0]
            raise Failure("%s: %d of %d sampled pixels differ from the model: %s"
                          % (what, wrong, checked, "; ".join(examples)))
        return result[0]

    def wait_still(self, quiet=0.3, timeout=15):
        """Polls until the picture stops changing for `quiet` seconds; returns
        the still picture."""
        state = {"data": None, "since": time.monotonic()}

        def still():
            s = self.shot()
            now = time.monotonic()
            if s[2] != state["data"]:
                state["data"], state["since"] = s[2], now
                return None
            return s if now - state["since"] >= quiet else None
        return xh.poll(still, timeout, interval=0.01, what="the picture to settle")

    def chord(self, number):
        """Presses the chord of turn `number` until the picture starts to move,
        then lets go, so exactly one quarter turn is made."""
        anchor, partner = scene.TURNS[number][3]
        keys = ("KP_%d" % anchor, "KP_%d" % partner)
        # A turn of a hidden slab leaves the front as it was: wait until the
        # last turn has ended before taking the picture to compare with.
        before = self.wait_still(quiet=0.15)[2]
        self.xs.press(*keys)
        try:
            xh.poll(lambda: self.shot()[2] != before, 5,
                    what="turn %d (keypad %d + %d) to start" % (number, anchor, partner))
        finally:
            self.xs.release(*keys)
        self.puzzle.apply(number)

    def escape_and_exit(self):
        self.xs.focus(self.win)
        self.xs.press("Escape")
        try:
            code = self.game.wait_exit(15)
        finally:
            self.xs.release("Escape")
        check(code == 0, "Escape ended the program with exit code %s, expected 0" % code)


def poll_geometry(xs, win, size, timeout=3):
    """The window's geometry once it has its final size (a window manager-less
    X server may see a first configure before the last)."""
    g = [None]

    def ok():
        g[0] = xs.geometry(win)
        return g[0][2:] == size
    try:
        xh.poll(ok, timeout, what="window size")
    except Failure:
        pass
    return g[0]


def write_png(path, width, height, bgrx):
    rows = []
    for y in range(height):
        line = bgrx[y * width * 4:(y + 1) * width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = line[2::4]
        rgb[1::3] = line[1::4]
        rgb[2::3] = line[0::4]
        rows.append(b"\0" + bytes(rgb))

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 6)))
        f.write(chunk(b"IEND", b""))


# ---------------------------------------------------------------------------
# Cases.

def case_start(s):
    """Title, client size, a solved front and the black border of the square
    view."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    check(len(s.xs.windows(TITLE_START)) == 1, "more than one window titled %r" % TITLE_START)
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    checked, wrong, _ = s.wait_picture(what="solved picture at start")
    shot = s.shot()
    border = s.xs.colour_at(shot, 4, 200, 2)
    check(sum(border) < 30, "left border of the square view is %s, expected black" % (border,))
    print("start: %d sampled pixels agree with the solved model" % checked)
    s.escape_and_exit()


TURN_SEQUENCE = [0, 2, 8, 16, 5, 10, 13, 7, 1, 3, 9, 17, 4, 11, 14, 6, 12, 15]


def case_chords(s):
    """Every one of the 18 chords once, each checked against the model; then a
    held chord that keeps turning."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")

    # A held chord: keypad 6 + 9 turns the right column up again and again.
    # The middle right sticker shows front, then bottom, then back colours.
    target = scene.front_sample_points(400, 400)[5]
    seen = []
    s.xs.press("KP_6", "KP_9")
    try:
        def progressed():
            slot, dist = scene.classify(s.xs.colour_at(s.shot(), *target), s.palette)
            if dist < 45 and slot in SIDE_SLOTS and (not seen or seen[-1] != slot):
                seen.append(slot)
            return seen[:3] == [0, 3, 4]
        xh.poll(progressed, 6, interval=0.005, what="a held chord to make a second turn")
    except Failure:
        raise Failure("held keypad 6 + 9: the right column showed only [%s], expected "
                      "front, bottom, back in turn" % slot_names(seen))
    finally:
        s.xs.release("KP_6", "KP_9")
    s.wait_still()
    got = s.front()
    candidates = {}
    for n in (2, 3):
        p = scene.Puzzle()
        for _ in range(n):
            p.apply(0)
        candidates[n] = p
    match = [n for n, p in candidates.items() if p.side() == got]
    check(match, "after a held chord the front is [%s], expected 2 or 3 turns of the right "
          "column" % slot_names(got))
    s.puzzle = candidates[match[0]]
    print("held chord: %d quarter turns" % match[0])

    for number in TURN_SEQUENCE:
        s.chord(number)
        s.wait_front(s.puzzle.side(), what="front after turn %d" % number)
    s.wait_picture(what="picture after the chord sequence")
    s.escape_and_exit()


def spin_estimate(row_colours, row_y, width, height, palette, candidates):
    """Best view spin (degrees) for one row of pixels of the solved puzzle,
    with its share of disagreeing pixels."""
    solved = scene.Puzzle()
    classified = []
    for px, colour in row_colours:
        slot, dist = scene.classify(colour, palette)
        classified.append((px, slot if dist < 50 and slot in SIDE_SLOTS else None))
    best = None
    for theta in candidates:
        wrong = used = 0
        for px, got in classified:
            exp = scene.expected_slot(solved, px, row_y, width, height, 0.0, theta)
            if exp == "edge":
                continue
            # Sure pixels only: the inside of a sticker shows its side colour,
            # and a ray that misses the puzzle shows no side colour.
            used += 1
            if got != exp:
                wrong += 1
        score = wrong / float(max(used, 1))
        if best is None or score < best[1]:
            best = (theta, score)
    return best


def case_view(s):
    """Arrows: Right spins the front to the right until a cube turn happens
    (the picture stays continuous and the keys' front follows the viewer);
    Down and Up tilt to the +70 / -70 degree stops."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    w, h = 400, 400
    row_y = int(round(scene.project(scene.to_eye((0, 0, 1.5)), w, h)[1]))
    x0, y0, _, _ = s.xs.geometry(s.win)
    from Xlib import X

    strips = []

    def grab_row():
        img = s.xs.root.get_image(x0, y0 + row_y, w, 1, X.ZPixmap, 0xFFFFFFFF)
        return img.data

    def record(until_still=0.3, limit=8.0):
        last, since, start = None, time.monotonic(), time.monotonic()
        while time.monotonic() - start < limit:
            data = grab_row()
            now = time.monotonic()
            if data != last:
                strips.append(data)
                last, since = data, now
            elif now - since > until_still:
                return
        raise Failure("the view kept moving for %.0f s" % limit)

    tracker = SpinTracker(row_y, w, h, s.palette)
    total = 0.0
    pulses = 0
    while True:
        pulses += 1
        check(pulses <= 12, "Right pressed %d times without the view passing 60 degrees"
              % (pulses - 1))
        s.xs.press("Right")
        time.sleep(0.12)
        s.xs.release("Right")
        record()
        total = tracker.update(strips)
        if total >= 60 and abs((total % 90) - 45) > 6:
            break

    # One cube turn per 90 degrees: the view angle is what is left within
    # +/-46.5, and the contents are the solved puzzle turned whole.
    turns = int(round(total / 90.0))
    view = total - 90 * turns
    for _ in range(turns):
        s.puzzle.spin_whole(90)
    print("spin: %.1f degrees in %d samples, %d cube turn(s), view angle %.1f"
          % (total, len(strips), turns, view))
    view = refine_spin(s, view)
    s.wait_picture(spin=view, what="picture after spinning %.0f degrees" % total)

    # The keys' front is the slab nearest the viewer: keypad 0 + 1 turns it.
    s.chord(16)
    s.wait_still()
    s.wait_picture(spin=view, what="front slab turn after the cube turn")

    # Tilt: Down holds at +70 (top side comes forward), Up at -70.
    for key, tilt in (("Down", 70.0), ("Up", -70.0)):
        s.xs.press(key)
        time.sleep(0.5)
        s.xs.release(key)
        s.wait_still()
        # Seen from steeply above or below, a fraction of a degree of spin
        # moves sticker borders: fit the spin again at this tilt.
        spin = refine_spin(s, view, tilt=tilt, reach=2.0)
        s.wait_picture(tilt=tilt, spin=spin, what="picture tilted to %+.0f" % tilt)
    s.escape_and_exit()


def refine_spin(s, view, tilt=0.0, reach=6.0):
    """The view angle that fits the whole still picture best, within `reach`
    degrees of the estimate: a coarse search, then a fine one."""
    shot = s.shot()

    def best_of(cands):
        best = None
        for cand in cands:
            checked, wrong, _ = s.picture_matches(tilt=tilt, spin=cand, shot=shot)
            score = wrong / float(max(checked, 1))
            if best is None or score < best[1]:
                best = (cand, score)
        return best[0]
    steps = int(reach / 0.5)
    coarse = best_of([view + k * 0.5 for k in range(-steps, steps + 1)])
    return best_of([coarse + k * 0.125 for k in range(-4, 5)])


class SpinTracker:
    """Follows the spin through recorded rows of the picture: each row is
    fitted near the previous estimate; a row that fits nowhere near it is a
    jump in the picture."""

    def __init__(self, row_y, width, height, palette):
        self.row_y, self.width, self.height, self.palette = row_y, width, height, palette
        self.done = 0
        self.angle = 0.0

    def update(self, strips):
        """Fits the rows not seen yet; returns the total spin in degrees."""
        cols = range(2, self.width, 4)
        while self.done < len(strips):
            data = strips[self.done]
            row = [(px, (data[px * 4 + 2], data[px * 4 + 1], data[px * 4])) for px in cols]
            prev = self.angle
            near = [prev + d * 0.5 for d in range(-4, 81)]
            theta, score = spin_estimate(row, self.row_y, self.width, self.height,
                                         self.palette, near)
            if score > 0.08:
                far, far_score = spin_estimate(row, self.row_y, self.width, self.height,
                                               self.palette, range(0, 360, 2))
                raise Failure(
                    "the picture jumped: after %.1f degrees of spin a row fits no spin near "
                    "it (best %.1f with %.0f%% wrong pixels; anywhere: %d with %.0f%%)"
                    % (prev, theta, 100 * score, far, 100 * far_score))
            check(theta >= prev - 1.0, "the view turned back from %.1f to %.1f degrees "
                  "while spinning right" % (prev, theta))
            self.angle = max(prev, theta)
            self.done += 1
        return self.angle


def case_scramble(s):
    """A tap on S: the colours keep changing for about six seconds (22 turns
    of 16 frames), then the picture settles on a mixed puzzle."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    before = s.shot()[2]
    s.xs.press("s")
    try:
        xh.poll(lambda: s.shot()[2] != before, 5, what="S to start a scramble")
    finally:
        s.xs.release("s")
    started = time.monotonic()
    s.wait_still(quiet=0.5, timeout=30)
    took = time.monotonic() - started - 0.5
    print("scramble: the picture changed for %.2f s" % took)
    check(4.5 <= took <= 12.0, "the scramble lasted %.2f s, expected about 6 s" % took)
    front = s.front()
    check(front != [0] * 9, "the front is still solved after a scramble")
    check(all(x is not None for x in front), "after the scramble some front stickers "
          "show no side colour: [%s]" % slot_names(front))
    time.sleep(1.0)
    check(s.front() == front, "the picture changed again after the scramble settled")
    s.escape_and_exit()


def answer_fullscreen_question(s, timeout=20):
    """Waits for either the reopened game window or the fullscreen question;
    answers the question with Return (its default button is Yes)."""
    def either():
        if s.game.exited():
            raise Failure("program ended (exit code %s) at the F1 toggle" % s.game.proc.returncode)
        if s.xs.windows(TITLE_TOGGLED):
            return "window"
        q = s.xs.windows(FULLSCREEN_QUESTION)
        return ("question", q[0][0]) if q else None
    got = xh.poll(either, timeout, what="the reopened window or the fullscreen question")
    if got == "window":
        return False
    s.xs.focus(got[1])
    s.xs.tap("Return", hold=0.05)
    return True


def toggle(s, asked=None):
    """F1: the window closes and reopens as the toggled one, 640 x 480."""
    old = s.win
    s.xs.focus(old)
    s.xs.press("F1")
    try:
        s.xs.wait_gone(old, 20)
    finally:
        s.xs.release("F1")
    question = answer_fullscreen_question(s)
    if asked is not None:
        asked.append(question)
    s.wait_main(TITLE_TOGGLED, (640, 480), timeout=20)
    return question


def case_fullscreen(s):
    """F1 reopens the game as v1.1 at 640 x 480 with the solved colouring,
    answering the fullscreen question where it appears; F1 again gives a
    windowed 640 x 480 window; the close box ends the program with code 0."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    s.chord(0)
    s.wait_front(s.puzzle.side(), what="front after one turn")

    asked = toggle(s)
    fullscreen = not asked and s.xs.is_fullscreen_state(s.win)
    print("first toggle: %s" % ("fullscreen question answered Yes" if asked else
                                "fullscreen" if fullscreen else "no question"))
    s.puzzle = scene.Puzzle()
    s.wait_picture(what="solved picture after the first F1")

    # After a refused mode and Yes the window is windowed and the flag clear,
    # so the next F1 asks for fullscreen again: Wine asks on every toggle.
    asked_again = toggle(s)
    check(asked_again == asked, "the fullscreen question came on one toggle but not on the "
          "other")
    check(not s.xs.is_fullscreen_state(s.win), "the second F1 left the window fullscreen")
    s.wait_picture(what="solved picture after the second F1")

    s.xs.close(s.win)
    code = s.game.wait_exit(15)
    check(code == 0, "the close box ended the program with exit code %s, expected 0" % code)


def case_escape(s):
    """Escape ends the program with exit code 0, and so does the close box."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    s.xs.tap("Left", hold=0.05)   # some messages before the Escape
    s.escape_and_exit()

    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    s.xs.close(s.win)
    code = s.game.wait_exit(15)
    check(code == 0, "the close box ended the program with exit code %s, expected 0" % code)


def wait_box(s, caption, timeout=30):
    return s.xs.wait_window(caption, timeout, s.game.proc)


def case_missing_data(s):
    """Without Data/Data8.dll: "Initialization Failed." in a box captioned
    ERROR, no game window behind it, and the program ends."""
    os.remove(os.path.join(s.data, "Data8.dll"))
    s.launch()
    box = wait_box(s, "ERROR")
    check(not s.xs.windows(TITLE_START), "the game window is still shown behind the ERROR box")
    s.xs.focus(box)
    s.xs.tap("Return", hold=0.05)
    code = s.game.wait_exit(15)
    print("missing Data8.dll: exit code %s" % code)
    check(not s.xs.windows(TITLE_START), "a game window is left after the ERROR box")


def case_corrupt_data(s):
    """A spoiled Data/Data1.dll: one "Unknown DIB file format." box captioned
    Error, then the game runs (its front stickers have no texture)."""
    with open(os.path.join(s.data, "Data1.dll"), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 64, 0, 0, 54) + struct.pack("<I", 99) + bytes(46))
    s.launch()
    box = wait_box(s, "Error")
    check(len(s.xs.windows("Error")) == 1, "more than one Error box")
    s.xs.focus(box)
    s.xs.tap("Return", hold=0.05)
    s.xs.wait_gone(box)
    s.wait_main(TITLE_START, (400, 400))
    time.sleep(1.0)
    check(not s.xs.windows("Error"), "the Error box came again")
    # The front slot has no texture: no side colour there, but the other
    # sides' colours come round with a turn.
    front = s.front()
    check(0 not in front and len(set(front)) == 1,
          "the front shows [%s], expected one colour that is not the spoiled file's"
          % slot_names(front))
    s.chord(0)
    bare = front[0]
    s.wait_front([bare, bare, 3, bare, bare, 3, bare, bare, 3],
                 what="front after a turn with the front texture missing")
    s.escape_and_exit()


def case_keypad_numlock_off(s):
    """The native build reads keypad digits whatever NumLock says."""
    s.xs.set_numlock(False)
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    for number in (0, 8, 17):
        s.chord(number)
        s.wait_front(s.puzzle.side(), what="front after turn %d with NumLock off" % number)
    s.escape_and_exit()


def case_toggles(s):
    """200 F1 toggles in a row: the program keeps running, and its resident
    memory and open descriptors do not grow beyond noise."""
    count = s.args.toggles
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front at start")
    pid = s.game.game_pid()
    asked = []
    for _ in range(2):   # let the first allocations of both modes happen
        toggle(s, asked)
    time.sleep(0.3)
    rss0, fds0 = xh.resident_kib(pid), xh.open_fds(pid)
    started = time.monotonic()
    for i in range(count - 2):
        toggle(s, asked)
    took = time.monotonic() - started
    s.wait_picture(what="solved picture after %d toggles" % count)
    time.sleep(0.3)
    rss1, fds1 = xh.resident_kib(pid), xh.open_fds(pid)
    print("toggles: %d in a row (%d fullscreen questions), %.1f ms per toggle"
          % (count, sum(asked), 1000.0 * took / (count - 2)))
    print("toggles: resident memory %d KiB after 2 toggles, %d KiB after %d (%+d KiB)"
          % (rss0, rss1, count, rss1 - rss0))
    print("toggles: open descriptors %d after 2 toggles, %d after %d (%+d)"
          % (fds0, fds1, count, fds1 - fds0))
    check(rss1 - rss0 < 16 * 1024, "resident memory grew by %d KiB over %d toggles"
          % (rss1 - rss0, count - 2))
    check(fds1 - fds0 <= 2, "open descriptors grew from %d to %d" % (fds0, fds1))
    s.escape_and_exit()


def case_package(s):
    """An unpacked package: the game opens its window with a solved front and
    ends with exit code 0 on Escape."""
    s.launch()
    s.wait_main(TITLE_START, (400, 400))
    s.wait_front([0] * 9, timeout=10, what="solved front")
    s.escape_and_exit()


CASES = {
    "package": case_package,
    "start": case_start,
    "chords": case_chords,
    "view": case_view,
    "scramble": case_scramble,
    "fullscreen": case_fullscreen,
    "escape": case_escape,
    "missing_data": case_missing_data,
    "corrupt_data": case_corrupt_data,
    "keypad_numlock_off": case_keypad_numlock_off,
    "toggles": case_toggles,
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--data", help="Data folder copied into the working folder")
    ap.add_argument("--workdir", help="run in this folder as it is (an unpacked package)")
    ap.add_argument("--launcher", help="runs the executable (cmake/wine-run.sh)")
    ap.add_argument("--wineprefix", help="Wine prefix of the suite")
    ap.add_argument("--artifacts", help="folder for screenshots of failures")
    ap.add_argument("--toggles", type=int, default=200)
    ap.add_argument("--case", required=True, choices=sorted(CASES))
    args = ap.parse_args()
    if not shutil.which("Xvfb"):
        print("SKIP: Xvfb is not installed")
        return SKIP
    if not args.workdir and not args.data:
        ap.error("--data or --workdir is needed")
    # A timeout's SIGTERM unwinds through the session's cleanup.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAILED %s: terminated" % args.case))
    started = time.monotonic()
    try:
        with Session(args, args.case) as s:
            CASES[args.case](s)
    except Failure as e:
        print("FAILED %s: %s (%.1f s)" % (args.case, e, time.monotonic() - started))
        return 1
    except Exception:
        traceback.print_exc()
        print("FAILED %s: error in the harness (%.1f s)" % (args.case, time.monotonic() - started))
        return 1
    print("passed %s in %.1f s" % (args.case, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
