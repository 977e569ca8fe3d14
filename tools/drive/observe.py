#!/usr/bin/python3
"""Measures a running program from outside, on a private Xvfb: start-up,
frame pacing and key-to-picture latency, from the X server's damage reports
of the presented frames and the process's /proc counters. The program is
the one users run; nothing in it is changed.

    python3 -m drive.observe --exe PATH --workdir DIR --title TITLE [--launcher wine-run.sh
                             --wineprefix DIR] [--seconds 10] [--trials 20]
                             [--starts 1] [--hold KEY] [--key KEY]

Prints "figure NAME VALUE UNIT" lines (read by suite.py) and a short summary.

Method and its resolution:
- A DAMAGE object on the root window (raw rectangles) reports every frame
  the GL layer puts into the window: one report per presented frame, whose
  rectangle is the client area. Each report has two times: when this process
  read it (CLOCK_MONOTONIC, carrying this reader's own scheduling delay) and
  the server's stamp (the same clock in Xvfb, in whole milliseconds). Frame
  intervals are given by both; start-up and key-to-picture times use the
  server's stamp. The reference presenter, observed the same way, gives the
  floor of the method. Frame counts do not depend on timing at all.
- Which frames follow a key: each report carries the sequence number of the
  last request of ours the server had handled, so the frames after the XTest
  key event are known exactly, not by time. Each such frame is read back at
  once (GetImage); a frame that arrived before the read was handled makes
  that read ambiguous: such trials are counted and printed, and left out of
  the latency figures.
- Start-up: from just before the process is started to the report of the
  first frame in the program's window; with --starts N, the median of N
  starts one after another (and the least and the most), the last of which
  runs on for the rest.
- CPU per frame: utime + stime of the process's threads from /proc, in clock
  ticks (10 ms) over the whole pacing run.
"""

import argparse
import os
import random
import select
import sys
import time

from Xlib import X, error as xerror
from Xlib.ext import damage, xtest

from drive import xdrive as xh

FRAME_MS = 1000.0 / 60.0


def seq_at_or_after(seq, ref):
    """16-bit sequence numbers: seq is ref or later."""
    return ((seq - ref) & 0xFFFF) < 0x8000


def figure(name, value, unit):
    print("figure %s %.6g %s" % (name, value, unit))
    sys.stdout.flush()


def percentile(sorted_values, p):
    if not sorted_values:
        return float("nan")
    k = min(len(sorted_values) - 1, int(round(p / 100.0 * (len(sorted_values) - 1))))
    return sorted_values[k]


class FrameWatch:
    """The damage reports of one rectangle of the screen, as they arrive."""

    def __init__(self, xs):
        self.xs = xs
        self.d = xs.d
        # The server speaks DAMAGE 1.1 only to clients that asked for it.
        self.d.damage_query_version()
        self.damage = xs.root.damage_create(damage.DamageReportRawRectangles)
        self.d.sync()
        self.rect = None          # (x, y, w, h) in root coordinates, once known
        # (read time, sequence number, server time) of the reports in rect;
        # times in seconds of CLOCK_MONOTONIC.
        self.frames = []
        self.early = []           # (read, seq, server, x, y, w, h) before rect was known
        self.notify = self.d.extension_event.DamageNotify

    def reset(self):
        """Forgets every report so far, read or queued: for a new start."""
        self.pump(0)
        self.rect = None
        self.frames = []
        self.early = []

    def serial(self):
        """The sequence number our next request will carry."""
        return self.d.display.request_serial

    def _take(self, event, now):
        if event.type != self.notify:
            return
        a = event.area
        server = server_seconds(event.timestamp, now)
        if self.rect is None:
            self.early.append((now, event.sequence_number, server, a.x, a.y, a.width, a.height))
        elif self._inside(a.x, a.y, a.width, a.height):
            self.frames.append((now, event.sequence_number, server))

    def _inside(self, x, y, w, h):
        rx, ry, rw, rh = self.rect
        # A whole-frame put covers the client area (clipped at the screen).
        return x <= max(rx, 0) and y <= max(ry, 0) and x + w >= rx + rw and y + h >= ry + rh \
            and w <= rw + 2 and h <= rh + 2

    def set_rect(self, rect):
        self.rect = rect
        for now, seq, server, x, y, w, h in self.early:
            if self._inside(x, y, w, h):
                self.frames.append((now, seq, server))
        self.early = []

    def pump(self, timeout):
        """Reads every report that arrives within `timeout` seconds (at least
        what is queued now); returns how many frames were added."""
        before = len(self.frames)
        deadline = time.monotonic() + timeout
        while True:
            n = self.d.pending_events()
            now = time.monotonic()
            for _ in range(n):
                self._take(self.d.next_event(), now)
            left = deadline - time.monotonic()
            if left <= 0:
                break
            select.select([self.d.fileno()], [], [], left)
        return len(self.frames) - before

    def next_frame(self, timeout=2.0):
        """Waits for the next frame report; returns (time, seq) or None."""
        have = len(self.frames)
        deadline = time.monotonic() + timeout
        while len(self.frames) == have:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            n = self.d.pending_events()
            if n == 0:
                select.select([self.d.fileno()], [], [], min(left, 0.05))
                n = self.d.pending_events()
            now = time.monotonic()
            for _ in range(n):
                self._take(self.d.next_event(), now)
        return self.frames[have]

    def grab(self):
        """The window's pixels now, and the serial of the read."""
        serial = self.serial()
        x, y, w, h = self.rect
        x0, y0 = max(x, 0), max(y, 0)
        img = self.xs.root.get_image(x0, y0, w - (x0 - x), h - (y0 - y), X.ZPixmap, 0xFFFFFFFF)
        return img.data, serial

    def frame_before(self, serial, index):
        """True when a frame after frames[index - 1] was made before request
        `serial` was handled, so that a read with that serial may show it."""
        n = self.d.pending_events()
        now = time.monotonic()
        for _ in range(n):
            self._take(self.d.next_event(), now)
        return any(not seq_at_or_after(f[1], serial) for f in self.frames[index:])


