#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The demo on a virtual display (Xvfb, openbox and a tray): the stand-in messenger with three
chats and a dialog, another program in front, and Tessavo covering; saves screenshots of six
moments as PNG and says where.
  scripts/demo.py FOLDER   (scripts/run.sh runs it when there is no display)
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/e2e"))
from xsession import Session, wait  # noqa: E402

A, B = "김민지", "박서준"


def demo(s, out):
    def shot(name, *lines):
        time.sleep(0.3)
        s.screenshot(s.path("shot.ppm"))
        subprocess.run(["convert", s.path("shot.ppm"), os.path.join(out, name + ".png")],
                       check=True)
        print("\n".join(lines))

    s.start_tray()  # along the top right, as a desktop panel would have it
    kakao = s.app("kakao", "--demo")
    other = s.app("other", "--class", "org.example.Editor")
    other.send("open x 980 620 380 220 메모장")
    t = s.tessavo()
    a, b = wait(lambda: len(kakao.ids) >= 4 and (kakao.ids["a"], kakao.ids["b"]), "no demo chats")
    s.wait_log(f"STATE {a} '{A}' = COVERED")
    shot("1-another-application-in-front",
         "1. Another application is in front: every chat is covered; the messenger's dialog shows.")

    kakao.send("focus a")
    s.wait_log(f"STATE {a} '{A}' = revealed")
    shot("2-working-in-one-chat", f"2. Working in the chat {A}: it alone is uncovered.")

    other.send("focus x")
    s.wait_log(f"STATE {a} '{A}' = COVERED")
    s.click(1100, 300)
    s.wait_log(f"REVEAL id={b} '{B}'")
    shot("3-click-on-a-cover", f"3. A click on the cover of {B} reveals that chat.")

    # The other disguise: the piece of desktop picture beneath each chat.
    s.end(t)
    picture = s.path("desktop.png")
    subprocess.run(["convert", "-size", "1440x900", "-depth", "8", "xc:", "-sparse-color",
                    "barycentric", "0,0 #1d3557 1439,0 #457b9d 700,899 #a8dadc", "-blur", "0x30",
                    picture], check=True)
    subprocess.run(["feh", "--no-fehbg", "--bg-scale", picture], env=s.env, check=True)
    s.store_settings({"disguiseMode": 1})
    other.send("focus x")
    s.tessavo()
    s.wait_log(f"STATE {a} '{A}' = COVERED")
    s.xdotool("mousemove", 1100, 300)
    time.sleep(0.2)
    shot("4-desktop-picture-disguise",
         "4. The desktop-picture disguise: chats vanish into the desktop; the one under the mouse",
         "   shows a title bar.")

    # The tray menu, then the settings window from the bar's ⚙ button.
    other.send("focus x")
    if icon := s.tray_icon():
        s.click(*icon, 3)
        time.sleep(0.2)
        shot("5-tray-menu", "5. The tray menu: disguise, pause, start at login, quit.")
        s.key("Escape")
    bar = wait(s.bar, "no switcher bar")
    (x, y), width = s.origin(bar), s.window(bar).get_geometry().width
    chatter = s.app("chatter", "--class", "Chatter")  # another messenger, to protect too
    chatter.send("open c 40 640 300 220 팀 공지")
    other.send("focus x")
    s.click(x + width - 16 - 14, y + 17)
    settings = wait(lambda: s.find("테사보 설정"), None, 3)
    sx, sy = s.origin(settings)
    for _ in range(2):  # 추가…: Chatter, then the offer of what is left
        before = set(s.shown())
        s.click(sx + 442, sy + 384)
        wait(lambda: set(s.shown()) - before, None, 3)
        time.sleep(0.3)
        if _ == 0:
            s.key("Down", "Return")
    shot("6-settings-window", "6. The settings window, opened with the bar's ⚙ button; Chatter",
         "   added to the applications protected too, the next one offered.")
    print("Screenshots are in " + out)


if __name__ == "__main__":
    out = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else "demo-screenshots")
    os.makedirs(out, exist_ok=True)
    session = Session()
    try:
        demo(session, out)
    finally:
        session.stop()
