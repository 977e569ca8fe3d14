#!/usr/bin/python3
"""End-to-end tests of Voxra: the game (or voxra.exe under Wine with --launcher)
on a private Xvfb, keys through XTest, pixels, titles and exit codes read back.
Exit status 0 passed, 1 failed, 77 skipped (no Xvfb or python3-xlib)."""

import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
try:
    import xharness as xh
except ImportError as e:  # python3-xlib missing
    print("SKIP: %s (scripts/install-deps.sh installs python3-xlib)" % e)
    sys.exit(77)
import scene  # noqa: E402

TITLE_START = "Voxra - By Orvane v1.2"
TITLE_TOGGLED = "Voxra - By Orvane v1.1"
SOLVED = [0] * 9
Failure = xh.Failure


def check(condition, message):
    if not condition:
        raise Failure(message)


def names(slots):
    return " ".join(scene.SLOT_NAMES.get(s, str(s)) for s in slots)


class Session:
    """The game in a fresh working folder (or an unpacked package) on an Xvfb."""

    def __init__(self, args, name, exe=None, workdir=None):
        self.xs = xh.XServer()   # first: a failure here leaves no folder behind
        # Wine reads keypad digits as VK_NUMPAD0..9 only with NumLock on.
        self.xs.set_numlock(True)
        self.args, self.name, self.exe = args, name, exe or args.exe
        self.tmp = tempfile.mkdtemp(prefix="voxra-e2e-")
        self.workdir = workdir or os.path.join(self.tmp, "run")
        self.data = os.path.join(self.workdir, "Data")
        if not workdir:
            shutil.copytree(args.data, self.data)
        # The expected colours, read before a case removes or spoils a file.
        self.palette = {s: scene.dib_centre_colour(os.path.join(self.data, f))
                        for s, f in scene.SLOT_FILES.items()}
        self.game = self.win = None
        self.puzzle = scene.Puzzle()

    def __enter__(self):
        return self

    def __exit__(self, kind, value, tb):
        if kind is not None:
            self.save_screen()
        if self.game is not None:
            self.game.stop()
        self.xs.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def save_screen(self):
        """After a failure: the screen as a PPM in the artifacts folder."""
        try:
            w, h, data = self.xs.grab(self.xs.root)
            rgb = bytearray(w * h * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
            os.makedirs(self.args.artifacts, exist_ok=True)
            with open(os.path.join(self.args.artifacts, self.name + ".ppm"), "wb") as f:
                f.write(b"P6 %d %d 255\n" % (w, h) + rgb)
            print("screen saved; windows: %s" % [n for _, n in self.xs.windows()])
        except Exception as e:  # diagnostics must not hide the failure
            print("could not save the screen: %s" % e)

    def launch(self):
        self.game = xh.Program(self.xs, self.exe, self.workdir, self.args.launcher,
                               self.args.wineprefix)

    def start(self):
        self.launch()
        self.wait_main(TITLE_START, (400, 400))
        self.wait_front(SOLVED, timeout=10, what="solved front at start")

    def wait_main(self, title, size, timeout=60):
        """Waits for the game window with this title and client size; focuses it."""
        win = self.xs.wait_window(title, timeout, self.game.proc)
        # Without a window manager a first configure may come before the last.
        xh.poll(lambda: self.xs.geometry(win)[2:] == size, 3, what="window size %dx%d" % size,
                detail=lambda: "%r is %dx%d" % ((title,) + self.xs.geometry(win)[2:]))
        self.xs.place_on_screen(win)
        self.xs.focus(win)
        self.win = win

    def shot(self):
        return self.xs.grab(self.win)

    def grid(self, shot):
        """Every fifth pixel of the picture as (x, y, colour)."""
        return [(x, y, self.xs.colour_at(shot, x, y, 0))
                for y in range(2, shot[1], 5) for x in range(2, shot[0], 5)]

    def front(self):
        """Slots seen at the nine front sticker centres (None: no slot colour)."""
        shot = self.shot()
        seen = [scene.classify(self.xs.colour_at(shot, *pt), self.palette)
                for pt in scene.front_sample_points(*shot[:2])]
        return [slot if dist < 60 else None for slot, dist in seen]

    def wait_front(self, expected, timeout=5, what="front stickers"):
        """Polls until the front shows `expected` and still does 0.15 s later."""
        seen = []

        def settled():
            seen[:] = self.front()
            if seen != expected:
                return False
            time.sleep(0.15)
            seen[:] = self.front()
            return seen == expected
        xh.poll(settled, timeout, what=what,
                detail=lambda: "expected [%s], saw [%s]" % (names(expected), names(seen)))

    def wait_picture(self, tilt=0.0, spin=0.0, timeout=5, what="picture"):
        """Polls until a grid of pixels agrees with the model (2% may not)."""
        result = []

        def ok():
            shot = self.shot()
            result[:] = scene.compare(self.puzzle, self.grid(shot), shot[0], shot[1],
                                      self.palette, tilt, spin)
            return result[0] > 50 and result[1] <= result[0] // 50
        xh.poll(ok, timeout, interval=0.05, what=what, detail=lambda: "%d of %d sampled pixels "
                "differ from the model: %s" % (result[1], result[0], "; ".join(result[2])))

    def wait_still(self, quiet=0.3, timeout=15, row=None, keep=False):
        """Grabs the picture (or one row) until it has not changed for `quiet`
        seconds; returns the last grab, or with `keep` every distinct one."""
        grabs, since, began = [], time.monotonic(), time.monotonic()
        while time.monotonic() - since < quiet:
            check(time.monotonic() - began < timeout, "the picture kept changing")
            shot = self.xs.grab(self.win, row)
            if not grabs or shot[2] != grabs[-1][2]:
                grabs = grabs + [shot] if keep else [shot]
                since = time.monotonic()
            time.sleep(0 if keep else 0.01)
        return grabs if keep else grabs[-1]

    def chord(self, number):
        """Holds the chord of turn `number` until the picture starts to move
        (after the last turn has ended), so exactly one quarter turn is made."""
        keys = ["KP_%d" % k for k in scene.TURNS[number][3]]
        before = self.wait_still(quiet=0.15)[2]
        self.xs.press(*keys)
        try:
            xh.poll(lambda: self.shot()[2] != before, 5, what="turn %d (keypad %s) to start"
                    % (number, " + ".join(keys)))
        finally:
            self.xs.release(*keys)
        self.puzzle.apply(number)

    def leave(self, close_box=False):
        """Escape (or the close box) must end the program with exit code 0."""
        self.xs.focus(self.win)
        self.xs.close(self.win) if close_box else self.xs.tap("Escape")
        code = self.game.wait_exit(15)
        check(code == 0, "%s ended the program with exit code %s"
              % ("the close box" if close_box else "Escape", code))


def case_start(s):
    """Title, client size, a solved picture, the black border of the square view."""
    s.start()
    check(len(s.xs.windows(TITLE_START)) == 1, "more than one window titled %r" % TITLE_START)
    s.wait_picture(what="solved picture at start")
    border = s.xs.colour_at(s.shot(), 4, 200, 2)
    check(sum(border) < 30, "left border of the square view is %s, expected black" % (border,))
    s.leave()


def case_chords(s):
    """A held chord keeps turning; each of the 18 chords once, against the model."""
    s.start()
    # Keypad 6 + 9 held turns the right column up again and again: its middle
    # sticker shows front, bottom, then back colours.
    target = scene.front_sample_points(400, 400)[5]
    seen = []

    def progressed():
        slot, dist = scene.classify(s.xs.colour_at(s.shot(), *target), s.palette)
        if dist < 45 and slot < 6 and seen[-1:] != [slot]:
            seen.append(slot)
        return seen[:3] == [0, 3, 4]
    s.xs.press("KP_6", "KP_9")
    try:
        xh.poll(progressed, 6, interval=0.005, what="keypad 6 + 9 held to turn the right column "
                "twice", detail=lambda: "its middle sticker showed [%s]" % names(seen))
    finally:
        s.xs.release("KP_6", "KP_9")
    s.wait_still()
    got = s.front()
    held = [n for n in (2, 3) if scene.Puzzle([0] * n).front() == got]
    check(held, "after a held chord the front is [%s], expected 2 or 3 turns of the right "
          "column" % names(got))
    s.puzzle = scene.Puzzle([0] * held[0])
    for number in [0, 2, 8, 16, 5, 10, 13, 7, 1, 3, 9, 17, 4, 11, 14, 6, 12, 15]:
        s.chord(number)
        s.wait_front(s.puzzle.front(), what="front after turn %d" % number)
    s.wait_picture(what="picture after the chord sequence")
    s.leave()


def best_spin(s, samples, around, offsets, tilt=0.0, **kw):
    """(spin, share of wrong pixels) of the spin around + offset that fits
    best; of equal fits the one nearest `around`."""
    def share(spin):
        checked, wrong, _ = scene.compare(s.puzzle, samples, 400, 400, s.palette, tilt, spin, **kw)
        return wrong / max(checked, 1)
    return min(((around + o, share(around + o), abs(o)) for o in offsets),
               key=lambda r: r[1:])[:2]


def refine_spin(s, view, tilt=0.0, reach=6.0):
    """The spin within `reach` degrees that fits the still picture best."""
    samples, steps = s.grid(s.shot()), int(reach / 0.5)
    coarse = best_spin(s, samples, view, [k * 0.5 for k in range(-steps, steps + 1)], tilt)[0]
    return best_spin(s, samples, coarse, [k * 0.125 for k in range(-4, 5)], tilt)[0]


def case_view(s):
    """Right spins the puzzle past a cube turn: each row of pixels recorded fits
    a spin a little past the last (no jump, no turning back), and the keys'
    front follows the viewer. Down and Up tilt to +70 / -70 degrees."""
    s.start()
    row_y = int(round(scene.project((0, 0, 1.5), 400, 400)[1]))
    angle = 0.0
    for pulse in range(13):
        if angle >= 60 and abs(angle % 90 - 45) > 6:
            break
        check(pulse < 12, "Right pressed 12 times without the view passing 60 degrees")
        s.xs.tap("Right")
        strips = s.wait_still(timeout=8, row=row_y, keep=True)
        for _, _, data in strips:
            row = [(x, row_y, s.xs.colour_at((400, 1, data), x, 0, 0)) for x in range(2, 400, 4)]
            theta, wrong = best_spin(s, row, angle, [d * 0.5 for d in range(-4, 81)],
                                     limit=50, misses=True)
            check(wrong <= 0.08, "the picture jumped: after %.1f degrees of spin a row fits no "
                  "spin near it (best %.1f with %.0f%% wrong pixels)" % (angle, theta, 100 * wrong))
            check(theta >= angle - 1.0, "the view turned back from %.1f to %.1f degrees while "
                  "spinning right" % (angle, theta))
            angle = max(angle, theta)
    # One cube turn per 90 degrees: the view keeps what is left within +/-46.5.
    turns = int(round(angle / 90.0))
    for _ in range(turns):
        s.puzzle.spin_whole(90)
    print("spin: %.1f degrees, %d cube turn(s)" % (angle, turns))
    view = refine_spin(s, angle - 90 * turns)
    s.wait_picture(spin=view, what="picture after spinning %.0f degrees" % angle)
    s.chord(16)   # keypad 0 + 1 turns the slab nearest the viewer
    s.wait_still()
    s.wait_picture(spin=view, what="front slab turn after the cube turn")
    for key, tilt in (("Down", 70.0), ("Up", -70.0)):
        s.xs.tap(key, hold=0.5)
        s.wait_still()
        # Seen steeply, a fraction of a degree of spin moves sticker borders.
        spin = refine_spin(s, view, tilt, reach=2.0)
        s.wait_picture(tilt, spin, what="picture tilted to %+.0f" % tilt)
    s.leave()


def case_scramble(s):
    """S: the colours change for about six seconds, then settle on a mixed puzzle."""
    s.start()
    before = s.shot()[2]
    s.xs.tap("s")
    xh.poll(lambda: s.shot()[2] != before, 5, what="S to start a scramble")
    started = time.monotonic()
    s.wait_still(quiet=0.5, timeout=30)
    took = time.monotonic() - started - 0.5
    print("scramble: the picture changed for %.2f s" % took)
    check(4.5 <= took <= 12.0, "the scramble lasted %.2f s, expected about 6 s" % took)
    front = s.front()
    check(front != SOLVED and None not in front, "front after the scramble: [%s]" % names(front))
    time.sleep(1.0)
    check(s.front() == front, "the picture changed again after the scramble settled")
    s.leave()


def toggle(s):
    """F1 reopens the window as v1.1 at 640 x 480; returns whether the
    fullscreen question came (answered with Return: Yes)."""
    s.xs.focus(s.win)
    s.xs.press("F1")
    try:
        s.xs.wait_gone(s.win, 20)
    finally:
        s.xs.release("F1")

    def either():
        if s.game.proc.poll() is not None:
            raise Failure("program ended (exit code %s) at the F1 toggle" % s.game.proc.returncode)
        return s.xs.windows(TITLE_TOGGLED) and "window" or s.xs.windows("Tamo GL")
    got = xh.poll(either, 20, what="the reopened window or the fullscreen question")
    if got != "window":
        s.xs.focus(got[0][0])
        s.xs.tap("Return", hold=0.05)
    s.wait_main(TITLE_TOGGLED, (640, 480), timeout=20)
    return got != "window"


def case_fullscreen(s):
    """F1 reopens the game solved; F1 again gives a window; the close box exits."""
    s.start()
    s.chord(0)
    s.wait_front(s.puzzle.front(), what="front after one turn")
    asked = toggle(s)
    print("first toggle: %s" % ("fullscreen question answered Yes" if asked else "fullscreen"
                                if s.xs.is_fullscreen_state(s.win) else "no question"))
    s.puzzle = scene.Puzzle()
    s.wait_picture(what="solved picture after the first F1")
    # After a refused mode and Yes the window is windowed and the flag clear,
    # so the next F1 asks again: Wine asks on every toggle.
    check(toggle(s) == asked, "the fullscreen question came on one toggle but not the other")
    check(not s.xs.is_fullscreen_state(s.win), "the second F1 left the window fullscreen")
    s.wait_picture(what="solved picture after the second F1")
    s.leave(close_box=True)


def case_escape(s):
    """Escape after other messages exits with code 0; so does the close box."""
    s.start()
    s.xs.tap("Left", hold=0.05)
    s.leave()
    s.start()
    s.leave(close_box=True)


def case_missing_data(s):
    """No Data/Data8.dll: a box captioned ERROR, no game window; the program ends."""
    os.remove(os.path.join(s.data, "Data8.dll"))
    s.launch()
    box = s.xs.wait_window("ERROR", 30, s.game.proc)
    check(not s.xs.windows(TITLE_START), "the game window is shown behind the ERROR box")
    s.xs.focus(box)
    s.xs.tap("Return", hold=0.05)
    print("missing Data8.dll: exit code %s" % s.game.wait_exit(15))
    check(not s.xs.windows(TITLE_START), "a game window is left after the ERROR box")


def case_corrupt_data(s):
    """A spoiled Data/Data1.dll: one box captioned Error, then the game runs."""
    with open(os.path.join(s.data, "Data1.dll"), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 64, 0, 0, 54) + struct.pack("<I", 99) + bytes(46))
    s.launch()
    box = s.xs.wait_window("Error", 30, s.game.proc)
    check(len(s.xs.windows("Error")) == 1, "more than one Error box")
    s.xs.focus(box)
    s.xs.tap("Return", hold=0.05)
    s.xs.wait_gone(box)
    s.wait_main(TITLE_START, (400, 400))
    time.sleep(1.0)
    check(not s.xs.windows("Error"), "the Error box came again")
    front = s.front()
    check(0 not in front and len(set(front)) == 1, "the front shows [%s], expected one colour "
          "that is not the spoiled file's" % names(front))
    # The other sides' colours still come round with a turn.
    s.chord(0)
    bare = front[0]
    s.wait_front([bare, bare, 3] * 3, what="front after a turn with the front texture missing")
    s.leave()