def server_seconds(stamp, now):
    """A report's server time (ms, 32 bits) in seconds of our CLOCK_MONOTONIC,
    which is the clock Xvfb stamps with; None when the stamp is not within a
    few seconds before the read (another clock)."""
    now_ms = int(now * 1000.0)
    ms = (now_ms & ~0xFFFFFFFF) | (stamp & 0xFFFFFFFF)
    if ms > now_ms + 1:
        ms -= 1 << 32
    return ms / 1000.0 if now_ms - 10000 <= ms <= now_ms + 1 else None


def cpu_ticks(pid):
    """{tid: utime + stime} of the process's threads."""
    out = {}
    try:
        for tid in os.listdir("/proc/%d/task" % pid):
            try:
                with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                out[int(tid)] = int(fields[11]) + int(fields[12])
            except (OSError, IndexError, ValueError):
                pass
    except OSError:
        pass
    return out


def start(xs, watch, args):
    """Starts the program and waits for its first frame; returns the program,
    its window and the start-up time in ms."""
    watch.reset()
    started = time.monotonic()  # the Program starts the process at once
    game = xh.Program(xs, args.exe, args.workdir, args.launcher, args.wineprefix)
    try:
        win = xs.wait_window(args.title, 120, game.proc)
        # The client area: the named window, or its one child under Wine.
        xh.poll(lambda: xs.geometry(win)[2:] == (400, 400), 10, what="400 x 400 window")
        xs.place_on_screen(win)
        watch.set_rect(xs.geometry(win))
        watch.pump(0.3)
        if not watch.frames:
            watch.next_frame(30)
        if not watch.frames:
            raise xh.Failure("no frame was presented in %r" % args.title)
    except BaseException:
        game.stop()
        raise
    # The server's stamp where its clock is ours, else the read time.
    first_frame = watch.frames[0][2] if watch.frames[0][2] is not None else watch.frames[0][0]
    return game, win, 1000.0 * (first_frame - started)


