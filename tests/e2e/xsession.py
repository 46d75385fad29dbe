# SPDX-License-Identifier: GPL-3.0-or-later
# A private X session for the end-to-end tests and the benchmarks; plain Python, no pytest.
# Session(wm) starts Xvfb on a free display with its own HOME and XDG folders (s.dir) and a window
# manager (None: none yet); s.app() runs the stand-in messenger, s.tessavo() a copy of the built
# program with its debug log; the rest reads the screen and windows and sends input. s.stop()
# ends everything started, last first. wait(cond, what) polls cond() until true, else fails
# with what (what=None: returns the false value).
# XS_BUILD names the build directory (default: build/ beside tests/); XS_KEEP=1 keeps s.dir.

import contextlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import Xlib.ext
from Xlib import X, Xatom, display, error
from Xlib.ext import res

# Only the extensions the harness uses: python-xlib files every extension's events in one table,
# and two servers whose extensions number their events differently (an Xvfb and the XWayland
# server of a compositor drawing into it) cannot both be opened otherwise.
Xlib.ext.__extensions__ = [e for e in Xlib.ext.__extensions__ if e[0] in ("X-Resource",)]

MESSENGER = os.path.join(os.path.dirname(__file__), "../fixtures/fake_messenger.py")
BUILD = os.environ.get("XS_BUILD") or os.path.join(os.path.dirname(__file__), "../../build")
DESKTOP = "203040"
COVER = "ffffff"


def wait(cond, what=None, timeout=5.0):
    end = time.monotonic() + timeout
    while not (got := cond()) and time.monotonic() < end:
        time.sleep(0.02)
    assert got or what is None, (what() if callable(what) else what) + f" (waited {timeout} s)"
    return got


def read(path):
    with contextlib.suppress(OSError), open(path, errors="replace") as f:
        return f.read()
    return ""


def alive(pid):
    # A child that ended stays a zombie until waited for: kill(pid, 0) would still find it.
    return read(f"/proc/{pid}/stat").rsplit(")", 1)[-1].split()[:1] not in ([], ["Z"])


def usage(pid):
    ticks = sum(int(v) for v in read(f"/proc/{pid}/stat").rsplit(")", 1)[1].split()[11:13])
    kb = dict(ln.split()[:2] for ln in read(f"/proc/{pid}/status").splitlines() if ln[:2] == "Vm")
    return ticks / os.sysconf("SC_CLK_TCK"), int(kb["VmRSS:"]), int(kb["VmHWM:"])


class App:
    # A stand-in program reading commands from a fifo; its answers are read as they come.

    def __init__(self, session, name, *args):
        self.fifo = session.path(f"{name}.{len(session.procs)}.in")
        os.mkfifo(self.fifo)
        reader = os.open(self.fifo, os.O_RDWR)  # never blocks, never sees an end
        self.proc = session.spawn([sys.executable, MESSENGER, *args],
                                  stdin=reader, stdout=subprocess.PIPE)
        os.close(reader)
        self.pipe = open(self.fifo, "w", buffering=1)
        self.lines, self.ids = [], {}
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            words = line.decode().split()
            if words[:1] == ["opened"]:
                self.ids[words[1]] = int(words[2], 16)
            self.lines.append(" ".join(words))

    def tell(self, command):
        self.pipe.write(command + "\n")

    def send(self, command):
        seen = len(self.lines)
        self.tell(command)
        answer = wait(lambda: [a for a in self.lines[seen:] if not a.startswith("clicked")],
                      f"no answer to '{command}'")[0]
        assert not answer.startswith("error"), f"'{command}': {answer}"
        return answer


