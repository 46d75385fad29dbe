# SPDX-License-Identifier: GPL-3.0-or-later
# Wayland sessions for the end-to-end tests: Tessavo and the stand-ins run as XWayland clients
# of a real compositor, and the screen is read from the compositor's output. Each is a Session
# whose X server is the compositor's XWayland; one that cannot run here raises Unavailable, a
# skip for pytest.
import contextlib
import json
import glob
import os
import pwd
import re
import shutil
import signal
import subprocess
import unittest

from Xlib import display, error

from xsession import MESSENGER, Session, read, wait


class Unavailable(unittest.SkipTest):
    pass


def connect(name):
    try:
        return display.Display(name)
    except (error.DisplayError, ConnectionError):  # not listening yet
        return None


class NestedMutter(Session):
    # GNOME's compositor as a Wayland display server, drawing its output into a window of a
    # private Xvfb, whose pixels are read.

    def start_server(self, size):
        if not shutil.which("mutter"):
            raise Unavailable("mutter is not installed")
        super().start_server(size)
        env = dict(self.env, MUTTER_DEBUG_DUMMY_MODE_SPECS=size)
        self.compositor = self.spawn(
            ["dbus-run-session", "--", "mutter", "--nested", "--wayland",
             "--wayland-display", "wayland-tessavo"], log="mutter", env=env,
            start_new_session=True)
        found = wait(lambda: re.search(r"public X11 display (:\d+)", self.text("mutter.out")),
                     lambda: "mutter started no XWayland: " + self.text("mutter.out")[-2000:], 20)
        auth = wait(lambda: glob.glob(self.path("runtime/.mutter-Xwaylandauth.*")),
                    "no XWayland authority file")[0]
        self.env.update(DISPLAY=found.group(1), XAUTHORITY=auth,
                        WAYLAND_DISPLAY="wayland-tessavo")
        os.environ["XAUTHORITY"] = auth  # python-xlib reads it from here; Xvfb ignores it
        self.x = wait(lambda: connect(self.env["DISPLAY"]), "XWayland does not answer", 20)
        wait(lambda: self.prop(self.x.screen().root, "_NET_SUPPORTING_WM_CHECK"),
             "mutter manages nothing", 10)
        self.wm_name = "mutter"
        # Its session bus, where it tells the idle time: its programs' own.
        mutter = read(f"/proc/{self.compositor.pid}/task/{self.compositor.pid}/children").split()
        environ = dict(v.split("=", 1) for v in read(f"/proc/{mutter[0]}/environ").split("\0")
                       if "=" in v)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = environ["DBUS_SESSION_BUS_ADDRESS"]

    def native(self, colour, at):
        # A native Wayland window (a terminal in one colour) where the compositor puts it: a
        # client cannot place itself on Wayland.
        self.spawn(["foot", "-o", f"colors.background={colour}", "--window-size-pixels=300x200"],
                   log="foot", env=dict(self.env, DISPLAY=""))

    def focus(self, app, key):
        app.send("focus " + key)

    def stop(self):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.compositor.pid, signal.SIGKILL)
        super().stop()


USER = os.environ.get("WL_USER", "tessavo-test")
SWAY_CONFIG = """xwayland force
output HEADLESS-1 mode {size} position 0 0 bg #203040 solid_color
default_border none
default_floating_border none
"""


def unprivileged():
    # (uid, gid) to run sway as: the caller, unless root (sway refuses to run as root).
    if os.getuid():
        return os.getuid(), os.getgid()
    with contextlib.suppress(KeyError):
        return pwd.getpwnam(USER)[2:4]
    r = subprocess.run(["useradd", "--system", "--no-create-home", USER], capture_output=True)
    with contextlib.suppress(KeyError):
        return pwd.getpwnam(USER)[2:4]
    raise Unavailable(f"no user to run sway as: useradd {USER}: {r.stderr.decode().strip()}")


