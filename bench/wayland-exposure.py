#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Exposure on Wayland sessions, where each cover is a window the compositor stacks directly
above its chat: how long a chat's own colour shows where it should be covered, under GNOME's
compositor (mutter, nested in a private Xvfb) and under sway (headless). Three cases:
  a. a new chat window opens while another program is in front;
  b. the focus leaves the chat in use for another program;
  c. a covered chat moves 200 px (the part of the screen it moves into).
Under mutter build/tessavo-exposure-probe reads the Xvfb that mutter draws into, about once a
millisecond. Sway has no X screen to read: grim captures the area over and over, so its figures
are only good to about one capture (timed here too). Sway tiles its windows: the chat of case c
is made floating, and a rule keeps new chats from taking the focus, as mutter does for a window
that asks not to take it.
Usage: bench/wayland-exposure.py [trials] [mutter|sway]   (20 a case, both; XS_BUILD=DIR names
the build)
"""
import json
import os
import random
import re
import socket
import struct
import subprocess
import sys
import time

from measure import (PALETTE, PROBE, Exposures, Failed, area, client, client_area,
                     colour, extents, machine, needs_build)
from wayland import NestedMutter, Sway, Unavailable
from xsession import COVER, wait

LIMIT, QUIET = 3000, 300  # ms: the longest a trial waits; how long a colour must stay away
CASES = (("a", "new chat opens, other program in front"),
         ("b", "focus leaves the chat for another program"),
         ("c", "covered chat moves 200 px"))


def record(results, scenario, samples):
    # One trial from grim's samples, as (ms after the trigger, colour shown), in the probe's
    # terms: from the first sample showing the colour (the trigger, when it showed already)
    # to the first after the last one showing it; error_ms adds up the gaps at both ends.
    times = [t for t, _ in samples]
    shown = [i for i, (_, v) in enumerate(samples) if v]
    line = dict(exposure_ms=0, error_ms=0, capped=0, flashes=0,
                interval_ms=(times[-1] - times[0]) / max(1, len(times) - 1))
    if shown:
        first, last = shown[0], shown[-1]
        start = 0 if first == 0 else times[first]
        end = times[last + 1] if last + 1 < len(samples) else LIMIT
        line.update(exposure_ms=end - start, capped=int(last + 1 == len(samples)),
                    flashes=sum(v and not (i and samples[i - 1][1])
                                for i, (_, v) in enumerate(samples)),
                    error_ms=(times[first] - times[first - 1] if first else 0) + end - times[last])
    results.record(scenario, " ".join(f"{k}={v:.2f}" if isinstance(v, float) else f"{k}={v}"
                                      for k, v in line.items()))


def mutter(s, trials, results):
    env = dict(s.env, DISPLAY=s.screen_display)  # the Xvfb that mutter draws into

    def probe(*args):
        done = subprocess.run([PROBE, *map(str, args)], env=env, capture_output=True, text=True)
        if done.returncode:
            raise Failed(f"the probe failed: {done.stderr.strip()}")
        return done.stdout.strip()

    def timed(scenario, colour, app, line, *areas):
        results.record(scenario, probe("--colour", colour, "--jitter", 120, "--limit", LIMIT,
                                       "--send", app.fifo, line, *areas))

    def until(colours, mode, *areas):
        probe("--colour", colours, "--wait", mode, "--limit", 5000, "--quiet", 50, *areas)

    kakao = s.app("kakao")
    for key, x in (("main", 1100), ("b", 40), ("m", 400)):
        kakao.send(f"open {key} {x} 80 300 300 채팅 {key}")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 1100 600 250 100 메모")
    chat = kakao.ids
    s.tessavo()
    s.wait_log(f"COVERS stacked above their chats (WAYLAND_DISPLAY={s.env['WAYLAND_DISPLAY']})")
    until(PALETTE, "none", *(client_area(s, chat[k]) for k in ("main", "b", "m")))

    # mutter zooms and fades a new window in for some 200 ms: its own colour shows only at
    # the end, and a blend of it before then is not seen here.
    new = "open-unfocused n 400 480 300 300 새 채팅"
    kakao.send(new)  # untimed, for its colour and place
    n_colour, n_area = colour(kakao, "n"), client_area(s, chat["n"])
    for i in range(trials + 1):
        kakao.send("close n")
        until(f"{n_colour},{COVER}", "none", n_area)
        if i < trials:
            timed("a", n_colour, kakao, new, n_area)
            if s.active() == chat["n"]:
                raise Failed("the new chat took the focus")

    b_colour, b_area = colour(kakao, "b"), client_area(s, chat["b"])
    for _ in range(trials):
        kakao.send("focus b")
        until(b_colour, "all", b_area)
        timed("b", b_colour, other, "focus x", b_area)

    m_colour = colour(kakao, "m")
    mx, my, mw, mh = client(s, chat["m"])
    ml, mr, mt, _ = extents(s, chat["m"])
    strips = (area(mx + mw + mr, my, mx + 200 + mw, my + mh), area(mx, my, mx + 200 - ml, my + mh))
    for i in range(trials):
        x = mx + 200 * (1 - i % 2)  # right, then back
        timed("c", m_colour, kakao, f"move m {x - ml} {my - mt}", strips[i % 2])
        if client(s, chat["m"]) != (x, my, mw, mh):
            raise Failed(f"chat M is at {client(s, chat['m'])} after trial {i}")


class Ipc:
    # sway's command socket, held open: a trigger is one write, timed from just before it.

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.replies = self.sock.makefile("rb")

    def __call__(self, command):
        body = command.encode()
        self.sock.sendall(b"i3-ipc" + struct.pack("=II", len(body), 0) + body)
        size, _ = struct.unpack("=II", self.replies.read(14)[6:])
        if not all(r["success"] for r in json.loads(self.replies.read(size))):
            raise Failed(f"sway refused '{command}'")


def sway(s, trials, results):
    ipc = Ipc(s.env["SWAYSOCK"])

    def grab(where):
        # The pixels of an area "X,Y,W,H" in one grim capture, and when it was taken: the
        # middle of grim's run, in which the picture is taken at some moment.
        x, y, w, h = map(int, where.split(","))
        t = time.monotonic()
        data = s.run(["grim", "-g", f"{x},{y} {w}x{h}", "-t", "ppm", "-"]).stdout
        return (t + time.monotonic()) / 2, data[len(data) - w * h * 3:]

    def shows(rgb, colours):
        return any(m.start() % 3 == 0 for c in colours.split(",")
                   for m in re.finditer(b"(?=%s)" % re.escape(bytes.fromhex(c)), rgb))

    def timed(scenario, colour, trigger, where):
        time.sleep(random.uniform(0, 0.12))  # out of step with Tessavo's own poll
        samples, last = [(0.0, shows(grab(where)[1], colour))], None
        t0 = time.monotonic()
        trigger()
        while (now := (time.monotonic() - t0) * 1000) < LIMIT and (
                last is None or now - last < QUIET):
            t, rgb = grab(where)
            samples.append(((t - t0) * 1000, shows(rgb, colour)))
            last = samples[-1][0] if samples[-1][1] else last
        record(results, scenario, samples)

    def until(colours, present, where, what):
        wait(lambda: shows(grab(where)[1], colours) == present, what, 10)

    def covers():
        # Where sway has Tessavo's covers: (x, y, w, h) each.
        todo, found = [s.sway("-t", "get_tree")], []
        while todo:
            n = todo.pop()
            if n.get("name") == "tessavo cover":
                found.append(tuple(n["rect"][k] for k in ("x", "y", "width", "height")))
            todo += n.get("nodes", []) + n.get("floating_nodes", [])
        return found

    def settled(keys=("main", "b", "m"), timeout=10):
        # Every chat has its cover where it is, by sway's account; false after the timeout.
        return wait(lambda: sorted(covers()) == sorted(s.frame(chat[k]) for k in keys), None,
                    timeout)

    ipc('no_focus [class="com.kakao.KakaoTalkMac"]')
    kakao = s.app("kakao")
    for key in ("main", "b", "m"):
        kakao.send(f"open {key} 40 80 300 300 채팅 {key}")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 1100 600 250 100 메모")
    chat = kakao.ids
    place = f"[id={chat['m']}] floating enable, resize set 300 300, move absolute position"
    wait(lambda: s.frame(chat["m"]) == (400, 80, 300, 300) or ipc(f"{place} 400 80"),
         "chat M is not floating at (400, 80)", 10)
    focus_x = f"[id={other.ids['x']}] focus"
    ipc(focus_x)
    s.tessavo()
    s.wait_log(f"COVERS stacked above their chats (WAYLAND_DISPLAY={s.env['WAYLAND_DISPLAY']})")
    assert settled(), f"covers at {covers()}, chats at {[s.frame(chat[k]) for k in chat]}"
    for key in ("main", "b", "m"):
        until(colour(kakao, key), False, client_area(s, chat[key]), f"chat {key} not covered")

    b_colour, b_area = colour(kakao, "b"), client_area(s, chat["b"])
    for _ in range(trials):
        ipc(f"[id={chat['b']}] focus")
        until(b_colour, True, b_area, "chat B not revealed")
        timed("b", b_colour, lambda: ipc(focus_x), b_area)

    # Chat M floats over the main window and the other program's, never wholly over the
    # latter's: sway draws floating windows above tiled ones whatever their order in X,
    # where Tessavo would find M hidden behind it and take its cover away.
    m_colour = colour(kakao, "m")
    strips = (area(200, 80, 400, 380), area(500, 80, 700, 380))
    for i in range(trials):
        x = 200 + 200 * (i % 2)
        timed("c", m_colour, lambda: ipc(f"[id={chat['m']}] move absolute position {x} 80"),
              strips[i % 2])
        if s.frame(chat["m"]) != (x, 80, 300, 300):
            raise Failed(f"chat M is at {s.frame(chat['m'])} after trial {i}")
    ipc(f"[id={chat['m']}] move absolute position 200 80")  # the same, with the new chat

    # The new chat is tiled beside the other program; the windows there make room for it.
    new, astray, unsettled = "open-unfocused n 400 480 300 300 새 채팅", 0, 0
    kakao.send(new)  # untimed, for its colour and place
    n_colour = colour(kakao, "n")
    n_area = wait(lambda: s.frame(chat["n"])[3] == 900 and client_area(s, chat["n"]))
    for i in range(trials + 1):
        kakao.send("close n")
        ipc(focus_x)
        unsettled += not settled(timeout=3)
        if i < trials:
            timed("a", n_colour, lambda: kakao.tell(new), n_area)
            if s.active() == chat["n"]:
                raise Failed("the new chat took the focus")
            astray += not settled(("main", "b", "m", "n"), 0)

    began = time.monotonic()
    for _ in range(20):
        grab(b_area)
    print(f"(sway: one grim capture of chat B's area takes"
          f" {(time.monotonic() - began) / 20 * 1000:.1f} ms. Case a: a chat without its cover in"
          f" place at the end of {astray} of {trials} trials, and 3 s after the new chat"
          f" closed in {unsettled} of {trials + 1})")


def main():
    needs_build(os.path.basename(PROBE))
    trials, only = int((sys.argv[1:] or [20])[0]), sys.argv[2:]
    for name, session, run in (("mutter", NestedMutter, mutter), ("sway", Sway, sway)):
        if only and name not in only:
            continue
        results, began = Exposures(), time.monotonic()
        print(f"\n== {name}: {trials} trials a case; {machine()} ==")
        try:
            s = session(None)
        except Unavailable as e:
            print(f"not measured: {e}")
            continue
        try:
            run(s, trials, results)
        except (Failed, AssertionError) as e:
            print(f"stopped: {e}")
        finally:
            s.stop()
        results.header()
        for scenario, label in CASES:
            results.summary(scenario, f"{scenario}. {label}")
        print(f"({time.monotonic() - began:.0f} s; {machine()})")


if __name__ == "__main__":
    main()