class Session:
    def __init__(self, wm="openbox", size="1440x900"):
        self.dir = tempfile.mkdtemp(prefix="tessavo-xs.")
        self.procs, self.wms, self.log = [], [], os.path.join(self.dir, "tessavo.log")
        self.config = os.path.join(self.dir, "config")
        # No session bus: a toolkit would start one of its own, which outlives the session.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.path("runtime"),
                        XDG_CONFIG_HOME=self.config, HOME=self.path("home"),
                        DBUS_SESSION_BUS_ADDRESS="unix:path=" + self.path("no-bus"))
        for name in ("runtime", "home"):
            os.mkdir(self.path(name), 0o700)
        self.wm_name = self.menu = None
        self.start_server(size)
        self.root = self.x.screen().root
        self.set_background()
        self.wm = wm and self.start_wm(wm)

    def start_server(self, size):
        r, w = os.pipe()
        # -noreset: with no window manager, the server would otherwise start over each time its
        # last client leaves, and a client connecting just then is refused.
        self.xvfb = self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", size + "x24",
                                "-nolisten", "tcp", "-noreset"], log="xvfb", pass_fds=(w,))
        os.close(w)
        number = os.fdopen(r).readline().strip()
        assert number, "Xvfb did not start: " + self.text("xvfb.out")
        self.env["DISPLAY"] = ":" + number
        self.x = display.Display(self.env["DISPLAY"])
        # Where pixels are read: this server's screen, unless a compositor draws elsewhere.
        self.screen, self.screen_display = self.x.screen().root, self.env["DISPLAY"]

    def path(self, name):
        return os.path.join(self.dir, name)

    def text(self, name):
        return read(self.path(name))

    def spawn(self, cmd, log=None, env=None, **kw):
        out = open(self.path((log or os.path.basename(cmd[0])) + ".out"), "wb")
        kw.setdefault("stdout", out)
        p = subprocess.Popen(cmd, env=env or self.env, stderr=out, **kw)
        self.procs.append(p)
        return p

    def end(self, proc, sig=15):
        # Sends a signal and waits; after 3 s kills (fluxbox can deadlock on SIGTERM).
        if proc.poll() is None:
            proc.send_signal(sig)
            with contextlib.suppress(subprocess.TimeoutExpired):
                return proc.wait(3)
            proc.kill()
        return proc.wait()

    def stop(self):
        with contextlib.suppress(error.ConnectionClosedError):
            self.x.close()
        for p in reversed(self.procs):
            self.end(p, 9 if p in self.wms else 15)
        if not os.environ.get("XS_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    def set_background(self, rgb=int(DESKTOP, 16)):
        self.root.change_attributes(background_pixel=rgb)
        self.root.delete_property(self.atom("_XROOTPMAP_ID"))
        self.root.clear_area()
        self.x.sync()

    # ---- window manager, tray, programs ----

    def start_wm(self, name=None, *args):
        # Starts a window manager with a configuration of the session's own. A start that
        # never manages windows (seen on loaded machines) is ended and tried again.
        self.wm_name = name = name or self.wm_name or "openbox"
        config = self.path("i3.config")
        with open(config, "w") as f:
            f.write("# i3 config file (v4)\n")  # without it i3 reads the file as version 3
        cmd = {"openbox": ["openbox", "--sm-disable"], "i3": ["i3", "-c", config],
               "xfwm4": ["xfwm4", "--compositor=on"], "mutter": ["mutter", "--x11", "--replace"]}
        env, compositor = None, name in ("xfwm4", "mutter")
        if compositor:
            # Both want a session bus (xfwm4 reads its settings through it); a private one,
            # ended with the session. No accessibility bus: nothing here uses one.
            bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address"],
                             log="dbus", stdout=subprocess.PIPE)
            env = dict(self.env, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().decode().strip(),
                       NO_AT_BRIDGE="1")
        # xfwm4 leaves a lone window out of its stacking list; its client list has it.
        listed = "_NET_CLIENT_LIST" if name == "xfwm4" else "_NET_CLIENT_LIST_STACKING"
        cm = self.atom("_NET_WM_CM_S0")

        def ready():  # a compositing manager also owns the compositing selection
            return (wait(lambda: self.prop(self.root, "_NET_SUPPORTING_WM_CHECK"), None, 10)
                    and (not compositor or wait(lambda: self.x.get_selection_owner(cm), None, 10))
                    and any(self._probe(limit, listed) for limit in (0.2, 0.4, 0.8, 1.6, 3.2)))
        for _ in range(3):
            self.wm = self.spawn(cmd.get(name, [name]) + list(args), log=name, env=env)
            self.wms.append(self.wm)
            if ready():
                return self.wm
            self.wm.kill()
            self.root.delete_property(self.atom("_NET_SUPPORTING_WM_CHECK"))
        raise AssertionError(f"{name} does not manage windows: {self.text(name + '.out')}")

    def _probe(self, limit, listed):
        # openbox announces itself before it manages windows, and a window mapped in between
        # stays unmanaged for good: a probe window must really be managed.
        w = self.root.create_window(0, 0, 10, 10, 0, X.CopyFromParent)
        w.map()
        self.x.sync()
        managed = wait(lambda: w.id in (self.prop(self.root, listed) or []), None, limit)
        w.destroy()
        self.x.sync()
        return managed

    def start_tray(self):
        self.tray = self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype",
                                "request", "--height", "24", "--transparent", "false",
                                "--tint", "0x404040"])
        wait(lambda: self.x.get_selection_owner(self.atom("_NET_SYSTEM_TRAY_S0")), "no trayer")

    def app(self, name, *args):
        return App(self, name, *args)

    def store_settings(self, settings):
        os.makedirs(os.path.join(self.config, "tessavo"), exist_ok=True)
        with open(os.path.join(self.config, "tessavo", "settings.json"), "w") as f:
            json.dump(settings, f, ensure_ascii=False)

    def settings(self):
        try:
            return json.loads(read(os.path.join(self.config, "tessavo", "settings.json")))
        except ValueError:
            return {}

    def tessavo(self, env=None, wrap=(), log="tessavo", debug=True):
        # Runs a copy of Tessavo (an executable path of its own, so ending it never ends
        # another session's) and waits for its first log line; wrap: a command to run it with.
        # debug=False: no debug log, whose writes would count in a benchmark's figures.
        exe = self.path("tessavo")
        if not os.path.exists(exe):
            shutil.copy(os.path.join(BUILD, "tessavo"), exe)
        if log == "tessavo" and os.path.exists(self.log):
            os.remove(self.log)
        env = dict(self.env, TMPDIR=self.dir, TESSAVO_DEBUG="1", **(env or {}))
        if not debug:
            del env["TESSAVO_DEBUG"]
        p = self.spawn([*wrap, exe], log=log, env=env)
        if debug:
            wait(lambda: os.path.exists(self.log) and os.path.getsize(self.log),
                 lambda: f"Tessavo logged nothing: {self.text(log + '.out')}", 10)
        return p

    def log_lines(self, start):
        return [line for line in self.text("tessavo.log").splitlines() if line.startswith(start)]

    def wait_log(self, line, timeout=5):
        wait(lambda: line in self.text("tessavo.log").splitlines(), "not logged: " + line, timeout)

    # ---- the screen ----

    def area(self, x, y, w, h):
        data = self.screen.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        px = [data[i:i + 3][::-1].hex() for i in range(0, len(data), 4)]
        return [px[r * w:(r + 1) * w] for r in range(h)]

    def screenshot(self, path):
        w, h = self.size()
        rgb = bytes.fromhex("".join("".join(row) for row in self.area(0, 0, w, h)))
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (w, h) + rgb)

    def size(self):
        g = self.screen.get_geometry()
        return g.width, g.height

    def pixel(self, x, y):
        return self.area(x, y, 1, 1)[0][0]

    def watch(self, x, y, colour, seconds):
        # Reads one point over and over on a connection of its own for the time given; what it
        # returns waits for the end and gives the longest spell (ms) it did not show the colour.
        conn, longest = display.Display(self.screen_display), [0]

        def run(since=None, end=time.monotonic() + seconds):
            while (now := time.monotonic()) < end:
                px = conn.screen().root.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
                since = None if px[2::-1].hex() == colour else since or now
                longest[0] = max(longest[0], now - since if since else 0)
            conn.close()
        (thread := threading.Thread(target=run, daemon=True)).start()
        return lambda: thread.join() or longest[0] * 1000

    def wait_pixel(self, x, y, colour, what="", timeout=5):
        wait(lambda: self.pixel(x, y) == colour,
             lambda: f"{what}: ({x}, {y}) shows {self.pixel(x, y)}, not {colour}", timeout)

    # ---- windows ----

    def atom(self, name):
        return self.x.intern_atom(name)

    def prop(self, w, name, kind=X.AnyPropertyType):
        with contextlib.suppress(error.XError):  # the window may have gone
            p = self.window(w).get_full_property(self.atom(name), kind)
            return p.value if p else None

    def name(self, w):
        v = self.prop(w, "_NET_WM_NAME") or self.prop(w, "WM_NAME") or b""
        return v.decode(errors="replace") if isinstance(v, bytes) else ""

    def wm_class(self, w):
        v = self.prop(w, "WM_CLASS", Xatom.STRING) or b""
        return v.split(b"\0")[1].decode() if v.count(b"\0") >= 2 else ""

    def viewable(self, w):
        with contextlib.suppress(error.XError):
            return self.window(w).get_attributes().map_state == X.IsViewable
        return False

    def window(self, w):
        return self.x.create_resource_object("window", w) if isinstance(w, int) else w

    def shown(self):
        # Tessavo's windows on screen that no window manager frames: covers, bar, menus.
        return [w.id for w in self.root.query_tree().children
                if self.wm_class(w) == "tessavo" and self.viewable(w)]

    def covers(self):
        return [w for w in self.shown() if self.name(w).startswith("tessavo cover")]

    def wait_covers(self, n, what=""):
        wait(lambda: len(self.covers()) == n, lambda: f"{what}: {len(self.covers())}, not {n}")

    def bar(self):
        return next((w for w in self.shown() if self.name(w) == "tessavo switcher"), None)

    def managed(self):
        return list(self.prop(self.root, "_NET_CLIENT_LIST_STACKING") or [])

    def active(self):
        return (self.prop(self.root, "_NET_ACTIVE_WINDOW") or [0])[0]

    def find(self, name):
        return next((w for w in self.managed() if self.name(w) == name), None)

    def origin(self, w):
        at = self.window(w).translate_coords(self.root, 0, 0)
        return -at.x, -at.y

    def frame(self, w):
        # A window's frame, decorations included, on screen: (x, y, w, h).
        (x, y), g = self.origin(w), self.window(w).get_geometry()
        left, right, top, bottom = self.prop(w, "_NET_FRAME_EXTENTS") or (0, 0, 0, 0)
        return x - left, y - top, g.width + left + right, g.height + top + bottom

    def xres(self, pid):
        # The X windows and pixmaps the clients of process pid hold.
        spec = {"client": 0, "mask": res.LocalClientPIDMask}
        held = [(self.x.get_atom_name(t.resource_type), t.count)
                for c in self.x.res_query_client_ids([spec]).ids if list(c.value)[:1] == [pid]
                for t in self.x.res_query_client_resources(c.spec.client).types]
        return tuple(sum(n for k, n in held if k == kind) for kind in ("WINDOW", "PIXMAP"))

    # ---- input ----

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def tray_icon(self, below=None):
        # The middle of Tessavo's icon in the tray host.
        for w in (below or self.root).query_tree().children:
            if self.wm_class(w) == "tessavo" and w.get_geometry().width == 22:
                return tuple(p + 11 for p in self.origin(w))
            if icon := self.tray_icon(w):
                return icon

    def open_tray_menu(self):
        # A right click on the tray icon, once the last menu has gone; one that comes while
        # it still closes opens nothing, and is tried again. Returns the menu's window.
        wait(lambda: self.menu not in self.shown(), "the last menu still shows")
        x, y = wait(self.tray_icon, "no tray icon")
        for w in self.shown():  # a message of Tessavo's over the icon goes with a click
            fx, fy, fw, fh = self.frame(w)
            if fx <= x < fx + fw and fy <= y < fy + fh:
                self.click(x, y)
                wait(lambda: w not in self.shown(), "a window over the tray icon stays")
        before = set(self.shown())
        for _ in range(5):
            self.click(x, y, 3)
            if new := wait(lambda: set(self.shown()) - before, None, 0.5):
                self.menu = new.pop()
                return self.menu
        raise AssertionError("the tray menu did not open")

    def menu_keys(self, menu, *keys):
        # Keys pressed before a menu holds the keyboard go nowhere: they are pressed again.
        for _ in range(3):
            self.key(*keys)
            if wait(lambda: menu not in self.shown(), None, 1):
                return
        raise AssertionError("the menu takes no keys")

    def menu_pick(self, steps):
        self.menu_keys(self.open_tray_menu(), *["Down"] * steps, "Return")

    def open_settings(self):
        # The settings window, from the switcher bar's ⚙.
        x, y, w, _ = self.frame(wait(self.bar, "no switcher bar"))
        self.click(x + w - 34, y + 17)
        return wait(lambda: self.find("테사보 설정"), "no settings window")
