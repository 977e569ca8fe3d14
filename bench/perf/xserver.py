"""What the measured-performance suite needs of an X server, kept here so that
the benchmarks depend on nothing under tests/: a private Xvfb with key repeat
off, the program's window by name, keys through XTest, and the program (the
native build, or the Windows build through a launcher under Wine) owned and
ended with the suite's process."""

import ctypes
import os
import signal
import subprocess
import threading
import time

from Xlib import X, XK, display as xdisplay, error as xerror
from Xlib.ext import xtest


def _die_with_parent():
    """Child side: SIGKILL when the observing process ends, so a killed or
    timed-out run leaves no X server or program behind."""
    try:
        ctypes.CDLL("libc.so.6").prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except OSError:
        pass
    os.setsid()


class Failure(Exception):
    """A measurement could not be made."""


def poll(predicate, timeout, interval=0.02, what="condition"):
    """Calls predicate until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class XServer:
    """A private Xvfb (24-bit, 1024 x 768) with key repeat off."""

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
        """The one duty of a window manager that Wine waits for (two seconds a
        window): WM_STATE follows mapping. Ends with the server."""
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
        """The keycode of an X keysym name ("Right", "space", "KP_6")."""
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

    def numlock(self):
        return bool(self.root.query_pointer().mask & self._numlock_mask)

    def set_numlock(self, on):
        if self.numlock() != on:
            self.press("Num_Lock")
            time.sleep(0.02)
            self.release("Num_Lock")
            poll(lambda: self.numlock() == on, 2, what="NumLock %s" % on)

    def _name_of(self, win):
        try:
            prop = win.get_full_property(self.d.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
            name = prop.value if prop and prop.value else win.get_wm_name()
            return name.decode("utf-8", "replace") if isinstance(name, bytes) else name
        except xerror.XError:
            return None

    def _find(self, name):
        """A viewable top-level window called `name`, or such a child of one
        (Wine names its client window)."""
        def walk(win, depth):
            try:
                children = win.query_tree().children
            except xerror.XError:
                return None
            for child in children:
                try:
                    if self._name_of(child) == name and \
                            child.get_attributes().map_state == X.IsViewable:
                        return child
                except xerror.XError:
                    pass
                found = walk(child, depth + 1) if depth < 1 else None
                if found is not None:
                    return found
            return None
        return walk(self.root, 0)

    def wait_window(self, name, timeout, proc=None):
        """The viewable window called `name`; fails early when `proc` ends."""
        def find():
            if proc is not None and proc.poll() is not None:
                raise Failure("program ended (exit code %s) before window %r appeared"
                              % (proc.returncode, name))
            return self._find(name)
        return poll(find, timeout, what="window %r" % name)

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


class Program:
    """A program in a working folder on the server; with a launcher
    (cmake/wine-run.sh) the Windows build under Wine."""

    def __init__(self, xs, exe, workdir, launcher=None, wineprefix=None):
        self.launcher = launcher
        self.env = dict(os.environ, DISPLAY=xs.name, SDL_VIDEODRIVER="x11")
        if launcher:
            self.env.update(VOXRA_WINEPREFIX=wineprefix, WINEPREFIX=wineprefix, WINEDEBUG="-all")
        self.proc = subprocess.Popen([launcher, exe] if launcher else [exe], cwd=workdir,
                                     env=self.env, stdin=subprocess.DEVNULL,
                                     preexec_fn=_die_with_parent)
        self.image = os.path.basename(exe).lower().encode()

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
