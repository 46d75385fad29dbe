# A private Wayland session for the end-to-end tests: sway on a headless output with XWayland;
# plain Python, no pytest.
#
#   s = WlSession()             # sway as an unprivileged user, XWayland ready, root let in to it
#   s.env                       # DISPLAY, WAYLAND_DISPLAY, SWAYSOCK, XDG_RUNTIME_DIR, HOME
#   s.spawn(cmd, log=None, env=None, **kw)  # a child run as that user; s.run(cmd) waits for one
#   kakao = App(s, "kakao")     # xsession's stand-in messenger, run as that user
#   s.sway("[app_id=foot] focus") -> replies; s.node(window=0x400001 / app_id="…")
#   s.place(x, y, w, h, window=0x400001)  # floats it there (sway centres what X clients ask)
#   s.foot(x, y, w, h, "ff8800") -> its app_id: a native window, floating at that place
#   s.pixel(x, y) -> "rrggbb"; s.area(x, y, w, h) -> rows of them; s.size(); s.screen() -> raw
#   s.wait_pixel(x, y, colour, what)
#   s.x                         # a python-xlib connection to XWayland
#   s.stop()                    # everything started here ends, last first; the files go
#
# sway refuses to run as root: root runs it as WL_USER (default tessavo-test, created when
# missing). Where that is impossible, or sway is missing, the start raises Unavailable, a
# unittest.SkipTest, which pytest reports as a skip. WL_KEEP=1 keeps s.dir.

import contextlib
import json
import os
import pwd
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from Xlib import display

from xsession import App, read, wait  # noqa: F401 (App: the messenger runs here too)

USER = os.environ.get("WL_USER", "tessavo-test")
CONFIG = """xwayland force
output HEADLESS-1 mode {size} position 0 0 bg #{background} solid_color
default_border none
default_floating_border none
"""


class Unavailable(unittest.SkipTest):
    pass


def unprivileged():
    # (uid, gid) to run sway as: the caller, unless root.
    if os.getuid():
        return os.getuid(), os.getgid()
    with contextlib.suppress(KeyError):
        return pwd.getpwnam(USER)[2:4]
    r = subprocess.run(["useradd", "--system", "--no-create-home", USER], capture_output=True)
    with contextlib.suppress(KeyError):
        return pwd.getpwnam(USER)[2:4]
    raise Unavailable(f"no user to run sway as: useradd {USER}: {r.stderr.decode().strip()}")


