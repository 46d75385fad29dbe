# SPDX-License-Identifier: GPL-3.0-or-later
"""What the X11 benchmarks share, over the end-to-end harness (tests/e2e/xsession.py): Tessavo
without its debug log, a chat's areas on screen, build/tessavo-exposure-probe, the table of
exposures, and a watch for the longest time any of some points showed a chat's colour.
The figures are for the record: a busy machine makes them worse, never makes a script fail.
"""
import math
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/e2e"))
# The harness's own, for the scripts too.
from xsession import BUILD, COVER, DESKTOP, Session, usage, wait  # noqa: E402,F401

PROBE = os.path.join(BUILD, "tessavo-exposure-probe")
MESSENGER = "com.kakao.KakaoTalkMac"
PALETTE = "2e7d32,1565c0,c62828,6a1b9a,ef6c00,00838f,9e9d24,4e342e"  # the stand-in's colours
# Probe areas stay this far inside a chat's own pixels: a cover leaves the chat's two bottom
# corner pixels showing for good, which would read as an exposure that never ends.
INSET = 3


class Failed(Exception):
    pass


def needs_build(*exes):
    for exe in ("tessavo",) + exes:
        if not os.access(os.path.join(BUILD, exe), os.X_OK):
            sys.exit(f"no {os.path.join(BUILD, exe)}: build first (scripts/setup.sh)")


def arguments(*defaults):
    # The command line's numbers, the defaults for those not given.
    given = [int(a) for a in sys.argv[1:1 + len(defaults)]]
    return given + list(defaults[len(given):])


def machine():
    with open("/proc/loadavg") as f:
        return f"{os.cpu_count()} cores, load {' '.join(f.read().split()[:3])}"


def run(main, *args, wm="openbox"):
    # Runs main(session, *args) in a fresh session with the window manager given; a failure
    # ends with its reason.
    s = Session(wm)
    try:
        main(s, *args)
    except (Failed, AssertionError) as e:
        sys.exit(f"{os.path.basename(sys.argv[0])}: {e}")
    finally:
        s.stop()


def start_tessavo(s):
    return s.tessavo(debug=False)


def cpu(pid):
    return usage(pid)[0]


def client(s, w):
    # A window's client area on screen: (x, y, w, h).
    g = s.window(w).get_geometry()
    return (*s.origin(w), g.width, g.height)


def extents(s, w):
    return tuple(s.prop(w, "_NET_FRAME_EXTENTS") or (0, 0, 0, 0))  # left, right, top, bottom


def area(left, top, right, bottom):
    # "X,Y,W,H" from its edges (right and bottom exclusive), kept INSET inside.
    return f"{left + INSET},{top + INSET},{right - left - 2 * INSET},{bottom - top - 2 * INSET}"


def client_area(s, w):
    x, y, cw, ch = client(s, w)
    return area(x, y, x + cw, y + ch)


def colour(app, key):
    return app.send("colour " + key).split()[2]


def probe(s, *args):
    done = subprocess.run([PROBE, *map(str, args)], env=s.env, capture_output=True, text=True)
    if done.returncode:
        raise Failed(f"the probe failed: {done.stderr.strip()}")
    return done.stdout.strip()


def probe_wait(s, what, colours, mode, limit, *areas):
    try:
        probe(s, "--colour", colours, "--wait", mode, "--limit", limit, *areas)
    except Failed as e:
        raise Failed(f"{what}: not reached within {limit} ms ({e})") from None


