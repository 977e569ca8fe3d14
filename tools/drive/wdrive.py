"""Driving Firefox ESR and WebKitGTK's MiniBrowser, for the page's end-to-end test and benchmark: W3C
WebDriver, over Marionette's TCP protocol to Firefox (Debian ships no geckodriver) or over HTTP to
WebKitWebDriver, each browser a window on a private Xvfb (neither has WebGL headless here), owned and
ended with the caller's process. The page offers what cdrive's does, as far as WebDriver can: scripts
evaluated, keys and pointers (mouse or touch) by WebDriver's actions, dialogs accepted and kept as they
block a command, the window sized to a given viewport, uncaught errors from site.py's recorder."""

import ctypes
import glob
import json
import os
import signal
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

from drive.site import Failure, Tab

MINIBROWSER = (glob.glob("/usr/lib/*/webkit2gtk-4.1/MiniBrowser") + [""])[0]  # WebKitGTK's own
SCREEN = "2400x1400x24"  # 1920 x 1080 with either browser's window frame
# WebDriver's code points of the keys outside KeyA.., Digit0..; NumpadN and FN are counted from theirs.
NAMED = {"Escape": "\ue00c", "ArrowLeft": "\ue012", "ArrowUp": "\ue013", "ArrowRight": "\ue014",
         "ArrowDown": "\ue015", "AltLeft": "\ue00a", "Semicolon": ";"}
# The commands used, as the HTTP server's routes under /session/ID/ (Marionette names them WebDriver:NAME).
ROUTES = {"Navigate": ("POST", "url"), "ExecuteAsyncScript": ("POST", "execute/async"),
          "PerformActions": ("POST", "actions"), "ReleaseActions": ("DELETE", "actions"),
          "GetAlertText": ("GET", "alert/text"), "AcceptAlert": ("POST", "alert/accept"),
          "SetWindowRect": ("POST", "window/rect"), "GetWindowRect": ("GET", "window/rect"),
          "SetTimeouts": ("POST", "timeouts"), "DeleteSession": ("DELETE", ""),
          "GetWindowHandle": ("GET", "window"), "NewWindow": ("POST", "window/new"),
          "SwitchToWindow": ("POST", "window"), "CloseWindow": ("DELETE", "window")}
# An expression's value as [value], or [null, what it threw]; null alone: a dialog stopped the script.
EVAL = """const done = arguments[arguments.length - 1];
(async () => (%s))().then((v) => done([v === undefined ? null : v]),
                          (e) => done([null, e + (e && e.stack ? ' at ' + e.stack : '')]));"""
_prctl = ctypes.CDLL("libc.so.6").prctl  # loaded before any fork


def _value(code):
    """WebDriver's key value of a KeyboardEvent.code."""
    tail = code[-1]
    return (chr(0xE01A + int(tail)) if code.startswith("Numpad") else
            tail.lower() if code.startswith(("Key", "Digit")) else
            chr(0xE030 + int(code[1:])) if code[1:].isdigit() else NAMED[code])


class Refused(Failure):
    """An error answer of the driver: `error` is WebDriver's name for it."""

    def __init__(self, error, message):
        super().__init__("%s: %s" % (error, message))
        self.error = error


def _owned():
    """In a child: a process group of its own, and death with the caller."""
    os.setsid()
    _prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _connect(port, proc, what):
    deadline = time.monotonic() + 60
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port))
        except OSError:
            if proc.poll() is not None or time.monotonic() > deadline:
                raise Failure("%s did not listen on port %d (exit code %s)" % (what, port, proc.poll()))
            time.sleep(0.1)


class Marionette:
    """Firefox's own protocol: JSON messages framed as LEN:JSON; the server greets first; commands
    [0, id, name, params] are answered [1, id, error, result]."""

    def __init__(self, port, proc):
        self._socket = _connect(port, proc, "Firefox")
        self._in, self._sent = self._socket.makefile("rb"), 0
        self._read()  # the greeting

    def _read(self):
        length = b""
        while (c := self._in.read(1)) != b":":
            if not c:
                raise Failure("Firefox closed its Marionette connection")
            length += c
        return json.loads(self._in.read(int(length)))

    def __call__(self, name, params=None):
        self._sent += 1
        message = json.dumps([0, self._sent, name if ":" in name else "WebDriver:" + name, params or {}])
        self._socket.sendall(b"%d:%s" % (len(message), message.encode()))
        while (reply := self._read())[1] != self._sent:
            pass
        if reply[2]:
            raise Refused(reply[2]["error"], reply[2]["message"])
        return reply[3].get("value") if isinstance(reply[3], dict) and "value" in reply[3] else reply[3]


