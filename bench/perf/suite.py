#!/usr/bin/python3
"""The measured-performance suite: runs every benchmark of one build (native
or Windows under Wine) and prints each figure beside its baseline from the
same run, with their ratio. Started by scripts/bench-all.sh, which builds
first.

    suite.py --build DIR [--wine --wineprefix DIR] [--seconds 10] [--trials 20]
             [--callgrind]

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
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
PYTHON = sys.executable or "/usr/bin/python3"
TITLE = "Voxra - By Orvane v1.2"
REF_TITLE = "Voxra perf reference"
FIGURE = re.compile(r"^figure (\S+) (\S+) (\S+)(?: baseline (\S+) (\S+))?\s*$")

GOALS = {
    "frame_rate_hz": "goal 60.0 +- 0.1",
    "interval_dev_p99_ms": "goal <= 0.25",
    "latency_frames_max": "goal <= 2",
}


class Suite:
    def __init__(self, args):
        self.args = args
        self.rows = []  # (section, name, value, unit, base_name, base_value)
        self.failures = []

    def launcher(self):
        return [os.path.join(ROOT, "cmake", "wine-run.sh")] if self.args.wine else []

    def exe(self, name):
        return os.path.join(self.args.build, name + (".exe" if self.args.wine else ""))

    def env(self):
        env = dict(os.environ)
        if self.args.wine:
            env["VOXRA_WINEPREFIX"] = self.args.wineprefix
            env["WINEDEBUG"] = "-all"
        return env

    def run(self, section, cmd, display=False, timeout=600):
        """Runs one command, echoes its output, keeps its figure lines."""
        if display:
            cmd = [os.path.join(ROOT, "scripts", "with-display.sh")] + cmd
        print("$ " + " ".join(os.path.relpath(c, ROOT) if c.startswith(ROOT) else c for c in cmd))
        sys.stdout.flush()
        try:
            p = subprocess.run(cmd, cwd=self.args.build, env=self.env(), stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, timeout=timeout, text=True)
        except subprocess.TimeoutExpired:
            self.failures.append("%s: timed out" % section)
            return {}
        found = {}
        for line in p.stdout.splitlines():
            line = line.replace("\r", "")
            m = FIGURE.match(line)
            if m:
                name, value, unit, base, base_value = m.groups()
                found[name] = (float(value), unit, base, float(base_value) if base_value else None)
            elif line.strip():
                print("  " + line)
        if p.returncode != 0:
            self.failures.append("%s: exit code %d" % (section, p.returncode))
        return found

    def add(self, section, found):
        for name, (value, unit, base, base_value) in found.items():
            self.rows.append((section, name, value, unit, base, base_value))

    # -- the parts -----------------------------------------------------------

    def in_process(self):
        self.add("costs", self.run("core", self.launcher() + [self.exe("perf_bench"), "core"]))
        self.add("frame", self.run("frame", self.launcher() + [self.exe("perf_bench"), "frame",
                                                              "5"], display=True))
        self.add("loader", self.run("loader", self.launcher() + [self.exe("perf_bench"), "loader"]))
        if not self.args.wine and os.path.exists(self.exe("dib_bench")):
            self.add("loader", self.run("dib_bench", [self.exe("dib_bench"),
                                                      "--benchmark_min_time=0.3"]))

    def observed(self):
        common = ["--workdir", self.args.build, "--seconds", str(self.args.seconds),
                  "--trials", str(self.args.trials)]
        if self.args.wine:
            common += ["--launcher", self.launcher()[0], "--wineprefix", self.args.wineprefix]
        observe = os.path.join(HERE, "observe.py")
        ref = self.run("reference", [PYTHON, observe, "--exe", self.exe("perf_reference"),
                                     "--title", REF_TITLE, "--hold", "space", "--key", "space"]
                       + common, timeout=900)
        game = self.run("game", [PYTHON, observe, "--exe", self.exe("voxra"), "--title", TITLE,
                                 "--hold", "s", "--key", "Right"] + common, timeout=900)
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
        n = 1000
        copy = count("copy", "", str(n))
        for op in ("layer", "cube"):
            c = count(op, "", str(n))
            if c is not None and copy:
                self.rows.append(("counts", "%s_turn_instructions" % op, c / float(n), "Ir",
                                  "state_copy", copy / float(n)))
        for fmt in ("24bpp", "8bpp", "4bpp", "rle8"):
            path = os.path.join(files, fmt + ".bmp")
            got = {r: count(r, path, "1") for r in ("voxra", "stb", "sdl")}
            others = {r: v for r, v in got.items() if r != "voxra" and v}
            # stb_image reads no RLE8: its count there is its refusal.
            if fmt == "rle8":
                others.pop("stb", None)
            if got["voxra"] and others:
                best = min(others, key=others.get)
                self.rows.append(("counts", "loader_%s_instructions" % fmt, float(got["voxra"]),
                                  "Ir", best, float(others[best])))
        subprocess.run(["rm", "-rf", files])

    # -- report --------------------------------------------------------------

    def report(self, title):
        print()
        print("== %s ==" % title)
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


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", required=True)
    ap.add_argument("--wine", action="store_true")
    ap.add_argument("--wineprefix")
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--trials", type=int, default=20)
    ap.add_argument("--callgrind", action="store_true")
    ap.add_argument("--title", default=None)
    args = ap.parse_args()
    args.build = os.path.abspath(args.build)
    suite = Suite(args)
    suite.in_process()
    suite.observed()
    if args.callgrind:
        suite.callgrind()
    suite.report(args.title or ("Windows build under Wine" if args.wine else "native build"))
    return 1 if suite.failures else 0


if __name__ == "__main__":
    sys.exit(main())