class Exposures:
    # The probe's lines by scenario, and the table of them. EXPOSURE_RAW=FILE keeps every line.

    def __init__(self):
        self.lines, self.unmeasurable = [], {}

    def record(self, scenario, line):
        self.lines.append((scenario, dict(kv.split("=") for kv in line.split())))
        if raw := os.environ.get("EXPOSURE_RAW"):
            with open(raw, "a") as f:
                f.write(f"{scenario} {line}\n")

    def of(self, scenario):
        return [f for s, f in self.lines if s == scenario]

    @staticmethod
    def header():
        print(f"{'scenario':<44} | {'trials':>6} | {'min':>6} | {'median':>6} | {'p95':>6}"
              f" | {'max':>6} | (ms); notes")

    def summary(self, scenario, label):
        trials = self.of(scenario)
        n = len(trials)
        if why := self.unmeasurable.get(scenario):
            print(f"{label:<44} | not measurable: {why}")
            return
        if not n:
            print(f"{label:<44} | {0:6d} |")
            return
        v = sorted(float(f["exposure_ms"]) for f in trials)
        median, p95 = middle(v), p95_of(v)
        errors = [float(f["error_ms"]) for f in trials]
        capped = sum(int(f["capped"]) for f in trials)
        flashes = sum(int(f["flashes"]) > 1 for f in trials)
        note = f"shown in {sum(x > 0 for x in v)}"
        note += f", {capped} still showing at the limit" if capped else ""
        note += f", {flashes} in several flashes" if flashes else ""
        note += (f"; a sample every {sum(float(f['interval_ms']) for f in trials) / n:.2f} ms;"
                 f" error {sum(errors) / n:.1f} on average, {max(errors):.1f} at worst")
        print(f"{label:<44} | {n:6d} | {v[0]:6.1f} | {median:6.1f} | {p95:6.1f} | {v[-1]:6.1f}"
              f" | {note}")

    @staticmethod
    def split_header(wm):
        print(f"{'in two parts':<44} | {'Tessavo':>7} | {'p95':>6} | {wm:>7} | {'p95':>6}"
              " | (ms: each part's median, 95th percentile); notes")

    def split(self, scenario, label):
        # Each exposure in two: until the server had Tessavo's change to the cover (asked_ms),
        # and after, until the screen showed it (the window manager's or compositor's part). A
        # cover asked for before the chat showed leaves it all to the compositor.
        ours, theirs, asked, unseen = [], [], [], 0
        for f in self.of(scenario):
            e, start, at = float(f["exposure_ms"]), float(f["start_ms"]), float(f["asked_ms"])
            if at >= 0:
                asked.append(at)
                ours.append(min(max(at - start, 0), e) if e > 0 else 0)
                theirs.append(e - ours[-1])
            elif e > 0:
                unseen += 1  # no change to a cover seen: no split
        if not asked and not unseen:
            return
        note = f"cover asked for {middle(sorted(asked)):.1f} ms after the command" if asked else ""
        note += f"; {unseen} shown without a change to a cover" if unseen else ""
        if not ours or scenario in self.unmeasurable:
            print(f"{label:<44} | {'':>7} | {'':>6} | {'':>7} | {'':>6} | {note}")
            return
        ours.sort()
        theirs.sort()
        print(f"{label:<44} | {middle(ours):7.1f} | {p95_of(ours):6.1f} | {middle(theirs):7.1f}"
              f" | {p95_of(theirs):6.1f} | {note}")


def middle(v):
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def p95_of(v):
    return v[math.ceil(0.95 * len(v)) - 1]


class Shown(threading.Thread):
    # Reads points over and over for the time given, on a connection of its own, one row of
    # the screen for the points on the same line; .join() returns (longest ms any showed one
    # of the colours at a stretch, points that ever showed one, most at once, samples).

    def __init__(self, s, seconds, colours, points):
        super().__init__(daemon=True)
        from Xlib import display
        self.x, self.colours = display.Display(s.env["DISPLAY"]), set(colours)
        self.rows = {}
        for x, y in points:
            self.rows.setdefault(y, []).append(x)
        self.end, self.result = time.monotonic() + seconds, None
        self.start()

    def run(self):
        from Xlib import X
        root, since, longest, ever, most, samples = self.x.screen().root, None, 0, set(), 0, 0
        while (now := time.monotonic()) < self.end:
            showing = set()
            for y, xs in self.rows.items():
                left = min(xs)
                data = root.get_image(left, y, max(xs) - left + 1, 1, X.ZPixmap, 0xFFFFFFFF).data
                showing |= {(x, y) for x in xs
                            if data[(x - left) * 4:(x - left) * 4 + 3][::-1].hex() in self.colours}
            samples += 1
            ever |= showing
            most = max(most, len(showing))
            since = (since or now) if showing else None
            longest = max(longest, time.monotonic() - since if since else 0)
        self.x.close()
        self.result = round(longest * 1000), len(ever), most, samples

    def join(self):
        super().join()
        return self.result