class WlSession:
    def __init__(self, size="1440x900", background="203040"):
        if not (shutil.which("sway") and shutil.which("grim")):
            raise Unavailable("sway or grim is not installed")
        self.uid, self.gid = unprivileged()
        self.procs, self.x = [], None
        # The user owns the session's folder: its programs write their files there too.
        self.dir = tempfile.mkdtemp(prefix="tessavo-wl.")
        for name in ("runtime", "home"):
            os.mkdir(self.path(name), 0o700)
        for name in ("", "runtime", "home"):
            os.chown(self.path(name), self.uid, self.gid)
        with open(self.path("sway.config"), "w") as f:
            f.write(CONFIG.format(size=size, background=background))
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.path("home"), "LANG": "C.UTF-8",
                    "XDG_RUNTIME_DIR": self.path("runtime"),
                    "SWAYSOCK": self.path("runtime/sway.sock")}
        try:
            self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        self.sway_proc = self.spawn(["sway", "-c", self.path("sway.config")], env=dict(
            self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1"))
        late = lambda: f"sway did not start: {self.text('sway.out')[-2000:]}"  # noqa: E731
        self.env["DISPLAY"] = wait(self._xwayland, late, 10)
        self.env["WAYLAND_DISPLAY"] = next(n for n in os.listdir(self.path("runtime"))
                                           if re.fullmatch(r"wayland-\d+", n))
        wait(lambda: self.sway("-t", "get_version"), late, 10)
        if os.getuid() == 0:  # XWayland lets in its own user only
            wait(lambda: self.run(["xhost", "+si:localuser:root"]).returncode == 0, late, 10)
        self.x = display.Display(self.env["DISPLAY"])
        root = self.x.screen().root
        wait(lambda: root.get_full_property(self.x.intern_atom("_NET_SUPPORTING_WM_CHECK"), 0),
             "XWayland has no window manager", 10)

    def _xwayland(self):
        # Its XWayland (double-forked, in its process group) names its display first:
        # "Xwayland :1 -rootless …".
        if self.sway_proc.poll() is not None:
            raise AssertionError(f"sway ended: {self.text('sway.out')[-2000:]}")
        for pid in filter(str.isdigit, os.listdir("/proc")):
            stat = read(f"/proc/{pid}/stat").rsplit(")", 1)[-1].split()
            if stat[2:3] == [str(self.sway_proc.pid)] and "Xwayland" in read(f"/proc/{pid}/comm"):
                return read(f"/proc/{pid}/cmdline").split("\0")[1]

    def path(self, name):
        return os.path.join(self.dir, name)

    def text(self, name):
        return read(self.path(name))

    def as_user(self):
        return {"user": self.uid, "group": self.gid, "extra_groups": []} if os.getuid() == 0 else {}

    def spawn(self, cmd, log=None, env=None, **kw):
        # A child run as the user, leading a process group of its own that stop() ends whole.
        out = open(self.path((log or os.path.basename(cmd[0])) + ".out"), "ab")
        kw.setdefault("stdout", out)
        p = subprocess.Popen(cmd, env=env or self.env, stderr=out, start_new_session=True,
                             **self.as_user(), **kw)
        self.procs.append(p)
        return p

    def run(self, cmd):
        return subprocess.run(cmd, env=self.env, capture_output=True, **self.as_user())

    def stop(self):
        with contextlib.suppress(Exception):
            self.x and self.x.close()
        for p in reversed(self.procs):
            # SIGKILL too, for what is left of the group: sway starts its XWayland again when
            # that ends first, and the new one would outlive it.
            for sig in (signal.SIGTERM, signal.SIGKILL):
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(p.pid, sig)
                with contextlib.suppress(subprocess.TimeoutExpired):
                    p.wait(3)
        if not os.environ.get("WL_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    # ---- sway ----

    def sway(self, *args):
        # swaymsg's replies, or None when sway does not answer yet.
        r = self.run(["swaymsg", "-r", *args])
        with contextlib.suppress(ValueError):
            return r.returncode == 0 and json.loads(r.stdout)

    def node(self, **match):
        # The first container whose fields match, e.g. window=<X id> or app_id="foot".
        todo = [self.sway("-t", "get_tree")]
        while todo:
            n = todo.pop(0)
            if all(n.get(k) == v for k, v in match.items()):
                return n
            todo += n.get("nodes", []) + n.get("floating_nodes", [])

    def place(self, x, y, w, h, **match):
        # Floats the container that node(**match) finds at that place; resizing keeps the
        # centre, so it comes before the move. A window's commit of its former size, late,
        # resizes it again: the command is sent again until it holds.
        (key, value), = match.items()
        key = {"window": "id", "id": "con_id"}.get(key, key)  # sway's names for them
        command = (f'[{key}="{value}"] floating enable, resize set {w} {h}, '
                   f"move absolute position {x} {y}")
        rect, sent = lambda: (self.node(**match) or {}).get("rect", {}), [0]  # noqa: E731

        def there():
            if [rect().get(k) for k in ("x", "y", "width", "height")] == [x, y, w, h]:
                return True
            if time.monotonic() > sent[0] + 0.3:
                sent[0] = self.sway(command) and time.monotonic()

        wait(there, lambda: f"{match} is at {rect()}, not {(x, y, w, h)}")

    def foot(self, x, y, w, h, colour):
        app_id = f"foot-{len(self.procs)}"
        self.spawn(["foot", "-a", app_id, "-o", f"colors.background={colour}", "--",
                    "sleep", "infinity"], log=app_id)
        wait(lambda: self.node(app_id=app_id), f"{app_id} did not show", 10)
        self.place(x, y, w, h, app_id=app_id)
        return app_id

    # ---- the screen ----

    def screen(self):
        # The composited output: (width, height, RGB bytes).
        data = self.run(["grim", "-t", "ppm", "-"]).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)  # one byte after 255: pixels start
        assert m, f"grim gave no picture: {data[:80]!r}"
        return int(m[1]), int(m[2]), data[m.end():]

    def size(self):
        return self.screen()[:2]

    def area(self, x, y, w, h):
        # Rows of "rrggbb", as xsession's Session gives them.
        width, _, rgb = self.screen()
        return [[rgb[i:i + 3].hex() for i in range(((y + r) * width + x) * 3,
                                                   ((y + r) * width + x + w) * 3, 3)]
                for r in range(h)]

    def pixel(self, x, y):
        return self.area(x, y, 1, 1)[0][0]

    def wait_pixel(self, x, y, colour, what="", timeout=5):
        wait(lambda: self.pixel(x, y) == colour,
             lambda: f"{what}: ({x}, {y}) shows {self.pixel(x, y)}, not {colour}", timeout)
