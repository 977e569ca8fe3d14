#!/usr/bin/python3
"""The measured-performance suite: runs every benchmark of one build (native
or Windows under Wine) and prints each figure beside its baseline from the
same run, with their ratio. Started by scripts/bench-all.sh, which builds
first.

    suite.py --build DIR [--wine --wineprefix DIR] [--seconds 10] [--trials 20]
             [--starts 5] [--callgrind] [--smoke]
    suite.py --compare NATIVE_FIGURES WINDOWS_FIGURES

Every figure a part should give is checked for: a missing one (a part that
failed, a figure that was renamed or lost) fails the run, with its name. The
figures are also written to DIR/figures.txt; --compare reads the two builds'
files of one bench-all run and prints native against Windows with the ratio.
--smoke: the same parts and checks at the smallest sizes (1 s of pacing, one
clear latency trial, one start, short loader and callgrind runs); values are not
checked.

Baselines:
- start-up, pacing, latency, CPU per frame of the game: the reference
  presenter (perf_reference: the same window layer, a clear per frame, exact
  60 Hz deadlines), observed the same way just before the game;
- ApplyLayerTurn / ApplyCubeTurn: copying the whole cube state;
- RenderFrame without the wait: an empty frame in the same window;
- the drawing / waiting / presenting split: the 16.667 ms frame;
- the loader: stb_image (and natively SDL) on the same files.
"""

import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile
import time

from drive import xdrive

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
PYTHON = sys.executable or "/usr/bin/python3"
TITLE = "Voxra - By Orvane v1.2"
REF_TITLE = "Voxra perf reference"
FIGURE = re.compile(r"^figure (\S+) (\S+) (\S+)(?: baseline (\S+) (\S+))?\s*$")

GOALS = {
    "frame_rate_hz": "goal 60.0 +- 0.1",
    "interval_dev_p99_ms": "goal <= 0.25",
    "latency_frames_max": "goal <= 2",
}
FORMATS = ("24bpp", "8bpp", "4bpp", "rle8")
# The figures each part gives; any one missing fails the run.
EXPECTED = {
    "core": ["apply_layer_turn_ns", "apply_cube_turn_ns"],
    "frame": ["render_frame_submit_ms", "render_frame_drawn_ms", "render_frame_presented_ms",
              "start_open_window_ms", "start_first_frame_drawn_ms",
              "start_first_frame_presented_ms"]
    + ["loop_%s_ms" % p for p in ("draw", "wait", "present", "draw_cpu", "wait_cpu",
                                  "present_cpu", "wait_thread_cpu", "timer_interval",
                                  "timer_late_p50", "timer_late_p99")],
    "loader": ["loader_%s_ms" % f for f in FORMATS],
    "dib_bench": ["dib_%s_ms" % f for f in FORMATS],
    "observed": ["startup_ms", "startup_ms_min", "startup_ms_max", "frame_rate_hz", "frames_counted",
                 "cpu_main_thread_ms_per_frame", "cpu_other_threads_ms_per_frame"]
    + ["%sinterval_dev_%s_ms" % (s, p) for s in ("", "server_") for p in ("p50", "p99", "max")]
    + ["latency_frames_max", "latency_frames_median", "latency_ms_median", "latency_ms_max",
       "latency_trials", "latency_ambiguous_reads"],
    "counts": ["layer_turn_instructions", "cube_turn_instructions"]
    + ["loader_%s_instructions" % f for f in FORMATS],
}
# Native against Windows: the in-process and observed figures of both builds.
COMPARED_SECTIONS = ("costs", "frame", "game")


