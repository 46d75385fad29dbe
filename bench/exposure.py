#!/usr/bin/python3
"""Exposure: how long a chat window's own pixels stay on screen when they should be covered,
read from the screen's pixels on a real X server (a private Xvfb with openbox). Six cases, each
timed over a number of trials by build/tessavo-exposure-probe:
  a. a new chat window opens while another program is in front;
  b. the focus leaves the chat in use for another program;
  c. a covered chat moves 200 px (the part of the screen it moves into);
  d. a covered chat grows 150 px in width and height (the strips it grows into);
  e. a covered chat is restored from minimized;
  f. a window of another program takes the messenger's class after it is mapped.
Then Tessavo's CPU use (share of one core) and resident memory with 10 and with 50 covered
chats and another program in front, and with the messenger not running at all.
Usage: bench/exposure.py [trials] [seconds]   (40 trials, 20 s per CPU figure; run
scripts/setup.sh first). EXPOSURE_RAW=FILE keeps every trial's probe line.
"""
import os
import re
import subprocess
import time

from measure import (DESKTOP, INSET, PALETTE, PROBE, Exposures, Failed, area, arguments, client,
                     client_area, colour, cpu, extents, machine, needs_build, probe, probe_wait,
                     run, start_tessavo, usage)


def exposure(s, trials, seconds):
    began = time.monotonic()
    results = Exposures()
    # Without openbox's minimize animation: a restored window shows at once, so case e times
    # Tessavo and not the animation (other desktops animate differently, or not at all).
    os.makedirs(os.path.join(s.config, "openbox"), exist_ok=True)
    with open("/etc/xdg/openbox/rc.xml") as f, \
            open(os.path.join(s.config, "openbox", "rc.xml"), "w") as rc:
        rc.write(f.read().replace("<animateIconify>yes</animateIconify>",
                                  "<animateIconify>no</animateIconify>"))
    subprocess.run(["openbox", "--reconfigure"], env=s.env, check=True)

    def timed(scenario, colour, app, line, *areas):
        # A random wait of up to two of Tessavo's 60 ms polls first: trials that follow one
        # another at a steady pace would otherwise meet the poll at much the same moment.
        results.record(scenario, probe(s, "--colour", colour, "--jitter", 120,
                                       "--send", app.fifo, line, *areas))

    def gone(what, *areas):
        probe_wait(s, what, DESKTOP, "all", 3000, *areas)

    def shows(what, colour, *areas):
        probe_wait(s, what, colour, "all", 3000, "--quiet", 50, *areas)

    print(f"== Exposure: {trials} trials a case, Xvfb + openbox; {machine()} ==")
    kakao = s.app("kakao")
    for key, x, y in (("b", 40, 80), ("m", 400, 80), ("g", 960, 80), ("e", 40, 480)):
        kakao.send(f"open {key} {x} {y} 260 300 채팅 {key.upper()}")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 1100 720 250 100 메모")
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

    def expect_client(key, want):
        if (now := client(s, chat[key])) != want:
            raise Failed(f"chat {key} is at {now}, not at {want} as asked")

    # a. A chat opens by itself (a new message) while the other program has the focus. One
    #    untimed first, for its colour and place.
    new = "open-unfocused n 400 480 300 300 새 채팅"
    kakao.send(new)
    n_colour, n_area = colour(kakao, "n"), client_area(s, chat["n"])
    kakao.send("close n")
    gone("new chat's cover gone", n_area)
    for _ in range(trials):
        timed("a", n_colour, kakao, new, n_area)
        kakao.send("close n")
        gone("new chat's cover gone", n_area)

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
    ml, mr, mt, _ = extents(s, chat["m"])
    right = area(mx + mw + mr, my, mx + 200 + mw, my + mh)
    left = area(mx, my, mx + 200 - ml, my + mh)
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
    _, gr, _, gb = extents(s, chat["g"])
    g_right = area(gx + gw + gr, gy, gx + gw + 150, gy + gh + 150)
    g_below = area(gx, gy + gh + gb, gx + gw + gr, gy + gh + 150)
    for _ in range(trials):
        timed("d", g_colour, kakao, f"resize g {gw + 150} {gh + 150}", g_right, g_below)
        expect_client("g", (gx, gy, gw + 150, gh + 150))
        kakao.send(f"resize g {gw} {gh}")
        gone("chat G's cover back to size", g_right, g_below)

    # e. Chat E comes back from minimized while the other program keeps the focus.
    e_colour, e_area = colour(kakao, "e"), client_area(s, chat["e"])
    for _ in range(trials):
        kakao.send("minimize e")
        gone("chat E and its cover gone", e_area)
        timed("e", e_colour, kakao, "unminimize e", e_area)
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
    exposure_took = time.monotonic() - began

    results.header()
    for scenario, label in (("a", "new chat opens, other program in front"),
                            ("b", "focus leaves the chat for another program"),
                            ("c", "covered chat moves 200 px"),
                            ("d", "covered chat grows 150 px each way"),
                            ("e", "covered chat restored from minimized"),
                            ("f", "a window takes the messenger's class")):
        results.summary(scenario, f"{scenario}. {label}")
    if active := [float(f["active_ms"]) for f in results.of("b") if float(f["active_ms"]) >= 0]:
        print(f"(b: the window manager announced the focus change"
              f" {sum(active) / len(active):.1f} ms after the command, on average)")
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
    other.send("move x 1380 600")  # out of every chat's way, so no check for chats sees it
    areas = open_grid(10, 5, 20, 40, 270, 420, 260, 400)
    tessavo = start_tessavo(s)
    probe_wait(s, "10 chats covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 3, *areas)
    cpu_row("10 covered chats, other program in front")

    for i in range(10):
        kakao.send(f"close c{i}")
    areas = open_grid(50, 10, 10, 50, 135, 168, 120, 130)
    probe_wait(s, "50 chats covered", PALETTE, "none", 15000, "--quiet", 500, "--rows", 3, *areas)
    cpu_row("50 covered chats, other program in front")

    kakao.tell("quit")
    probe_wait(s, "messenger gone", DESKTOP, "all", 5000, "--rows", 3, *areas)
    processes = sum(name.isdigit() for name in os.listdir("/proc"))
    cpu_row(f"messenger not running ({processes} processes)")
    print(f"Whole run: {time.monotonic() - began:.0f} s")


if __name__ == "__main__":
    needs_build(os.path.basename(PROBE))
    run(exposure, *arguments(40, 20))