def case_keypad_numlock_off(s):
    """The native build reads keypad digits whatever NumLock says."""
    s.xs.set_numlock(False)
    s.start()
    for number in (0, 8, 17):
        s.chord(number)
        s.wait_front(s.puzzle.front(), what="front after turn %d with NumLock off" % number)
    s.leave()


def case_toggles(s):
    """--toggles F1 toggles in a row: resident memory and descriptors do not grow."""
    count = s.args.toggles
    s.start()
    pid = s.game.game_pid()
    asked = [toggle(s) for _ in range(2)]   # the first allocations of both modes
    time.sleep(0.3)
    rss0, fds0 = xh.usage(pid)
    started = time.monotonic()
    asked += [toggle(s) for _ in range(count - 2)]
    took = time.monotonic() - started
    s.wait_picture(what="solved picture after %d toggles" % count)
    time.sleep(0.3)
    rss1, fds1 = xh.usage(pid)
    print("toggles: %d (%d questions), %.0f ms each; resident memory %d KiB after 2, %d KiB "
          "after %d; open descriptors %d, then %d" % (count, sum(asked), 1000 * took / (count - 2),
                                                     rss0, rss1, count, fds0, fds1))
    check(rss1 - rss0 < 16 * 1024, "resident memory grew by %d KiB" % (rss1 - rss0))
    check(fds1 - fds0 <= 2, "open descriptors grew from %d to %d" % (fds0, fds1))
    s.leave()