class Suite:
    def __init__(self, args):
        self.args = args
        self.rows = []  # (section, name, value, unit, base_name, base_value)
        self.failures = []
        self.notes = []  # what the programs say of their GL context and process policy

    def launcher(self):
        return [os.path.join(ROOT, "cmake", "wine-run.sh")] if self.args.wine else []

    def exe(self, name):
        return os.path.join(self.args.build, name + (".exe" if self.args.wine else ""))

    def env(self):
        env = dict(os.environ)
        if self.args.wine:
            env["VOXRA_WINEPREFIX"] = env["WINEPREFIX"] = self.args.wineprefix
            env["WINEDEBUG"] = "-all"
        return env

    def run(self, section, cmd, display=False, timeout=600):
        """Runs one command, echoes its output, keeps its figure lines; with
        `display`, on a private Xvfb of its own."""
        print("$ " + " ".join(os.path.relpath(c, ROOT) if c.startswith(ROOT) else c for c in cmd))
        sys.stdout.flush()
        started = time.monotonic()
        env = self.env()
        xs = None
        try:
            if display:
                xs = xdrive.XServer()
                env["DISPLAY"] = xs.name
            p = subprocess.run(cmd, cwd=self.args.build, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, timeout=timeout, text=True)
        except subprocess.TimeoutExpired:
            self.failures.append("%s: timed out" % section)
            return {}
        except xdrive.Failure as e:
            self.failures.append("%s: %s" % (section, e))
            return {}
        finally:
            if xs is not None:
                if self.args.wine:  # Wine's own processes hold the display too
                    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=60)
                xs.stop()
        found = {}
        for line in p.stdout.splitlines():
            line = line.replace("\r", "")
            m = FIGURE.match(line)
            if m:
                name, value, unit, base, base_value = m.groups()
                found[name] = (float(value), unit, base, float(base_value) if base_value else None)
            elif line.strip():
                print("  " + line)
                if line.startswith(("context:", "policy:")):
                    self.notes.append("%s %s" % (section, line))
        print("  (%.1f s)" % (time.monotonic() - started))
        if p.returncode != 0:
            self.failures.append("%s: exit code %d" % (section, p.returncode))
        return found

    def add(self, section, found):
        for name, (value, unit, base, base_value) in found.items():
            self.rows.append((section, name, value, unit, base, base_value))

    def expect(self, part, found, what=None):
        """Fails the run for each figure of `part` not in `found`."""
        for name in EXPECTED[part]:
            if name not in found:
                self.failures.append("%s: no figure %s" % (what or part, name))

    # -- the parts -----------------------------------------------------------

    def in_process(self):
        core = self.run("core", self.launcher() + [self.exe("perf_bench"), "core"]
                        + (["200"] if self.args.smoke else []))
        self.expect("core", core)
        self.add("costs", core)
        loop_seconds = "1" if self.args.smoke else "5"
        frame = self.run("frame", self.launcher() + [self.exe("perf_bench"), "frame",
                                                     loop_seconds], display=True)
        self.expect("frame", frame)
        self.add("frame", frame)
        loader = self.run("loader", self.launcher() + [self.exe("perf_bench"), "loader"]
                          + (["1"] if self.args.smoke else []))
        self.expect("loader", loader)
        self.add("loader", loader)
        if not self.args.wine:
            min_time = "0.01" if self.args.smoke else "0.3"
            dib = self.run("dib_bench", [self.exe("dib_bench"), "--benchmark_min_time=" + min_time])
            self.expect("dib_bench", dib)
            self.add("loader", dib)

    def observed(self):
        common = ["--workdir", self.args.build, "--seconds", str(self.args.seconds),
                  "--trials", str(self.args.trials), "--starts", str(self.args.starts)]
        if self.args.wine:
            common += ["--launcher", self.launcher()[0], "--wineprefix", self.args.wineprefix]
        observe = [PYTHON, "-m", "drive.observe"]  # tools/ is on PYTHONPATH
        ref = self.run("reference", observe + ["--exe", self.exe("perf_reference"),
                                     "--title", REF_TITLE, "--hold", "s", "--key", "Right"]
                       + common, timeout=900)
        game = self.run("game", observe + ["--exe", self.exe("voxra"), "--title", TITLE,
                                 "--hold", "s", "--key", "Right"] + common, timeout=900)
        self.expect("observed", ref, "reference")
        self.expect("observed", game, "game")
        for name, (value, unit, _, _) in game.items():
            base = ref.get(name)
            self.rows.append(("game", name, value, unit, "reference" if base else None,
                              base[0] if base else None))

    def callgrind(self):
        """Instruction counts (repeatable where time is not)."""
        files = tempfile.mkdtemp(prefix="voxra-perf-files-")
        subprocess.run([self.exe("perf_bench"), "files", files], stdout=subprocess.DEVNULL,
                       check=True)

        def count(*op):
            p = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                                "--toggle-collect=CountedRun", self.exe("perf_bench"), "count"]
                               + list(op), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                               text=True, timeout=600)
            m = re.search(r"Collected : (\d+)", p.stderr)
            return int(m.group(1)) if m else None
        print("$ valgrind --tool=callgrind --toggle-collect=CountedRun perf_bench count ...")
        sys.stdout.flush()
        started = time.monotonic()
        n = 10 if self.args.smoke else 1000
        # Counts do not depend on load: every run at once, one per core.
        runs = [("copy", "", str(n)), ("layer", "", str(n)), ("cube", "", str(n))]
        runs += [(r, os.path.join(files, fmt + ".bmp"), "1") for fmt in FORMATS
                 for r in ("voxra", "stb", "sdl")]
        with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 1) as pool:
            counted = dict(zip(runs, pool.map(lambda op: count(*op), runs)))
        copy = counted[runs[0]]
        for op in ("layer", "cube"):
            c = counted[(op, "", str(n))]
            if c is not None and copy:
                self.rows.append(("counts", "%s_turn_instructions" % op, c / float(n), "Ir",
                                  "state_copy", copy / float(n)))
        for fmt in FORMATS:
            path = os.path.join(files, fmt + ".bmp")
            got = {r: counted[(r, path, "1")] for r in ("voxra", "stb", "sdl")}
            others = {r: v for r, v in got.items() if r != "voxra" and v}
            # stb_image reads no RLE8: its count there is its refusal.
            if fmt == "rle8":
                others.pop("stb", None)
            if got["voxra"] and others:
                best = min(others, key=others.get)
                self.rows.append(("counts", "loader_%s_instructions" % fmt, float(got["voxra"]),
                                  "Ir", best, float(others[best])))
        subprocess.run(["rm", "-rf", files])
        print("  (%.1f s)" % (time.monotonic() - started))
        self.expect("counts", {r[1] for r in self.rows if r[0] == "counts"}, "callgrind")

    # -- report --------------------------------------------------------------

    def report(self, title):
        print()
        print("== %s ==" % title)
        for note in self.notes:
            print(note)
        print("%-8s %-32s %14s   %-26s %8s" % ("part", "figure", "value", "baseline", "ratio"))
        for section, name, value, unit, base, base_value in self.rows:
            shown = "%.4g %s" % (value, unit)
            if base_value is not None:
                base_shown = "%s %.4g" % (base, base_value)
                ratio = "%.3f" % (value / base_value) if base_value else "-"
            else:
                base_shown, ratio = "-", "-"
            goal = GOALS.get(name, "") if section == "game" else ""
            print("%-8s %-32s %14s   %-26s %8s  %s" % (section, name, shown, base_shown, ratio,
                                                       goal))
        for f in self.failures:
            print("FAILED: %s" % f)

    def save(self, path):
        """section name value unit, one figure a line, for --compare."""
        with open(path, "w") as f:
            for section, name, value, unit, _, _ in self.rows:
                f.write("%s %s %.6g %s\n" % (section, name, value, unit))