class Http:
    """W3C WebDriver over HTTP, one session: a command's route under /session/ID/, its result's value."""

    def __init__(self, port, proc):
        _connect(port, proc, "WebKitWebDriver").close()
        self._base = "http://127.0.0.1:%d/session" % port

    def __call__(self, name, params=None):
        method, path = ROUTES.get(name, ("POST", ""))
        url = self._base + ("/%s/%s" % (self.session, path) if name != "NewSession" else "")
        body = json.dumps(params or {}).encode() if method == "POST" else None
        request = urllib.request.Request(url.rstrip("/"), body, {"Content-Type": "application/json"},
                                         method=method)
        try:
            with urllib.request.urlopen(request, timeout=300) as r:
                value = json.loads(r.read())["value"]
        except urllib.error.HTTPError as e:
            value = json.loads(e.read())["value"]
            raise Refused(value["error"], value["message"])
        except TimeoutError:
            raise Failure("WebKitWebDriver did not answer %s in 300 s" % name)
        if name == "NewSession":
            self.session = value["sessionId"]
        return value


class Browser:
    """`engine` ("firefox" or "webkit") in a window on a private Xvfb with its driver, without WebGL when
    `webgl` is False; leaving `with` ends both, the X server and the profile."""

    def __init__(self, engine, webgl=True):
        self.engine, self.folder = engine, tempfile.TemporaryDirectory(prefix="wdrive-")
        self.http_cache = engine != "webkit"  # WebKitGTK's automation session keeps none
        self.procs, self.chrome = [], (0, 0)
        reads, writes = os.pipe()
        self._start(["Xvfb", "-displayfd", str(writes), "-screen", "0", SCREEN, "-nolisten", "tcp"],
                    pass_fds=(writes,))
        os.close(writes)
        with os.fdopen(reads) as f:
            display = f.readline().strip()
        if not display:
            raise Failure("Xvfb did not start")
        env, port = dict(os.environ, DISPLAY=":" + display, LIBGL_ALWAYS_SOFTWARE="1"), _free_port()
        # Dialogs left open for Page.call; navigation waits for the load event ("eager" loses WebKitWebDriver
        # a command now and then).
        capabilities = {"unhandledPromptBehavior": "ignore", "pageLoadStrategy": "normal"}
        if engine == "firefox":
            with open(self.folder.name + "/user.js", "w") as f:
                for pref in [("marionette.port", port), ("webgl.disabled", not webgl),
                             ("full-screen-api.warning.timeout", 0),
                             ("full-screen-api.transition-duration.enter", "0 0"),
                             ("full-screen-api.transition-duration.leave", "0 0")]:
                    f.write("user_pref(%s, %s);\n" % tuple(json.dumps(p) for p in pref))
            self.call = Marionette(port, self._start(["firefox-esr", "--marionette", "--no-remote", "--profile",
                                                      self.folder.name], env=env))
        else:
            self.call = Http(port, self._start(["WebKitWebDriver", "--port=%d" % port], env=env))
            capabilities["webkitgtk:browserOptions"] = {
                "binary": MINIBROWSER, "args": ["--automation"] + ([] if webgl else ["--enable-webgl=false"])}
        self.call("NewSession", capabilities if engine == "firefox" else  # Marionette takes them bare
                  {"capabilities": {"alwaysMatch": capabilities}})
        self.call("SetTimeouts", {"script": 120000})

    def _start(self, command, **how):
        self.procs.append(subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, preexec_fn=_owned, cwd=self.folder.name,
                                           **how))
        return self.procs[-1]

    def __enter__(self):
        return self

    def __exit__(self, *_):
        try:
            self.call("Marionette:Quit" if self.engine == "firefox" else "DeleteSession")
        except (Failure, OSError):
            pass
        for proc in reversed(self.procs):  # the browser and its helpers, then the X server
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
        self.folder.cleanup()

    def page(self):
        return Page(self)


