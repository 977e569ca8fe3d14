#!/usr/bin/python3
"""Takes the README's pictures from the real game on a private Xvfb: a
screenshot (PNG) and an animated quarter turn (GIF, every presented frame of
the turn, read back as the X server's damage reports announce them).

    make_pictures.py --exe PATH --workdir DIR --out DOCS_DIR

Used by scripts/make-pictures.sh, which builds the game first.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from drive import xdrive as xh
from drive.observe import FrameWatch, settle

TITLE = "Voxra - By Orvane v1.2"
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"


def write_png(path, width, height, bgrx):
    """An RGB PNG of a picture read back from the X server (B, G, R, X)."""
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
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
        f.write(chunk(b"IEND", b""))


def tap(xs, watch, keys, frames):
    """Holds keys for a number of presented frames."""
    xs.press(*keys)
    for _ in range(frames):
        watch.next_frame()
    xs.release(*keys)


def record_turn(xs, watch, keys, before_frames=8, after_frames=10, limit=60):
    """Every frame from a little before a chord until the picture has been
    still for `after_frames` frames: a list of BGRX pictures."""
    shots = []
    for _ in range(before_frames):
        watch.next_frame()
        shots.append(watch.grab()[0])
    xs.press(*keys)
    released = False
    still = 0
    while len(shots) < limit and still < after_frames:
        watch.next_frame()
        pixels = watch.grab()[0]
        if not released and pixels != shots[-1]:
            xs.release(*keys)  # the turn has started: exactly one quarter
            released = True
        still = still + 1 if released and pixels == shots[-1] else 0
        shots.append(pixels)
    if not released:
        xs.release(*keys)
        raise xh.Failure("the chord %s did not start a turn" % " + ".join(keys))
    return shots[:len(shots) - after_frames + 3]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--exe", required=True)
    ap.add_argument("--workdir", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    args.exe = os.path.abspath(args.exe)  # the program starts in --workdir
    os.makedirs(args.out, exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="voxra-pictures-")
    xs = xh.XServer()
    game = None
    try:
        xs.set_numlock(True)
        watch = FrameWatch(xs)
        game = xh.Program(xs, args.exe, args.workdir)
        win = xs.wait_window(TITLE, 60, game.proc)
        xh.poll(lambda: xs.geometry(win)[2:] == (400, 400), 10, what="400 x 400 window")
        xs.place_on_screen(win)
        watch.set_rect(xs.geometry(win))
        xs.focus(win)
        settle(watch)
        # Tilt down and spin left a little, so the top, front and right show.
        tap(xs, watch, ["Down"], 6)
        tap(xs, watch, ["Left"], 7)
        settle(watch)
        # A few turns, so the sides are mixed.
        for keys in (["KP_6", "KP_9"], ["KP_8", "KP_7"], ["KP_0", "KP_3"]):
            record_turn(xs, watch, keys, before_frames=1, after_frames=4)
        still = settle(watch)
        w, h = watch.rect[2], watch.rect[3]
        shot = os.path.join(args.out, "voxra.png")
        write_png(shot, w, h, still)
        print("wrote %s" % shot)

        frames = record_turn(xs, watch, ["KP_4", "KP_7"])
        names = []
        for i, pixels in enumerate(frames):
            name = os.path.join(tmp, "frame%03d.png" % i)
            write_png(name, w, h, pixels)
            names.append(name)
        gif = os.path.join(args.out, "voxra-turn.gif")
        # 2/100 s a frame: the game's 60 Hz turn as closely as GIF allows;
        # the last frame stays a second before the loop starts again.
        subprocess.run([CONVERT, "-delay", "2"] + names[:-1] +
                       ["-delay", "100", names[-1], "-loop", "0", "-resize", "300x300",
                        "-layers", "Optimize", gif], check=True)
        print("wrote %s (%d frames)" % (gif, len(names)))
    finally:
        if game is not None:
            game.stop()
        xs.stop()
        shutil.rmtree(tmp, ignore_errors=True)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except xh.Failure as e:
        print("FAILED: %s" % e)
        sys.exit(1)
