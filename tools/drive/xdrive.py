"""Driving the game from outside, for the end-to-end tests, the benchmarks and
the README pictures: a private Xvfb with key repeat off, windows by name, keys
through XTest, pixels read back, and the program (the native build, or the
Windows build through a launcher under Wine) owned and ended with the caller's
process."""

import ctypes
import os
import signal
import subprocess
import threading
import time

from Xlib import X, XK, Xatom, display as xdisplay, error as xerror, protocol
from Xlib.ext import xtest


def _die_with_parent():
    """Child side: SIGKILL when the caller's process ends, so a killed or
    timed-out run leaves no X server or program behind."""
    try:
        ctypes.CDLL("libc.so.6").prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except OSError:
        pass
    os.setsid()


class Failure(Exception):
    """A check did not hold, or a measurement could not be made."""


def poll(predicate, timeout, interval=0.02, what="condition", detail=None):
    """Calls predicate until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s%s"
                          % (timeout, what, ": " + detail() if detail else ""))
        time.sleep(interval)


class XServer:
    """A private Xvfb with key repeat off."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=(write_fd,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()   # empty when Xvfb ends first
        if not number:
            raise Failure("Xvfb did not start")
        self.name = ":" + number
        self.d = xdisplay.Display(self.name)
        self.root = self.d.screen().root
        self.d.change_keyboard_control(auto_repeat_mode=X.AutoRepeatModeOff)
        code = self.keycode("Num_Lock")
        self._numlock_mask = [1 << i for i, codes in enumerate(self.d.get_modifier_mapping())
                              if code in codes][0]
        threading.Thread(target=self._window_states, daemon=True).start()

    def _window_states(self):
        """A window manager's one duty that Wine waits for (two seconds a window):
        WM_STATE follows mapping. The thread ends with the server."""
        try:
            d = xdisplay.Display(self.name)
            d.set_error_handler(lambda *args: None)  # windows may be gone already
            d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
            wm_state = d.intern_atom("WM_STATE")
            while True:
                if not d.pending_events():
                    time.sleep(0.002)
                    continue
                e = d.next_event()
                if e.type == X.MapNotify and not e.override:
                    e.window.change_property(wm_state, wm_state, 32, [1, 0])
                elif e.type == X.UnmapNotify:
                    e.window.change_property(wm_state, wm_state, 32, [0, 0])
                d.flush()
        except Exception:  # the server went away: nothing left to manage
            pass

    def stop(self):
        self.proc.kill()
        self.proc.wait()

    def keycode(self, name):
        """The keycode of an X keysym name ("Right", "s", "KP_6")."""
        code = self.d.keysym_to_keycode(XK.string_to_keysym(name))
        if not code:
            raise Failure("no key for keysym %r" % name)
        return code

    def press(self, *names, kind=X.KeyPress):
        for n in names if kind == X.KeyPress else reversed(names):
            xtest.fake_input(self.d, kind, self.keycode(n))
        self.d.sync()

    def release(self, *names):
        self.press(*names, kind=X.KeyRelease)

    def tap(self, *names, hold=0.12):
        """Holds the keys over several frames, so the idle pass sees them."""
        self.press(*names)
        time.sleep(hold)
        self.release(*names)

    def numlock(self):
        return bool(self.root.query_pointer().mask & self._numlock_mask)

    def set_numlock(self, on):
        if self.numlock() != on:
            self.tap("Num_Lock", hold=0.02)
            poll(lambda: self.numlock() == on, 2, what="NumLock %s" % on)

    def _name_of(self, win):
        try:
            prop = win.get_full_property(self.d.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
            name = prop.value if prop and prop.value else win.get_wm_name()
            return name.decode("utf-8", "replace") if isinstance(name, bytes) else name
        except xerror.XError:
            return None

    def add_mode(self, width, height):
        """Lists a display mode of width x height (60 Hz) beside the screen's
        own, so that a program can ask for it."""
        env = dict(os.environ, DISPLAY=self.name)
        name = "%dx%d" % (width, height)
        timing = [str(v) for v in (width + 16, width + 112, width + 160, height + 10,
                                   height + 12, height + 45)]
        clock = "%.2f" % ((width + 160) * (height + 45) * 60 / 1e6)
        subprocess.run(["xrandr", "--newmode", name, clock, str(width)] + timing[:3] +
                       [str(height)] + timing[3:], env=env, check=True)
        subprocess.run(["xrandr", "--addmode", "screen", name], env=env, check=True)

    def windows(self, name=None):
        """Viewable top-level windows and their children with a name (or the
        given one), as (window, name) pairs."""
        found = []

        def walk(win, depth):
            try:
                children = win.query_tree().children
            except xerror.XError:
                return
            for child in children:
                n = self._name_of(child)
                try:
                    if n and name in (None, n) and \
                            child.get_attributes().map_state == X.IsViewable:
                        found.append((child, n))
                except xerror.XError:
                    pass
                if depth < 1:
                    walk(child, depth + 1)
        walk(self.root, 0)
        return found

    def wait_window(self, name, timeout=20, proc=None):
        """The viewable window called `name`; fails early when `proc` ends."""
        def find():
            if proc is not None and proc.poll() is not None:
                raise Failure("program ended (exit code %s) before window %r appeared"
                              % (proc.returncode, name))
            ws = self.windows(name)
            return ws[0][0] if ws else None
        return poll(find, timeout, what="window %r" % name)

    def wait_gone(self, win, timeout=10):
        poll(lambda: win not in [w for w, _ in self.windows()], timeout, what="window to close")

    def geometry(self, win):
        """(x, y, width, height) of the window in root coordinates."""
        g = win.get_geometry()
        t = win.translate_coords(self.root, 0, 0)
        return (t.x, t.y, g.width, g.height)

    def place_on_screen(self, win):
        """Moves the window onto the screen, as a window manager would: Wine puts
        a window at (0, 0) with its frame, so its client area, off the screen."""
        x, y, _, _ = self.geometry(win)
        if x < 0 or y < 0:
            win.configure(x=max(0, x), y=max(0, y))
            poll(lambda: min(self.geometry(win)[:2]) >= 0, 5, what="window to move on screen")

    def focus(self, win):
        win.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.d.sync()

    def resize(self, win, width, height):
        """Gives the window a new client size, as a window manager would."""
        win.configure(width=width, height=height)
        poll(lambda: self.geometry(win)[2:] == (width, height), 5, what="window to resize")

    def iconify(self, win):
        """What a window manager does to minimise a window: WM_STATE iconic
        (Wine minimises on that, and deactivates once the focus goes),
        _NET_WM_STATE_HIDDEN (what SDL reads) and the focus gone. The window
        stays mapped: unmapped, _window_states would call it withdrawn before
        Wine read it as iconic."""
        self._wm_state(win, 3, ["_NET_WM_STATE_HIDDEN"])
        self.focus(self.root)

    def restore(self, win):
        """Undoes iconify: the window normal again and focused."""
        self._wm_state(win, 1, [])
        self.focus(win)

    def _wm_state(self, win, state, net_states):
        atom = self.d.intern_atom
        win.change_property(atom("WM_STATE"), atom("WM_STATE"), 32, [state, 0])
        win.change_property(atom("_NET_WM_STATE"), Xatom.ATOM, 32, [atom(n) for n in net_states])
        self.d.sync()

    def close(self, win):
        """What a window manager sends when the close box is clicked."""
        atom = self.d.intern_atom
        win.send_event(protocol.event.ClientMessage(
            window=win, client_type=atom("WM_PROTOCOLS"),
            data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        self.d.sync()

    def is_fullscreen_state(self, win):
        prop = win.get_full_property(self.d.intern_atom("_NET_WM_STATE"), Xatom.ATOM)
        return bool(prop) and self.d.intern_atom("_NET_WM_STATE_FULLSCREEN") in prop.value

    def grab(self, win, row=None):
        """The window's pixels on the screen (or one row of them): (width,
        height, bytes in B, G, R, X order)."""
        x, y, w, h = self.geometry(win)
        if row is not None:
            y, h = y + row, 1
        return w, h, self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data

    @staticmethod
    def colour_at(shot, px, py, radius=1):
        """Mean colour (r, g, b) of the (2r+1)^2 pixels around a point."""
        w, h, data = shot
        ks = [(y * w + x) * 4 for y in range(max(0, int(py) - radius), min(h, int(py) + radius + 1))
              for x in range(max(0, int(px) - radius), min(w, int(px) + radius + 1))]
        return tuple(sum(data[k + c] for k in ks) / len(ks) for c in (2, 1, 0))


class Program:
    """A program in a working folder on the server; with a launcher
    (cmake/wine-run.sh) the Windows build under Wine."""

    def __init__(self, xs, exe, workdir, launcher=None, wineprefix=None, env=None):
        self.launcher = launcher
        self.env = dict(os.environ, DISPLAY=xs.name, SDL_VIDEODRIVER="x11", **(env or {}))
        if launcher:
            self.env.update(VOXRA_WINEPREFIX=wineprefix, WINEPREFIX=wineprefix, WINEDEBUG="-all")
        self.proc = subprocess.Popen([launcher, exe] if launcher else [exe], cwd=workdir,
                                     env=self.env, stdin=subprocess.DEVNULL,
                                     preexec_fn=_die_with_parent)
        self.image = os.path.basename(exe).lower().encode()

    def wait_exit(self, timeout=15):
        """The exit code; death by a signal (a crash, a sanitizer's abort) fails."""
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("program still running %.0f s after it should have ended" % timeout)
        if code < 0:
            raise Failure("program killed by signal %d" % -code)
        return code

    def game_pid(self):
        """The program's process: under Wine the one of this session running
        the .exe."""
        if self.launcher:
            for pid in [self.proc.pid] + [int(p) for p in os.listdir("/proc") if p.isdigit()]:
                try:
                    with open("/proc/%d/cmdline" % pid, "rb") as f:
                        if os.getsid(pid) == self.proc.pid and self.image in f.read().lower():
                            return pid
                except OSError:
                    pass
        return self.proc.pid

    def stop(self):
        """Kills what still runs of the program, under Wine also the prefix's server."""
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        if self.launcher:
            for flag in ("-k", "-w"):
                subprocess.run(["wineserver", flag], env=self.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)


def usage(pid):
    """(resident memory in KiB, open descriptors) of a process."""
    with open("/proc/%d/status" % pid) as f:
        rss = int([line for line in f if line.startswith("VmRSS:")][0].split()[1])
    return rss, len(os.listdir("/proc/%d/fd" % pid))
