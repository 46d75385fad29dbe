#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Exposure: how long a chat window's own pixels stay on screen when they should be covered,
read from the screen's pixels on a real X server (a private Xvfb with openbox, or the
compositing xfwm4 or mutter). Eight cases, each timed over a number of trials by
build/tessavo-exposure-probe:
  a. a new chat window opens while another program is in front;
  b. the focus leaves the chat in use for another program;
  c. a covered chat moves 200 px (the part of the screen it moves into);
  d. a covered chat grows 150 px in width and height (the strips it grows into);
  e. a covered chat is restored from minimized;
  f. a window of another program takes the messenger's class after it is mapped;
  g. a new window of another protected application ("apps" in the settings) opens while
     another program is in front;
  h. the window being worked in, partly in front of a covered chat (which shows it through a
     hole), moves off the chat (the part of the chat it lay over).
Each exposure is then split in two: until the X server had Tessavo's change to the cover over
the chat (a map, a move or resize, a new shape or opacity: the probe watches Tessavo's cover
windows), and after, until the screen showed it, which is the window manager's or compositor's.
Under mutter, a and e are not measurable: it fades a new window in, and restores a minimized
one only by activating it. Under xfwm4, e restores the chat as a pager does.
Then Tessavo's CPU use (share of one core) and resident memory with 10 and with 50 covered
chats and another program in front, with 10 chats and 10 windows of two more protected
applications, and with the messenger not running at all.
Usage: bench/exposure.py [trials] [seconds] [--wm openbox|xfwm4|mutter]   (40 trials, 20 s per
CPU figure, openbox; run scripts/setup.sh first). EXPOSURE_RAW=FILE keeps every trial's probe
line.
"""
import argparse
import os
import re
import subprocess
import threading
import time

from Xlib import X, display
from Xlib.protocol.event import ClientMessage

from measure import (COVER, INSET, PALETTE, PROBE, Exposures, Failed, area, client, client_area,
                     colour, cpu, extents, machine, needs_build, probe, probe_wait, run,
                     start_tessavo, usage, wait)

MANAGERS = {"openbox": "openbox", "xfwm4": "xfwm4, compositing", "mutter": "mutter, compositing"}


class Pager:
    # Restores a minimized window without activating it, as a pager does: for each window id
    # written to its FIFO, asks the window manager to take _NET_WM_STATE_HIDDEN off.

    def __init__(self, s):
        self.fifo = s.path("pager.in")
        os.mkfifo(self.fifo)
        self.lines = os.fdopen(os.open(self.fifo, os.O_RDWR))  # never blocks, never sees an end
        self.x = display.Display(s.env["DISPLAY"])
        threading.Thread(target=self.run, daemon=True).start()

    def run(self):
        root, state = self.x.screen().root, self.x.intern_atom("_NET_WM_STATE")
        hidden = self.x.intern_atom("_NET_WM_STATE_HIDDEN")
        for line in self.lines:
            w = self.x.create_resource_object("window", int(line))
            ask = ClientMessage(window=w, client_type=state, data=(32, [0, hidden, 0, 2, 0]))
            root.send_event(ask, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
            self.x.flush()


def exposure(s, trials, seconds):
    began = time.monotonic()
    results = Exposures()
    wm = s.wm_name
    if wm == "openbox":
        # Without openbox's minimize animation: a restored window shows at once, so case e
        # times Tessavo and not the animation.
        os.makedirs(os.path.join(s.config, "openbox"), exist_ok=True)
        with open("/etc/xdg/openbox/rc.xml") as f, \
                open(os.path.join(s.config, "openbox", "rc.xml"), "w") as rc:
            rc.write(f.read().replace("<animateIconify>yes</animateIconify>",
                                      "<animateIconify>no</animateIconify>"))
        subprocess.run(["openbox", "--reconfigure"], env=s.env, check=True)

    def timed(scenario, colour, app, line, *areas):
        # A random wait of up to two of Tessavo's 60 ms polls first: trials that follow one
        # another at a steady pace would otherwise meet the poll at much the same moment.
        results.record(scenario, probe(s, "--colour", colour, "--jitter", 120, "--watch",
                                       "tessavo cover", "--send", app.fifo, line, *areas))

    def gone(what, colour, *areas):
        # Neither the chat nor its cover: a compositor paints the desktop itself (black, shaded)
        # and casts shadows, so no one colour stands for it.
        probe_wait(s, what, f"{colour},{COVER}", "none", 3000, *areas)

    def shows(what, colour, *areas):
        probe_wait(s, what, colour, "all", 3000, "--quiet", 50, *areas)

    print(f"== Exposure: {trials} trials a case, Xvfb + {MANAGERS[wm]}; {machine()} ==")
    kakao = s.app("kakao")
    for key, x, y in (("b", 40, 80), ("m", 400, 80), ("g", 960, 80), ("e", 40, 480)):
        kakao.send(f"open {key} {x} {y} 260 300 채팅 {key.upper()}")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 1100 720 250 100 메모")
    chatter, mailer = s.app("chatter", "--class", "Chatter"), s.app("mailer", "--class", "Mailer")
    s.store_settings({"apps": ["Chatter", "Mailer"]})
    chat = kakao.ids
    tessavo = start_tessavo(s)
    probe_wait(s, "chats covered", PALETTE, "none", 15000, "--quiet", 500,
               *(client_area(s, chat[k]) for k in "bmge"))
    time.sleep(1)  # first paints and font loading are not the steady state
    b_colour = colour(kakao, "b")
    bx, by, bw, bh = client(s, chat["b"])
    leak = probe(s, "--colour", b_colour, "--count",
                 f"{bx - INSET},{by - INSET},{bw + 2 * INSET},{bh + 2 * INSET}")
    leak = re.sub(r"matching=(\d+) of=(\d+)", r"\1 of \2", leak)

    def cover_edges(w):
        # The cover over a chat: its left, top, right and bottom edges (right and bottom
        # exclusive), once there is one. It covers the chat's frame, and under mutter the
        # frame's invisible borders too.
        def edges():
            x, y, cw, ch = client(s, w)
            for c in s.covers():
                fx, fy, fw, fh = s.frame(c)
                if fx <= x and fy <= y and x + cw <= fx + fw and y + ch <= fy + fh:
                    return fx, fy, fx + fw, fy + fh
        return wait(edges, f"no cover over window {w:#x}", 3)

    def expect_client(key, want):
        if (now := client(s, chat[key])) != want:
            raise Failed(f"chat {key} is at {now}, not at {want} as asked")

    def opens_by_itself(scenario, app, title):
        # A window opens by itself (a new message) while the other program has the focus. One
        # untimed first, for its colour and place.
        new = f"open-unfocused n 400 480 300 300 {title}"
        app.send(new)
        n_colour, n_area = colour(app, "n"), client_area(s, app.ids["n"])
        app.send("close n")
        gone("new window's cover gone", n_colour, n_area)
        for _ in range(trials):
            timed(scenario, n_colour, app, new, n_area)
            app.send("close n")
            gone("new window's cover gone", n_colour, n_area)
        if wm == "mutter":
            results.unmeasurable[scenario] = ("mutter fades a new window in over 250 ms, and the"
                                              " probe sees only its own colour, at the end of it")

    # a. A chat opens by itself.
    opens_by_itself("a", kakao, "새 채팅")

    # b. The user works in chat B, then turns to the other program: B is in full view until then.
    b_area = client_area(s, chat["b"])
    for _ in range(trials):
        kakao.send("focus b")
        shows("chat B revealed", b_colour, b_area)
        timed("b", b_colour, other, "focus x", b_area)

    # c. Chat M moves 200 px right, then back left, and so on: the probe reads the part of the
    #    screen the chat moves into, which its cover did not cover before the move.
    m_colour = colour(kakao, "m")
    mx, my, mw, mh = client(s, chat["m"])
    ml, _, mt, _ = extents(s, chat["m"])
    cl, _, cr, _ = cover_edges(chat["m"])
    right = area(cr, my, mx + 200 + mw, my + mh)
    left = area(mx, my, cl + 200, my + mh)
    fx, fy = mx - ml, my - mt
    for i in range(trials):
        if i % 2 == 0:
            timed("c", m_colour, kakao, f"move m {fx + 200} {fy}", right)
            expect_client("m", (mx + 200, my, mw, mh))
        else:
            timed("c", m_colour, kakao, f"move m {fx} {fy}", left)
            expect_client("m", (mx, my, mw, mh))
    if trials % 2:
        kakao.send(f"move m {fx} {fy}")

    # d. Chat G grows by 150 px each way (its top-left stays): the probe reads the strips to
    #    the right and below that its cover did not cover. Shrinking back is not timed.
    g_colour = colour(kakao, "g")
    gx, gy, gw, gh = client(s, chat["g"])
    cr, cb = cover_edges(chat["g"])[2:]
    g_right = area(cr, gy, gx + gw + 150, gy + gh + 150)
    g_below = area(gx, cb, cr, gy + gh + 150)
    stale = 0
    for _ in range(trials):
        timed("d", g_colour, kakao, f"resize g {gw + 150} {gh + 150}", g_right, g_below)
        expect_client("g", (gx, gy, gw + 150, gh + 150))
        kakao.send(f"resize g {gw} {gh}")
        wait(lambda: cover_edges(chat["g"])[2:] == (cr, cb), "chat G's cover not back to size", 3)
        try:
            gone("chat G's cover back to size", g_colour, g_right, g_below)
        except Failed:
            stale += 1  # the server has the cover back to size: the screen was not redrawn

    # e. Chat E comes back from minimized while the other program keeps the focus. xfwm4 does
    #    that only when a pager asks; mutter only by activating the chat, which reveals it as
    #    the chat in use (and it keeps a minimized window mapped).
    e_colour, e_area = colour(kakao, "e"), client_area(s, chat["e"])
    if wm == "mutter":
        results.unmeasurable["e"] = "mutter restores a minimized chat only by activating it"
    else:
        restorer, restore = (kakao, "unminimize e") if wm == "openbox" else (Pager(s), chat["e"])
        for _ in range(trials):
            kakao.send("minimize e")
            gone("chat E and its cover gone", e_colour, e_area)
            timed("e", e_colour, restorer, str(restore), e_area)
            if not s.viewable(chat["e"]):
                raise Failed("chat E was not restored")

    # f. A window of another program takes the messenger's class after it is mapped (and gives
    #    it back after each trial), while that program's other window has the focus.
    other.send("open-unfocused w 700 480 300 300 바뀌는 창")
    w_colour, w_area = colour(other, "w"), client_area(s, other.ids["w"])
    other.send("focus x")
    for _ in range(trials):
        shows("window W shown as another program's", w_colour, w_area)
        timed("f", w_colour, other, "reclass w com.kakao.KakaoTalkMac", w_area)
        other.send("reclass w org.example.Editor")
    other.send("close w")

    # g. A window of another protected application opens by itself.
    opens_by_itself("g", chatter, "새 대화")

    # h. The window worked in lies partly in front of covered chat B, which shows it through a
    #    hole, and then moves off: chat B must not show where it was.
    other.send("focus x")
    xx, xy = client(s, other.ids["x"])[:2]
    xl, _, xt, _ = extents(s, other.ids["x"])
    x_colour, ox, oy = colour(other, "x"), bx + bw // 2, by + bh // 2
    overlap = area(ox, oy, bx + bw, min(by + bh, oy + 100))
    for _ in range(trials):
        other.send(f"move x {ox - xl} {oy - xt}")
        shows("the window worked in shows in front of chat B", x_colour, overlap)
        timed("h", b_colour, other, f"move x {xx - xl} {xy - xt}", overlap)
        if client(s, other.ids["x"])[:2] != (xx, xy):
            raise Failed("the window worked in did not move back")
    exposure_took = time.monotonic() - began

    results.header()
    labels = (("a", "new chat opens, other program in front"),
              ("b", "focus leaves the chat for another program"),
              ("c", "covered chat moves 200 px"),
              ("d", "covered chat grows 150 px each way"),
              ("e", "covered chat restored from minimized"),
              ("f", "a window takes the messenger's class"),
              ("g", "protected application's new window opens"),
              ("h", "window worked in moves off a covered chat"))
    for scenario, label in labels:
        results.summary(scenario, f"{scenario}. {label}")
    if active := [float(f["active_ms"]) for f in results.of("b") if float(f["active_ms"]) >= 0]:
        print(f"(b: the window manager announced the focus change"
              f" {sum(active) / len(active):.1f} ms after the command, on average)")
    if stale:
        print(f"(d: {stale} of {trials} times {wm} left the bigger cover on screen after the"
              " server had it back to size)")
    results.split_header(wm)
    for scenario, label in labels:
        results.split(scenario, f"{scenario}. {label}")
    print(f"Steady state: {leak} pixels of covered chat B (and {INSET} px around it) show its"
          " colour")
    print(f"Exposure took {exposure_took:.0f} s")

    print(f"\n== Running program, {seconds} s each; CPU in % of one core ==")

    def cpu_row(label):
        time.sleep(3)  # settle: covers painted, fonts loaded
        t0, x0 = cpu(tessavo.pid), cpu(s.xvfb.pid)
        time.sleep(seconds)
        t, x = cpu(tessavo.pid) - t0, cpu(s.xvfb.pid) - x0
        print(f"{label:<44} | {100 * t / seconds:9.2f} | {100 * x / seconds:9.2f}"
              f" | {usage(tessavo.pid)[1] / 1024:7.1f}")

    def open_grid(count, columns, x0, y0, dx, dy, w, h):
        # Chats c0... in a grid, the other program in front; their areas.
        for i in range(count):
            kakao.send(f"open-unfocused c{i} {x0 + i % columns * dx} {y0 + i // columns * dy}"
                       f" {w} {h} 채팅 {i + 1}")
        other.send("focus x")
        return [client_area(s, chat[f"c{i}"]) for i in range(count)]

    print(f"{'':<44} | {'Tessavo':>9} | {'X server':>9} | {'RSS MB':>7}")
    s.end(tessavo)
    for key in "bmge":
        kakao.send("close " + key)
    # Out of every chat's way, so no check for chats sees it; small enough to lie wholly on
    # screen there, where mutter keeps a window.
    other.send("resize x 60 60")
    other.send("move x 1370 600")
    areas = open_grid(10, 5, 20, 40, 270, 420, 260, 400)
    tessavo = start_tessavo(s)
    probe_wait(s, "10 chats covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 3, *areas)
    cpu_row("10 covered chats, other program in front")

    # Ten chats in a row above ten windows of the two other applications.
    for i in range(10):
        kakao.send(f"close c{i}")
    areas = open_grid(10, 10, 10, 50, 135, 0, 125, 380)
    for i in range(10):
        app = (chatter, mailer)[i % 2]
        app.send(f"open-unfocused w{i} {10 + i * 135} 470 125 380 창 {i + 1}")
        areas.append(client_area(s, app.ids[f"w{i}"]))
    other.send("focus x")
    probe_wait(s, "20 windows covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 3,
               *areas)
    cpu_row("10 chats and 10 windows of 2 more apps")
    for i in range(10):
        kakao.send(f"close c{i}")
        (chatter, mailer)[i % 2].send(f"close w{i}")
    areas = open_grid(50, 10, 10, 50, 135, 168, 120, 130)
    probe_wait(s, "50 chats covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 3, *areas)
    cpu_row("50 covered chats, other program in front")

    kakao.tell("quit")
    probe_wait(s, "messenger gone", f"{PALETTE},{COVER}", "none", 5000, "--rows", 3, *areas)
    processes = sum(name.isdigit() for name in os.listdir("/proc"))
    cpu_row(f"messenger not running ({processes} processes)")
    print(f"Whole run: {time.monotonic() - began:.0f} s")


if __name__ == "__main__":
    needs_build(os.path.basename(PROBE))
    cli = argparse.ArgumentParser(description="Exposure of covered chats, read off the screen.")
    cli.add_argument("trials", nargs="?", type=int, default=40)
    cli.add_argument("seconds", nargs="?", type=int, default=20, help="per CPU figure")
    cli.add_argument("--wm", choices=MANAGERS, default="openbox")
    given = cli.parse_args()
    run(exposure, given.trials, given.seconds, wm=given.wm)
