# Wayland sessions for the end-to-end tests: the programs run as XWayland clients of a real
# compositor, and the screen is read from the compositor's output.
import glob
import os
import re
import signal
import subprocess

from Xlib import display, error

from xsession import Session, wait


class NestedMutter(Session):
    # GNOME's compositor as a Wayland display server, drawing its output into a window of a
    # private Xvfb (whose pixels the harness reads); Tessavo and the stand-ins are clients of
    # its XWayland server.

    def __init__(self, size="1440x900"):
        super().__init__(wm=None, size=size)
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
        self.x = wait(lambda: self._connect(), "XWayland does not answer", 20)
        self.root = self.x.screen().root
        wait(lambda: self.prop(self.root, "_NET_SUPPORTING_WM_CHECK"), "mutter manages nothing",
             10)
        self.wm_name = "mutter"

    def _connect(self):
        try:
            return display.Display(self.env["DISPLAY"])
        except (error.DisplayError, ConnectionError):  # not listening yet
            return None

    def native(self, *args):
        # A native Wayland window: a terminal filled with one colour.
        return self.spawn(["foot", *args], log="foot", env=dict(self.env, DISPLAY=""))

    def stop(self):
        try:
            os.killpg(self.compositor.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        super().stop()
