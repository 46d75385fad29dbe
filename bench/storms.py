#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Storms: how long a covered chat shows while its windows change faster than anyone would
change them, read from the screen's pixels on a real X server (a private Xvfb with openbox),
another program in front throughout. Each storm runs inside the stand-in messenger, so it comes
as fast as a real application's; points of the chats are read all the while, and the longest
time one of them showed a chat's colour at a stretch is the figure.
  remap:   a chat unmapped and mapped again 2,000 times, 5 ms apart;
  resize:  a chat resized 1,000 times, 5 ms apart, to 1x1 and to 8000x8000 in turn;
  dialogs: 500 of the messenger's dialogs opened over a chat and closed again, 10 ms apart;
  wm-kill: the window manager killed and started again twice within 2 s, 200 chats open.
Usage: bench/storms.py [rounds]   (each storm this many times, 1 unless given; run
scripts/setup.sh first). STORMS="remap wm-kill", say, runs only those. STORMS_LOG=1 runs
Tessavo with its debug log, kept with the session (XS_KEEP=1).
"""
import os
import time

from measure import (MESSENGER, PALETTE, Failed, Shown, arguments, client, colour, machine,
                     needs_build, probe_wait, run, start_tessavo, wait)

STORMS = os.environ.get("STORMS", "remap resize dialogs wm-kill").split()


def storms(s, rounds):
    began = time.monotonic()
    print(f"== Storms, Xvfb + openbox; {machine()} ==")
    kakao = s.app("kakao")
    other = s.app("other", "--class", "org.example.Editor")
    if os.environ.get("STORMS_LOG"):
        s.tessavo()
    else:
        start_tessavo(s)

    def middle(key):
        x, y, w, h = client(s, kakao.ids[key])
        return x + w // 2, y + h // 2

    def storm(ms, verb, key, count, interval, *points):
        # Runs a storm in the messenger while its points are read. Only the chat's own colour
        # counts: the dialogs have theirs, and they are to be seen.
        def ended():
            return kakao.lines.count("stormed " + key)
        before = ended()
        shown = Shown(s, ms / 1000, [colour(kakao, key)], points)
        time.sleep(0.2)
        kakao.send(f"{verb} {key} {count} {interval}")
        wait(lambda: ended() > before, f"the {verb} storm did not end", ms / 1000 + 10)
        return shown.join()

    def report(label, points, result):
        longest, showed, most, samples = result
        print(f"{label:<36} | longest {longest:5d} ms | {showed} of {points} points showed,"
              f" {most} at once; {samples} samples")

    def covered(*points):
        probe_wait(s, "chats covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 1,
                   *(f"{x},{y},1,1" for x, y in points))

    # The dialogs belong to the messenger's first window: that is the chat they come over.
    kakao.send("open-unfocused d 60 60 400 400 채팅 D")
    kakao.send("open-unfocused m 520 60 400 400 채팅 M")
    kakao.send("open-unfocused r 980 60 300 300 채팅 R")
    other.send("open x 1100 720 250 100 메모")
    other.send("focus x")
    # Chat D is read below its dialogs and where they come (where it shows between two of them).
    dx, dy, dw, dh = client(s, kakao.ids["d"])
    d_point, d_under = (dx + dw // 2, dy + dh * 3 // 4), (dx + dw // 2, dy + dh // 4)
    m_point, r_point = middle("m"), middle("r")
    centre = (700, 700)  # inside chat R at 8000x8000, outside every other window
    covered(d_point, d_under, m_point, r_point)
    time.sleep(1)

    for _ in range(rounds):
        if "remap" in STORMS:
            report("remap: 2,000 times, 5 ms apart", 1,
                   storm(11000, "storm-remap", "m", 2000, 5, m_point))
            covered(m_point)
        if "resize" in STORMS:
            report("resize: 1,000 times, 5 ms apart", 2,
                   storm(6000, "storm-resize", "r", 1000, 5, r_point, centre))
            kakao.send("resize r 300 300")
            covered(r_point)
        if "dialogs" in STORMS:
            report("dialogs: 500, 10 ms apart", 2,
                   storm(6000, "storm-dialogs", "d", 500, 10, d_point, d_under))
            covered(d_point)
    if "wm-kill" in STORMS:
        wm_kill(s, kakao, other, rounds, report, covered)
    print(f"Whole run: {time.monotonic() - began:.0f} s")


def wm_kill(s, kakao, other, rounds, report, covered):
    # 200 chats in a grid of 20 x 10 (the other program at the bottom right, out of their way).
    for key in "dmr":
        kakao.send("close " + key)
    other.send("move x 1370 820")
    for i in range(200):
        kakao.tell(f"open-unfocused g{i} {i % 20 * 68} {30 + i // 20 * 78} 50 50 채팅 {i}")
    wait(lambda: sum(line.startswith("opened g") for line in kakao.lines) >= 200,
         "200 chats did not open", 30)
    other.send("focus x")

    def chats():
        return [w for w in s.managed() if s.wm_class(w) == MESSENGER and s.viewable(w)]
    wait(lambda: len(chats()) >= 200, "the window manager did not take on 200 chats", 30)
    points = [(x + w // 2, y + h // 2) for x, y, w, h in (client(s, c) for c in chats())]
    if len(points) != 200:
        raise Failed(f"found {len(points)} chats, not 200")
    covered(*points)
    time.sleep(2)
    for _ in range(rounds):
        shown = Shown(s, 5, PALETTE.split(","), points)
        time.sleep(0.2)
        for _ in range(2):
            s.wm.kill()
            s.wm.wait()
            time.sleep(0.3)
            s.wm = s.spawn(["openbox", "--sm-disable"], log="openbox")
            s.wms.append(s.wm)
            time.sleep(0.6)
        report("wm-kill: twice in 2 s, 200 chats", len(points), shown.join())
        wait(lambda: s.prop(s.root, "_NET_SUPPORTING_WM_CHECK"), "openbox did not come back", 10)
        covered(*points)
        time.sleep(2)


if __name__ == "__main__":
    needs_build("tessavo-exposure-probe")
    run(storms, *arguments(1))