class Sway(Session):
    # sway on a headless output with XWayland forced, run with everything in it as an
    # unprivileged user; pixels come from grim.

    def start_server(self, size):
        if not (shutil.which("sway") and shutil.which("grim")):
            raise Unavailable("sway or grim is not installed")
        self.uid, self.gid = unprivileged()
        for name in ("", "runtime", "home"):  # its programs write their files here too
            os.chown(self.path(name), self.uid, self.gid)
        # The user may not reach into the checkout (a root's home, say): its stand-in runs from
        # here.
        shutil.copy(MESSENGER, self.path("fake_messenger.py"))
        with open(self.path("sway.config"), "w") as f:
            f.write(SWAY_CONFIG.format(size=size))
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.path("home"), "LANG": "C.UTF-8",
                    "XDG_RUNTIME_DIR": self.path("runtime"), "XDG_CONFIG_HOME": self.config,
                    "SWAYSOCK": self.path("runtime/sway.sock"),
                    "DBUS_SESSION_BUS_ADDRESS": self.env["DBUS_SESSION_BUS_ADDRESS"]}
        self.compositor = self.spawn(["sway", "-c", self.path("sway.config")], env=dict(
            self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1"))
        late = lambda: f"sway did not start: {self.text('sway.out')[-2000:]}"  # noqa: E731
        self.env["DISPLAY"] = wait(self._xwayland, late, 10)
        self.env["WAYLAND_DISPLAY"] = next(n for n in os.listdir(self.path("runtime"))
                                           if re.fullmatch(r"wayland-\d+", n))
        wait(lambda: self.sway("-t", "get_version"), late, 10)
        if os.getuid() == 0:  # XWayland lets in its own user only
            wait(lambda: self.run(["xhost", "+si:localuser:root"]).returncode == 0, late, 10)
        self.x = display.Display(self.env["DISPLAY"])
        wait(lambda: self.prop(self.x.screen().root, "_NET_SUPPORTING_WM_CHECK"),
             "XWayland has no window manager", 10)
        self.wm_name = "sway"

    def _xwayland(self):
        # Its XWayland (double-forked, in its process group) names its display first.
        assert self.compositor.poll() is None, f"sway ended: {self.text('sway.out')[-2000:]}"
        for pid in filter(str.isdigit, os.listdir("/proc")):
            stat = read(f"/proc/{pid}/stat").rsplit(")", 1)[-1].split()
            if stat[2:3] == [str(self.compositor.pid)] and "Xwayland" in read(f"/proc/{pid}/comm"):
                return read(f"/proc/{pid}/cmdline").split("\0")[1]

    def as_user(self):
        return {"user": self.uid, "group": self.gid, "extra_groups": []} if os.getuid() == 0 else {}

    def spawn(self, cmd, log=None, env=None, **kw):
        # As the user, each leading a process group that stop() ends whole: sway starts its
        # XWayland again when that ends first, and the new one would outlive it.
        kw.setdefault("start_new_session", True)
        kw.setdefault("cwd", self.dir)
        cmd = [self.path("fake_messenger.py") if c == MESSENGER else c for c in cmd]
        return super().spawn(cmd, log, env, **self.as_user(), **kw)

    def run(self, cmd):
        return subprocess.run(cmd, env=self.env, capture_output=True, cwd=self.dir,
                              **self.as_user())

    def stop(self):
        for p in self.procs:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(p.pid, signal.SIGKILL)
        super().stop()

    def sway(self, *args):
        # swaymsg's replies, or None when sway does not answer yet.
        r = self.run(["swaymsg", "-r", *args])
        with contextlib.suppress(ValueError):
            return r.returncode == 0 and json.loads(r.stdout)

    def native(self, colour, at):
        # A native window floating at a place, which sway's commands can choose.
        app_id = f"foot-{len(self.procs)}"
        self.spawn(["foot", "-a", app_id, "-o", f"colors.background={colour}", "--",
                    "sleep", "infinity"], log=app_id)
        x, y, w, h = at
        command = (f'[app_id="{app_id}"] floating enable, resize set {w} {h}, '
                   f"move absolute position {x} {y}")

        def there():
            # Sent again until it holds: a late picture of the window's first size undoes it.
            rect = self.node(app_id)
            return rect == at or self.sway(command) and False
        wait(there, lambda: f"{app_id} is at {self.node(app_id)}, not {at}", 10)
        return at

    def node(self, app_id):
        # Where sway has the window of a native program: (x, y, w, h).
        todo = [self.sway("-t", "get_tree") or {}]
        while todo:
            n = todo.pop()
            if n.get("app_id") == app_id:
                return tuple(n["rect"][k] for k in ("x", "y", "width", "height"))
            todo += n.get("nodes", []) + n.get("floating_nodes", [])

    def focus(self, app, key):
        # sway takes a client's request to be activated for a plea for attention only.
        self.sway(f"[id={app.ids[key]}] focus")

    def size(self):
        return self.screen_rgb()[:2]

    def area(self, x, y, w, h):
        width, _, rgb = self.screen_rgb()
        return [[rgb[i:i + 3].hex() for i in range(((y + r) * width + x) * 3,
                                                   ((y + r) * width + x + w) * 3, 3)]
                for r in range(h)]

    def screen_rgb(self):
        # The composited output: (width, height, RGB bytes). The header ends with one byte
        # after 255; the first pixel may start with what reads as white space.
        data = self.run(["grim", "-t", "ppm", "-"]).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        assert m, f"grim gave no picture: {data[:80]!r}"
        return int(m[1]), int(m[2]), data[m.end():]