class Page(Tab):
    """The browser's one window, as cdrive's tab: `dialogs` holds the messages of the dialogs accepted,
    `errors` the page's uncaught errors and unhandled rejections. Touch reaches Firefox's page as touch
    (`fingers` at once), WebKitGTK's as the mouse; neither cancels a touch (Marionette has no
    pointerCancel, WebKitWebDriver ignores it)."""

    def __init__(self, browser):
        self.browser, self.dialogs, self.down = browser, [], 0
        self.fingers, self.cancels = 5 if browser.engine == "firefox" else 0, False

    def call(self, name, params=None, again=True):
        """A command's result; a dialog in its way is accepted, and the command sent again if `again`."""
        while True:
            try:
                return self.browser.call(name, params)
            except Refused as e:
                if e.error != "unexpected alert open":
                    raise
            self.dialogs.append(self.browser.call("GetAlertText"))
            self.browser.call("AcceptAlert")
            if not again:
                return None

    def goto(self, url):
        """Navigates; once it returns, the new document is the one evaluated (it may still be loading)."""
        self.call("Navigate", {"url": url}, again=False)
        return self

    def eval(self, expression):
        """The value of a JavaScript expression, a promise's once settled."""
        while not (r := self.call("ExecuteAsyncScript", {"script": EVAL % expression, "args": []})):
            pass  # a dialog opened meanwhile: accepted, asked again
        if len(r) > 1:
            raise Failure("in the page: %s" % r[1])
        return r[0]

    @property
    def errors(self):
        return self.eval("window.driveErrors || []")

    def actions(self, *sources):
        self.call("PerformActions", {"actions": list(sources)})

    def key(self, code, down=True):
        """A key pressed or released by its KeyboardEvent.code (WebDriver gives each key its usual code)."""
        self.actions({"type": "key", "id": "keys", "actions": [{"type": "keyDown" if down else "keyUp",
                                                                "value": _value(code)}]})

    def hold(self, codes, frames=2):
        """Keys pressed in order, held for about `frames` frames of a slow page (60 ms each), released: one
        action sequence, so that the driver's round trips (long on a loaded machine) do not lengthen it."""
        down, up = ([{"type": kind, "value": _value(code)} for code in codes] for kind in ("keyDown", "keyUp"))
        self.actions({"type": "key", "id": "keys", "actions": down + [{"type": "pause", "duration": 60 * frames}] + up})

    def _pointer(self, id, kind, steps):
        return {"type": "pointer", "id": id, "parameters": {"pointerType": kind}, "actions": steps}

    def _move(self, x, y):
        return {"type": "pointerMove", "x": round(x), "y": round(y), "origin": "viewport", "duration": 0}

    def mouse(self, kind, x, y):
        """The left button pressed (mousePressed) or released (mouseReleased), or the mouse moved, at (x, y)."""
        button = {"mousePressed": [{"type": "pointerDown", "button": 0}],
                  "mouseReleased": [{"type": "pointerUp", "button": 0}]}.get(kind, [])
        self.actions(self._pointer("mouse", "mouse", [self._move(x, y)] + button))

    def touch(self, kind, *points):
        """As cdrive's: touchStart, touchMove (fingers at (x, y), in the order they landed) or touchEnd (all
        fingers lifted), as WebDriver's touch pointers."""
        fingers, lift = max(self.down, len(points)), kind == "touchEnd"
        steps = [[{"type": "pointerUp", "button": 0}] if lift else
                 [self._move(*points[n])] + ([{"type": "pointerDown", "button": 0}] if n >= self.down else [])
                 for n in range(fingers)]
        self.actions(*[self._pointer("finger%d" % n, "touch", s) for n, s in enumerate(steps)])
        self.down = 0 if lift else fingers

    def screen(self, width, height, *_):
        """The window sized so that the page's viewport is width x height CSS pixels (no device
        emulation: WebDriver has none)."""
        for _ in range(3):
            chrome = self.browser.chrome
            self.call("SetWindowRect", {"width": width + chrome[0], "height": height + chrome[1]})
            self.frames(2)
            inner, rect = self.eval("[innerWidth, innerHeight]"), self.call("GetWindowRect")
            if inner == [width, height]:
                return
            self.browser.chrome = (rect["width"] - inner[0], rect["height"] - inner[1])
        raise Failure("the window cannot be sized to a %d x %d viewport (got %d x %d)" % (width, height, *inner))

    def hide(self):
        """The page hidden behind another tab, then shown again, where the browser hides it so: whether it did."""
        mine = self.call("GetWindowHandle")
        other = self.call("NewWindow", {"type": "tab"})["handle"]
        self.call("SwitchToWindow", {"handle": other})
        self.call("SwitchToWindow", {"handle": mine, "focus": False})  # its scripts, the other tab still shown
        hidden = self.eval("document.hidden")
        self.call("SwitchToWindow", {"handle": other})
        self.call("CloseWindow")
        self.call("SwitchToWindow", {"handle": mine})
        if hidden:
            self.wait("!document.hidden", what="the page shown again")
        return hidden

    def close(self):
        """The game left for a blank page, every key and pointer let go."""
        self.call("ReleaseActions")
        self.goto("about:blank")
        self.down = 0