def read_figures(path):
    """{(section, name): (value, unit)} of a figures file; {} when missing."""
    out = {}
    try:
        with open(path) as f:
            for line in f:
                section, name, value, unit = line.split()
                out[(section, name)] = (float(value), unit)
    except OSError:
        pass
    return out


def compare(native_path, windows_path):
    """Prints the figures both builds gave in one run, native / Windows."""
    native, windows = read_figures(native_path), read_figures(windows_path)
    print("== native against the Windows build under Wine, same run ==")
    print("%-8s %-32s %14s %14s %8s" % ("part", "figure", "native", "Windows", "ratio"))
    shown = 0
    for key, (value, unit) in native.items():
        if key[0] not in COMPARED_SECTIONS or key not in windows:
            continue
        other = windows[key][0]
        ratio = "%.3f" % (value / other) if other else "-"
        goal = "goal <= 1" if key[1] == "render_frame_drawn_ms" else ""
        print("%-8s %-32s %14s %14s %8s  %s" % (key[0], key[1], "%.4g %s" % (value, unit),
                                               "%.4g %s" % (other, unit), ratio, goal))
        shown += 1
    if not shown:
        print("FAILED: no figure of both builds (%s, %s)" % (native_path, windows_path))
        return 1
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build")
    ap.add_argument("--compare", nargs=2, metavar=("NATIVE_FIGURES", "WINDOWS_FIGURES"))
    ap.add_argument("--smoke", action="store_true")
    ap.add_argument("--wine", action="store_true")
    ap.add_argument("--wineprefix")
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--trials", type=int, default=20)
    ap.add_argument("--starts", type=int, default=5, help="starts of each program for start-up")
    ap.add_argument("--callgrind", action="store_true")
    ap.add_argument("--title", default=None)
    args = ap.parse_args()
    if args.compare:
        return compare(*args.compare)
    if not args.build:
        ap.error("--build or --compare is needed")
    if args.smoke:
        args.seconds, args.trials, args.starts = 1.0, 1, 1
    args.build = os.path.abspath(args.build)
    suite = Suite(args)
    suite.in_process()
    suite.observed()
    if args.callgrind:
        suite.callgrind()
    suite.report(args.title or ("Windows build under Wine" if args.wine else "native build"))
    suite.save(os.path.join(args.build, "figures.txt"))
    return 1 if suite.failures else 0


if __name__ == "__main__":
    sys.exit(main())
