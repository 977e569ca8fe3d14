"""Driving headless Chromium, for the page's end-to-end test, benchmark and
picture: the DevTools protocol over a pipe (the browser reads fd 3 and writes
fd 4, JSON messages ended by a NUL byte), tabs with a script run before each
document, keys by KeyboardEvent.code, touches and the mouse, dialogs accepted
as they open and kept, uncaught errors and unhandled rejections kept, and the
browser owned and ended with the caller's process."""

import ctypes
import fcntl
import json
import os
import signal
import subprocess
import tempfile

from drive.site import Failure, Tab

FLAGS = ["--headless", "--no-sandbox", "--use-gl=angle", "--use-angle=swiftshader",
         "--enable-unsafe-swiftshader", "--disable-background-timer-throttling"]
# Key, virtual-key number and modifier bit of the codes outside Numpad0.., KeyA.., Digit0.., F1..
NAMED = {"Escape": ("Escape", 27, 0), "ArrowLeft": ("ArrowLeft", 37, 0), "ArrowUp": ("ArrowUp", 38, 0),
         "ArrowRight": ("ArrowRight", 39, 0), "ArrowDown": ("ArrowDown", 40, 0), "AltLeft": ("Alt", 18, 1),
         "Semicolon": (";", 186, 0)}
_prctl = ctypes.CDLL("libc.so.6").prctl  # loaded before any fork


def _browser_side(reads, writes):
    """In the child: the pipe's ends to fds 3 and 4 (by way of copies above both); death with the caller."""
    copies = [fcntl.fcntl(fd, fcntl.F_DUPFD, 5) for fd in (reads, writes)]
    for fd, copy in zip((3, 4), copies):
        os.dup2(copy, fd)
        os.close(copy)
    _prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Browser:
    """Chromium with a private profile; leaving `with` kills it and removes the profile."""

    def __init__(self, *flags):
        self.profile = tempfile.TemporaryDirectory(prefix="cdrive-")
        reads, self._commands = os.pipe()
        self._replies, writes = os.pipe()
        self.proc = subprocess.Popen(
            ["/usr/bin/chromium", *FLAGS, *flags, "--remote-debugging-pipe",
             "--user-data-dir=" + self.profile.name], close_fds=False, start_new_session=True,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=lambda: _browser_side(reads, writes))
        os.close(reads), os.close(writes)
        self.pages, self._sent, self._data, self.http_cache = {}, 0, b"", True

    def __enter__(self):
        return self

    def __exit__(self, *_):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)  # the browser and its helpers
        except ProcessLookupError:  # all gone already
            pass
        self.proc.wait()
        self.profile.cleanup()

    def page(self, before=""):
        return Page(self, before)

    def _send(self, method, session, params):
        self._sent += 1
        message = {"id": self._sent, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        return self._sent

    def call(self, method, session=None, **params):
        """The result of a command, a tab's with its session; meanwhile dialogs are accepted as they open."""
        sent = self._send(method, session, params)
        while True:
            while b"\0" not in self._data:
                chunk = os.read(self._replies, 1 << 20)
                if not chunk:
                    raise Failure("Chromium ended (exit code %s) during %s" % (self.proc.poll(), method))
                self._data += chunk
            message, self._data = self._data.split(b"\0", 1)
            m = json.loads(message)
            if m.get("id") == sent:
                if "error" in m:
                    raise Failure("%s: %s" % (method, m["error"]["message"]))
                return m["result"]
            page = self.pages.get(m.get("sessionId"))
            if page and m.get("method") == "Page.javascriptDialogOpening":
                page.dialogs.append(m["params"]["message"])
                self._send("Page.handleJavaScriptDialog", page.session, {"accept": True})
            elif page and m.get("method") == "Runtime.exceptionThrown":
                e = m["params"]["exceptionDetails"]
                page.errors.append(e.get("exception", {}).get("description", e["text"]))


class Page(Tab):
    """A tab; `before` runs ahead of every document's own scripts; `dialogs` holds its dialogs' messages,
    `errors` its uncaught exceptions and unhandled rejections. Touch reaches it as touch once its screen
    is a phone's (`fingers`: how many at once; `cancels`: a touch can be cancelled)."""

    def __init__(self, browser, before=""):
        self.browser, self.dialogs, self.errors, self.modifiers = browser, [], [], 0
        self.fingers, self.cancels = 0, True
        self.target = browser.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = browser.call("Target.attachToTarget", targetId=self.target, flatten=True)["sessionId"]
        browser.pages[self.session] = self
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Page.addScriptToEvaluateOnNewDocument", source=before)

    def call(self, method, **params):
        return self.browser.call(method, self.session, **params)

    def goto(self, url):
        """Navigates; once it returns, the new document is the one evaluated (it may still be loading)."""
        self.call("Page.navigate", url=url)
        return self

    def eval(self, expression):
        """The value of a JavaScript expression, a promise's once settled."""
        r = self.call("Runtime.evaluate", expression=expression, awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in r:
            e = r["exceptionDetails"]
            raise Failure("in the page: %s" % e.get("exception", {}).get("description", e["text"]))
        return r["result"].get("value")

    def key(self, code, down=True):
        """A key pressed or released by its KeyboardEvent.code, with the modifiers held; "CODE=x"
        is the key at CODE labelled x by another layout (Dvorak's S: "Semicolon=s")."""
        code, _, label = code.partition("=")
        tail = code[-1]
        key, vk, bit = ((tail, 96 + int(tail), 0) if code.startswith("Numpad") else
                        (tail.lower(), ord(tail), 0) if code.startswith(("Key", "Digit")) else
                        (code, 111 + int(code[1:]), 0) if code[1:].isdigit() else NAMED[code])
        key, vk = (label, ord(label.upper())) if label else (key, vk)
        self.modifiers = self.modifiers | bit if down else self.modifiers & ~bit
        self.call("Input.dispatchKeyEvent", type="rawKeyDown" if down else "keyUp", code=code, key=key,
                  windowsVirtualKeyCode=vk, modifiers=self.modifiers,
                  location=3 if code.startswith("Numpad") else 1 if bit else 0)

    def screen(self, width, height, scale=1, touch=False):
        """The tab shown as a screen of width x height CSS pixels at `scale` device pixels each, a phone's
        (touch events, a coarse pointer, landscape when wider than high) when `touch`."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale,
                  mobile=touch, screenOrientation={"type": "landscapePrimary" if width > height else
                                                   "portraitPrimary", "angle": 90 if width > height else 0})
        self.call("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5 if touch else 1)
        self.fingers = 5 if touch else 0

    def touch(self, kind, *points):
        """A touch event: touchStart, touchMove (fingers at (x, y), in the order they landed), touchEnd or
        touchCancel (all fingers lifted)."""
        self.call("Input.dispatchTouchEvent", type=kind,
                  touchPoints=[{"x": x, "y": y, "id": n} for n, (x, y) in enumerate(points)])

    def mouse(self, kind, x, y):
        """The left button pressed (mousePressed) or released (mouseReleased), or the mouse moved, at (x, y)."""
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                  buttons=1 if kind != "mouseReleased" else 0, clickCount=1)

    def hide(self):
        """The page hidden behind another tab until it is hidden, then shown again; True (it can be)."""
        tab = self.browser.call("Target.createTarget", url="about:blank")["targetId"]
        self.wait("document.hidden", what="the page hidden by another tab")
        self.browser.call("Target.activateTarget", targetId=self.target)
        self.browser.call("Target.closeTarget", targetId=tab)
        return True

    def close(self):
        self.browser.call("Target.closeTarget", targetId=self.target)
        del self.browser.pages[self.session]
