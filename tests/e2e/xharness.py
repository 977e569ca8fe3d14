"""Drives a real program on a private X server: finds its windows by name,
presses keys through XTest, reads pixels back, and owns the process.

Every test gets its own Xvfb, so tests never see each other's windows, focus
or NumLock state, and nothing of the caller's display is touched.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import threading
import time

from Xlib import X, XK, Xatom, display as xdisplay, error as xerror, protocol
from Xlib.ext import xtest


def _die_with_parent():
    """Child side: the child gets SIGKILL when the suite's process ends, so a
    killed or timed-out test leaves no X server or game behind."""
    try:
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except OSError:
        pass
    os.setsid()


class Failure(Exception):
    """A check of the suite did not hold."""


def poll(predicate, timeout, interval=0.02, what="condition"):
    """Calls predicate until it returns something true; returns that value.
    Raises Failure naming `what` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class XServer:
    """A private Xvfb with key repeat off and NumLock in a known state."""

    def __init__(self, width=1024, height=768):
        xvfb = shutil.which("Xvfb")
        if not xvfb:
            raise FileNotFoundError("Xvfb")
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            [xvfb, "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.proc.poll() is not None:
                os.close(read_fd)
                self.stop()
                raise Failure("Xvfb did not start")
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        self.name = ":" + number.decode().strip()
        self.d = xdisplay.Display(self.name)
        self.root = self.d.screen().root
        self.d.change_keyboard_control(auto_repeat_mode=X.AutoRepeatModeOff)
        self.d.sync()
        self._numlock_mask = self._find_numlock_mask()
        self._wm = threading.Thread(target=self._window_states, daemon=True)
        self._wm_stop = False
        self._wm.start()

    def _window_states(self):
        """The one duty of a window manager that programs wait for: WM_STATE
        follows mapping and unmapping. Wine waits up to two seconds for it on
        every window it shows or hides when no window manager runs."""
        d = xdisplay.Display(self.name)
        d.set_error_handler(lambda *args: None)  # windows may be gone already
        root = d.screen().root
        root.change_attributes(event_mask=X.SubstructureNotifyMask)
        wm_state = d.intern_atom("WM_STATE")
        d.sync()
        try:
            while not self._wm_stop:
                if not d.pending_events():
                    time.sleep(0.002)
                    continue
                e = d.next_event()
                if e.type == X.MapNotify and not e.override:
                    e.window.change_property(wm_state, wm_state, 32, [1, 0])
                elif e.type == X.UnmapNotify:
                    e.window.change_property(wm_state, wm_state, 32, [0, 0])
                d.flush()
            d.close()
        except Exception:  # the server went away: nothing left to manage
            pass

    def stop(self):
        self._wm_stop = True
        if getattr(self, "_wm", None):
            self._wm.join(2)
        try:
            if getattr(self, "d", None):
                self.d.close()
        except Exception:
            pass
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    # -- keys ----------------------------------------------------------------

    def keycode(self, name):
        sym = XK.string_to_keysym(name)
        code = self.d.keysym_to_keycode(sym)
        if not code:
            raise Failure("no keycode for %s" % name)
        return code

    def press(self, *names):
        for n in names:
            xtest.fake_input(self.d, X.KeyPress, self.keycode(n))
        self.d.sync()

    def release(self, *names):
        for n in reversed(names):
            xtest.fake_input(self.d, X.KeyRelease, self.keycode(n))
        self.d.sync()

    def tap(self, *names, hold=0.12):
        """Presses the keys together, holds them, releases them. The hold spans
        several frames, so the program's idle pass sees the keys down."""
        self.press(*names)
        time.sleep(hold)
        self.release(*names)

    def _find_numlock_mask(self):
        code = self.keycode("Num_Lock")
        for index, codes in enumerate(self.d.get_modifier_mapping()):
            if code in codes:
                return 1 << index
        raise Failure("Num_Lock is on no modifier")

    def numlock(self):
        return bool(self.root.query_pointer().mask & self._numlock_mask)

    def set_numlock(self, on):
        if self.numlock() != on:
            self.tap("Num_Lock", hold=0.02)
            poll(lambda: self.numlock() == on, 2, what="NumLock %s" % ("on" if on else "off"))

    # -- windows -------------------------------------------------------------

    def _name_of(self, win):
        try:
            prop = win.get_full_property(self.d.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
            if prop and prop.value:
                v = prop.value
                return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
            name = win.get_wm_name()
            if isinstance(name, bytes):
                name = name.decode("latin-1")
            return name
        except xerror.XError:
            return None

    def windows(self, name=None, viewable=True):
        """Top-level windows (and their children) with a name, as (window,
        name) pairs; only those mapped and viewable unless viewable=False."""
        found = []

        def walk(win, depth):
            try:
                children = win.query_tree().children
            except xerror.XError:
                return
            for child in children:
                n = self._name_of(child)
                if n is not None and n != "" and (name is None or n == name):
                    try:
                        ok = (not viewable or
                              child.get_attributes().map_state == X.IsViewable)
                    except xerror.XError:
                        ok = False
                    if ok:
                        found.append((child, n))
                if depth < 1:
                    walk(child, depth + 1)

        walk(self.root, 0)
        return found

    def wait_window(self, name, timeout=20, proc=None):
        """The one viewable window called `name`; fails early when `proc`
        ends first."""
        def find():
            if proc is not None and proc.poll() is not None:
                raise Failure("program ended (exit code %s) before window %r appeared"
                              % (proc.returncode, name))
            ws = self.windows(name)
            return ws[0][0] if ws else None
        return poll(find, timeout, what="window %r" % name)

    def wait_gone(self, win, timeout=10):
        def gone():
            try:
                return win.get_attributes().map_state != X.IsViewable
            except xerror.XError:
                return True
        poll(gone, timeout, what="window to close")

    def names(self):
        return sorted(n for _, n in self.windows())

    def geometry(self, win):
        """(x, y, width, height) of the window in root coordinates."""
        g = win.get_geometry()
        t = win.translate_coords(self.root, 0, 0)
        return (t.x, t.y, g.width, g.height)

    def place_on_screen(self, win):
        """Moves a window that sticks out of the screen fully onto it, as a
        window manager would: Wine puts the client area of a window created
        at (0, 0) above and left of the screen by the frame's size."""
        x, y, w, h = self.geometry(win)
        if x >= 0 and y >= 0:
            return
        nx, ny = max(0, x), max(0, y)
        win.configure(x=nx, y=ny)
        self.d.sync()
        poll(lambda: self.geometry(win)[:2] == (nx, ny), 5, what="window to move on screen")

    def focus(self, win):
        win.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.d.sync()

    def close(self, win):
        """What a window manager sends when the close box is clicked."""
        protocols = self.d.intern_atom("WM_PROTOCOLS")
        delete = self.d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(
            window=win, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        win.send_event(event)
        self.d.sync()

    def is_fullscreen_state(self, win):
        prop = win.get_full_property(self.d.intern_atom("_NET_WM_STATE"), Xatom.ATOM)
        return bool(prop) and self.d.intern_atom("_NET_WM_STATE_FULLSCREEN") in prop.value

    # -- pixels --------------------------------------------------------------

    def grab(self, win):
        """The window's pixels as seen on the screen: (width, height, bytes
        in B, G, R, X order)."""
        x, y, w, h = self.geometry(win)
        img = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF)
        if len(img.data) != w * h * 4:
            raise Failure("unexpected image format (%d bytes for %dx%d)" % (len(img.data), w, h))
        return w, h, img.data

    @staticmethod
    def colour_at(shot, px, py, radius=1):
        """Mean colour (r, g, b) of the (2r+1)^2 pixels around a point."""
        w, h, data = shot
        cx, cy = int(px), int(py)
        acc = [0, 0, 0]
        n = 0
        for yy in range(max(0, cy - radius), min(h, cy + radius + 1)):
            for xx in range(max(0, cx - radius), min(w, cx + radius + 1)):
                k = (yy * w + xx) * 4
                acc[0] += data[k + 2]
                acc[1] += data[k + 1]
                acc[2] += data[k]
                n += 1
        if n == 0:
            raise Failure("point (%.0f, %.0f) outside the %dx%d window" % (px, py, w, h))
        return tuple(a / n for a in acc)


class Program:
    """The game, started in a working folder on a given X server. With a
    launcher (cmake/wine-run.sh) the executable runs under Wine in a prefix
    of the suite's own."""

    def __init__(self, xs, exe, workdir, launcher=None, wineprefix=None):
        self.xs = xs
        self.launcher = launcher
        self.wineprefix = wineprefix
        env = dict(os.environ)
        env["DISPLAY"] = xs.name
        for k in ("SDL_VIDEODRIVER", "WAYLAND_DISPLAY"):
            env.pop(k, None)
        if launcher:
            env["VOXRA_WINEPREFIX"] = wineprefix
            env["WINEPREFIX"] = wineprefix
            env["WINEDEBUG"] = "-all"
            cmd = [launcher, exe]
        else:
            cmd = [exe]
        self.env = env
        self.started = time.monotonic()
        self.proc = subprocess.Popen(cmd, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                     preexec_fn=_die_with_parent)

    def exited(self):
        return self.proc.poll() is not None

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("program still running %.0f s after it should have ended" % timeout)

    def game_pid(self):
        """The process that runs the game: the started process itself; under
        Wine the loader process that turned into voxra.exe."""
        pid = self.proc.pid
        if not self.launcher:
            return pid
        for cand in [pid] + _descendants(pid):
            try:
                with open("/proc/%d/cmdline" % cand, "rb") as f:
                    if b"voxra.exe" in f.read().lower():
                        return cand
            except OSError:
                pass
        return pid

    def stop(self):
        """Ends the program if it still runs (its whole process group), and
        under Wine the prefix's server with the helpers it started."""
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(self.proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.proc.wait()
        if self.launcher:
            ws = shutil.which("wineserver")
            if ws:
                env = dict(self.env)
                subprocess.run([ws, "-k"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)
                subprocess.run([ws, "-w"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)


def _descendants(pid):
    out = []
    try:
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open("/proc/%s/stat" % entry) as f:
                        fields = f.read().rsplit(")", 1)[1].split()
                    if int(fields[1]) == pid:
                        out.append(int(entry))
                        out.extend(_descendants(int(entry)))
                except (OSError, IndexError, ValueError):
                    pass
    except OSError:
        pass
    return out


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def open_fds(pid):
    return len(os.listdir("/proc/%d/fd" % pid))