def run_package(args):
    """cpack for each generator; each package unpacked into an empty folder
    must hold the game and Data/ (and on Linux the menu entry and icon), and
    the game started there opens with a solved front and ends on Escape."""
    scratch = tempfile.mkdtemp(prefix="voxra-package-")
    try:
        out, exe_name = os.path.join(scratch, "out"), os.path.basename(args.exe)
        for gen in args.generators.split(";"):
            r = subprocess.run([args.cpack, "-G", gen, "-B", out, "--config", "CPackConfig.cmake"],
                               cwd=args.build_dir, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
            check(r.returncode == 0, "cpack -G %s failed:\n%s" % (gen, r.stdout))
        made = sorted(f for f in os.listdir(out) if f.endswith((".zip", ".tar.gz", ".deb")))
        check(made, "cpack made no package")
        for name in made:
            pkg, into = os.path.join(out, name), os.path.join(scratch, "unpacked-" + name)
            os.makedirs(into)
            unpack = {"zip": ["unzip", "-q", pkg, "-d"], "gz": ["tar", "-xzf", pkg, "-C"],
                      "deb": ["dpkg-deb", "-x", pkg]}[name.split(".")[-1]]
            subprocess.run(unpack + [into], check=True)
            folder = next((d for d, _, files in os.walk(into) if exe_name in files), None)
            check(folder, "%s holds no %s" % (name, exe_name))
            files = sorted(os.listdir(folder))
            data = sorted(os.listdir(os.path.join(folder, "Data"))) if "Data" in files else []
            print("%s: %s; Data/: %s" % (name, " ".join(files), " ".join(data)))
            check(data == ["Data%d.dll" % n for n in range(1, 9)], "%s: Data/ is wrong" % name)
            wanted = [] if exe_name.endswith(".exe") else ["voxra.desktop", "voxra.png"]
            check(set(wanted) <= set(files), "%s lacks one of %s" % (name, wanted))
            with Session(args, "package", os.path.join(folder, exe_name), folder) as s:
                s.start()
                s.leave()
        print("package: %d packages unpacked and started" % len(made))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


CASES = {name[5:]: f for name, f in globals().items() if name.startswith("case_")}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--case", required=True, choices=sorted(CASES) + ["package"])
    ap.add_argument("--toggles", type=int, default=200)
    # --data is copied into the working folder; --launcher runs the exe (wine-run.sh);
    # --build-dir, --cpack and --generators (';'-separated) are the package case's.
    for name in ("exe", "data", "launcher", "wineprefix", "artifacts", "build-dir", "cpack",
                 "generators"):
        ap.add_argument("--" + name)
    args = ap.parse_args()
    if not shutil.which("Xvfb"):
        print("SKIP: Xvfb is not installed")
        return 77
    # A timeout's SIGTERM unwinds through the session's cleanup.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAILED %s: terminated" % args.case))
    started = time.monotonic()
    try:
        if args.case == "package":
            run_package(args)
        else:
            with Session(args, args.case) as s:
                CASES[args.case](s)
    except Exception as e:
        if not isinstance(e, Failure):
            traceback.print_exc()
            e = "error in the harness"
        print("FAILED %s: %s (%.1f s)" % (args.case, e, time.monotonic() - started))
        return 1
    print("passed %s in %.1f s" % (args.case, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
