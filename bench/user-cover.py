#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Covering the user asks for: how long a chat stays readable after the user's own action asks
for its cover, read from the screen's pixels on a real X server (a private Xvfb with openbox
and a tray host). Four actions, each timed over a number of trials by
build/tessavo-exposure-probe, from the moment the X server tells of the input (the press of the
key that completes the action; the button's release, which is when a click counts) until no
pixel of the chat shows:
  a. the hot key of the chat in use (it goes back under its cover);
  b. a click on the slot of the chat in use in the switcher bar (the same);
  c. a right click on a chat's orange slot (covering switched back on);
  d. "일시정지" chosen again in the tray menu (covering resumed).
Usage: bench/user-cover.py [trials]   (10 trials; run scripts/setup.sh first). Tessavo runs
with its debug log, whose lines tell when the chat is in use.
"""
import os
import time

from measure import (PROBE, Exposures, arguments, client_area, colour, machine, needs_build,
                     probe, probe_wait, run, wait)


def user_cover(s, trials):
    began = time.monotonic()
    results = Exposures()
    s.store_settings({"chatKeys": {"채팅 A": "1"}})
    s.start_tray()
    print(f"== Covering the user asks for: {trials} trials an action, Xvfb + openbox;"
          f" {machine()} ==")
    kakao = s.app("kakao")
    kakao.send("open main 20 40 300 400 카카오톡")
    kakao.send("open a 400 80 400 400 채팅 A")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 1000 600 300 200 메모")
    a = kakao.ids["a"]
    s.tessavo()
    a_colour, a_area = colour(kakao, "a"), client_area(s, a)
    probe_wait(s, "chat A covered", a_colour, "none", 15000, "--quiet", 300, a_area)
    bar_x, bar_y = s.origin(wait(s.bar, "no switcher bar"))
    slot_a = (bar_x + 65, bar_y + 17)  # the second slot: K, then chat A

    def in_use():
        # Whether the debug log's last word on chat A is that it is revealed and in use.
        protect, state = s.log_lines("PROTECT → "), s.log_lines(f"STATE {a} ")
        return (protect and protect[-1].startswith(f"PROTECT → {a} ")
                and state and state[-1].endswith("= revealed"))

    def shows(what):
        probe_wait(s, what, a_colour, "all", 3000, "--quiet", 50, a_area)

    def work_in_a():
        # The user turns to chat A with its hot key (a pick reveals it) and works in it.
        s.key("ctrl+alt+1")
        wait(in_use, "chat A did not come into use")
        shows("chat A revealed")

    def timed(scenario, on, command):
        results.record(scenario, probe(s, "--colour", a_colour, "--limit", 3000, "--quiet", 300,
                                       "--run", command, "--on", on, a_area))

    # a, b. The chat in use goes back under its cover: its hot key, or its slot.
    # The modifiers are held first: the press that counts is the one that completes the hot key.
    for _ in range(trials):
        work_in_a()
        s.xdotool("keydown", "ctrl+alt")
        timed("a", "press", "xdotool key 1")
        s.xdotool("keyup", "ctrl+alt")
    for _ in range(trials):
        work_in_a()
        timed("b", "release", "xdotool mousemove %d %d click 1" % slot_a)

    # c. With the other program in front, covering of chat A is switched off, then on again.
    other.send("focus x")
    probe_wait(s, "chat A covered", a_colour, "none", 3000, "--quiet", 50, a_area)
    for _ in range(trials):
        s.click(*slot_a, 3)
        shows("chat A's covering off")
        timed("c", "release", "xdotool click 3")

    # d. Paused from the tray menu, then resumed: "일시정지" is three steps down.
    for _ in range(trials):
        s.menu_pick(3)
        shows("chat A shown while paused")
        s.open_tray_menu()
        s.key("Down", "Down", "Down")
        timed("d", "press", "xdotool key Return")

    results.header()
    for scenario, label in (("a", "hot key of the chat in use"),
                            ("b", "click on the slot of the chat in use"),
                            ("c", "right click on an orange slot"),
                            ("d", "resume from the tray menu")):
        results.summary(scenario, f"{scenario}. {label}")
    print(f"Whole run: {time.monotonic() - began:.0f} s")


if __name__ == "__main__":
    needs_build(os.path.basename(PROBE))
    run(user_cover, *arguments(10))