def observe(args):
    xs = xh.XServer()
    game = None
    # Windows that close while the tree is walked are not errors here.
    xs.d.set_error_handler(lambda err, *rest: None if isinstance(err, xerror.BadWindow)
                           else sys.stderr.write("X error: %s\n" % err))
    try:
        xs.set_numlock(True)
        # Start-up: the median of `starts` starts, one after another; the last
        # one runs on.
        watch = FrameWatch(xs)
        startups = []
        for _ in range(max(1, args.starts)):
            if game is not None:
                game.stop()
                xs.wait_gone(win)
            game, win, ms = start(xs, watch, args)
            startups.append(ms)
        startups.sort()
        figure("startup_ms", percentile(startups, 50), "ms")
        figure("startup_ms_min", startups[0], "ms")
        figure("startup_ms_max", startups[-1], "ms")
        print("start-up of %d starts (ms): %s" % (len(startups),
                                                   ", ".join("%.1f" % v for v in startups)))
        xs.focus(win)

        # Pacing: `seconds` of frames, with a key held so that every frame is
        # drawn anew.
        pid = game.game_pid()
        watch.pump(1.0)
        if args.hold:
            xs.press(args.hold)
        watch.pump(0.5)
        first = len(watch.frames)
        ticks0 = cpu_ticks(pid)
        watch.pump(args.seconds)
        ticks1 = cpu_ticks(pid)
        if args.hold:
            xs.release(args.hold)
        run = watch.frames[first:]
        times = [f[0] for f in run]
        intervals = [1000.0 * (b - a) for a, b in zip(times, times[1:])]
        if len(intervals) < 10:
            raise xh.Failure("only %d frames in %.0f s" % (len(run), args.seconds))
        span = times[-1] - times[0]
        rate = len(intervals) / span
        dev = sorted(abs(i - FRAME_MS) for i in intervals)
        figure("frame_rate_hz", rate, "Hz")
        figure("interval_dev_p50_ms", percentile(dev, 50), "ms")
        figure("interval_dev_p99_ms", percentile(dev, 99), "ms")
        figure("interval_dev_max_ms", dev[-1], "ms")
        if all(f[2] is not None for f in run):
            # The same by the server's stamps: 1 ms steps, but free of this
            # reader's delays.
            stamps = [f[2] for f in run]
            sdev = sorted(abs(1000.0 * (b - a) - FRAME_MS) for a, b in zip(stamps, stamps[1:]))
            figure("server_interval_dev_p50_ms", percentile(sdev, 50), "ms")
            figure("server_interval_dev_p99_ms", percentile(sdev, 99), "ms")
            figure("server_interval_dev_max_ms", sdev[-1], "ms")
        figure("frames_counted", len(run), "frames")
        hz = os.sysconf("SC_CLK_TCK")
        main = (ticks1.get(pid, 0) - ticks0.get(pid, 0)) * 1000.0 / hz
        others = sum(v - ticks0.get(t, 0) for t, v in ticks1.items() if t != pid) * 1000.0 / hz
        figure("cpu_main_thread_ms_per_frame", main / len(run), "ms")
        figure("cpu_other_threads_ms_per_frame", others / len(run), "ms")

        # Latency: a key at a random point of the frame cycle, then the
        # frames after it until one differs; keys until `trials` reads were
        # clear (ambiguous and missed ones are counted, up to 2 * trials + 3 keys).
        latencies, millis, ambiguous, misses = [], [], [], 0
        rng = random.Random(1)
        keys = 0
        while len(latencies) < args.trials and keys < 2 * args.trials + 3:
            keys += 1
            before = settle(watch)
            frame = watch.next_frame()
            if frame is None:
                raise xh.Failure("the program stopped presenting frames")
            time.sleep(rng.uniform(0.0, FRAME_MS / 1000.0))
            code = xs.keycode(args.key)
            key_serial = watch.serial()
            xtest.fake_input(xs.d, X.KeyPress, code)
            xs.d.flush()
            t_key = time.monotonic()
            found = None
            count = 0
            index = len(watch.frames)
            try:
                while count < 12 and found is None:
                    if index >= len(watch.frames) and watch.next_frame() is None:
                        break
                    t, seq, server = watch.frames[index]
                    if server is not None:
                        t = server
                    index += 1
                    if not seq_at_or_after(seq, key_serial):
                        continue  # presented before the key event
                    count += 1
                    pixels, grab_serial = watch.grab()
                    if pixels != before:
                        found = (count, t, watch.frame_before(grab_serial, index))
            finally:
                xtest.fake_input(xs.d, X.KeyRelease, code)
                xs.d.sync()
            if found is None:
                misses += 1
            elif found[2]:
                # A later frame was already there when the read was handled:
                # the change may belong to it (true latency one more).
                ambiguous.append(found[0])
            else:
                latencies.append(found[0])
                millis.append(1000.0 * (found[1] - t_key))
        if not latencies:
            raise xh.Failure("no key changed the picture in a clear read (%d ambiguous, %d "
                             "missed)" % (len(ambiguous), misses))
        latencies.sort()
        millis.sort()
        figure("latency_frames_max", latencies[-1], "frames")
        figure("latency_frames_median", percentile(latencies, 50), "frames")
        figure("latency_ms_median", percentile(millis, 50), "ms")
        figure("latency_ms_max", millis[-1], "ms")
        figure("latency_trials", len(latencies), "trials")
        figure("latency_ambiguous_reads", len(ambiguous), "trials")

        def spread(values):
            return ", ".join("%d: %d" % (k, values.count(k)) for k in sorted(set(values))) or "-"
        print("latency in frames (frames: trials): %s; ambiguous reads %s; missed %d"
              % (spread(latencies), spread(ambiguous), misses))
    finally:
        if game is not None:
            game.stop()
        xs.stop()


def settle(watch, frames=6, timeout=15.0):
    """Waits until `frames` frames in a row show the same picture; returns it."""
    deadline = time.monotonic() + timeout
    same, last = 0, None
    while time.monotonic() < deadline:
        if watch.next_frame() is None:
            break
        pixels, _ = watch.grab()
        same = same + 1 if pixels == last else 0
        last = pixels
        if same >= frames:
            return pixels
    raise xh.Failure("the picture did not settle")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--workdir", required=True)
    ap.add_argument("--title", required=True)
    ap.add_argument("--launcher")
    ap.add_argument("--wineprefix")
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--trials", type=int, default=20, help="clear key-to-picture reads wanted")
    ap.add_argument("--starts", type=int, default=1, help="starts whose median is the start-up")
    ap.add_argument("--hold", help="key held during the pacing run (X keysym name)")
    ap.add_argument("--key", default="Right", help="key of the latency trials")
    args = ap.parse_args()
    args.exe = os.path.abspath(args.exe)  # the program starts in --workdir
    try:
        observe(args)
    except xh.Failure as e:
        print("FAILED: %s" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
