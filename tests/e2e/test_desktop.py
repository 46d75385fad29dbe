# SPDX-License-Identifier: GPL-3.0-or-later
# The messenger's windows under openbox, covered by Tessavo, in one session for the module.
import os
import signal

import pytest

from conftest import A_AT, A_COLOUR, B_AT, B_COLOUR, DIALOG_COLOUR, MAIN_AT, Desk
from xsession import COVER, DESKTOP, wait


def test_lifecycle_holes_clicks_and_the_messenger_killed(covered):
    s, d = covered.s, covered
    for at in (A_AT, B_AT, MAIN_AT):
        s.wait_pixel(*at, COVER, "a chat covered")
    s.wait_pixel(570, 600, DIALOG_COLOUR, "the dialog shows through its hole")
    s.wait_covers(3, "at the start")

    reveal_b = f"REVEAL id={d.id['b']} '{d.titles['b']}'"
    d.kakao.send("move b 600 200")
    s.wait_pixel(980, 400, COVER, "chat B covered at its new place")
    s.wait_pixel(1150, 150, DESKTOP, "nothing left where chat B was")
    d.kakao.send("focus a")  # chat A in use, in front of chat B's left part
    s.wait_pixel(*A_AT, A_COLOUR, "the focused chat A shows")
    assert s.pixel(980, 400) == COVER and s.pixel(*MAIN_AT) == COVER
    s.wait_pixel(700, 350, A_COLOUR, "chat A through the hole in chat B's cover")
    s.click(700, 350)
    wait(lambda: "clicked a" in d.kakao.lines, "the click in the hole did not reach chat A")
    assert not s.log_lines(reveal_b), "a click in the hole revealed chat B"
    s.click(900, 400)
    s.wait_pixel(900, 400, B_COLOUR, "the clicked chat B shows")
    assert "clicked b" not in d.kakao.lines, "the click on the page reached the covered chat"

    d.kakao.send("close a")
    s.wait_covers(2, "chat A closed")
    d.kakao.send("minimize b")
    s.wait_covers(1, "a minimized chat keeps no cover on screen")
    d.kakao.send("fullscreen main")
    d.other.send("focus x")
    s.wait_pixel(1420, 700, COVER, "the full-screen main window covered behind another program")
    d.kakao.proc.kill()
    s.wait_covers(0, "the messenger was killed")
    s.wait_pixel(1420, 700, DESKTOP, "no cover left where the full-screen window was")
    again = s.app("kakao2")  # and started again
    for command in ("open main 20 40 300 500 카카오톡", "open a 360 60 400 400 김민지"):
        again.send(command)
    d.front(again.ids["a"])
    s.wait_covers(2, "the restarted messenger's windows")
    s.wait_pixel(*A_AT, COVER, "the restarted messenger's chat covered")


def test_the_window_worked_in_shows_in_front_of_a_covered_chat(covered):
    # The other program's window, in use, lies over chat B's right part, then moves off.
    s, d = covered.s, covered
    s.wait_pixel(*B_AT, COVER, "chat B covered")
    d.other.send("move x 1000 200")
    s.wait_pixel(1100, 300, d.other.send("colour x").split()[2], "the window in use shows")
    assert s.pixel(900, 300) == COVER
    d.other.send("move x 1000 600")
    s.wait_pixel(1100, 300, COVER, "chat B covered where that window was")


def test_signals_end_it_cleanly_and_a_second_copy_replaces_the_first(desk):
    s = desk.s
    for sig in ("TERM", "INT", "HUP"):
        t = desk.start()
        t.send_signal(getattr(signal, "SIG" + sig))
        assert t.wait(3) == 0, s.text("tessavo.out")
        assert f"tessavo: SIG{sig} 받음, 종료합니다" in s.text("tessavo.out").splitlines()
        s.wait_covers(0, f"SIG{sig}")
        s.wait_pixel(*A_AT, A_COLOUR, f"SIG{sig}: chat A shows again")
    first = desk.start()
    s.tessavo(log="second")
    wait(lambda: first.poll() is not None, "the first copy still runs", 3)
    s.wait_covers(3, "the second copy's covers")


def picture_pixel(x, y):
    # A desktop picture whose every spot differs.
    return bytes((x & 255, y & 255, x >> 8 << 4 | y >> 8))


def test_wallpaper_shows_the_picture_beneath(desk):
    s = desk.s
    with open(s.path("picture.ppm"), "wb") as f:
        f.write(b"P6 1440 900 255\n")
        f.write(b"".join(picture_pixel(x, y) for y in range(900) for x in range(1440)))
    s.spawn(["feh", "--no-fehbg", "--bg-scale", s.path("picture.ppm")]).wait()
    s.store_settings({"disguiseMode": 1})
    desk.start()
    s.xdotool("mousemove", 5, 895)  # away from every cover: no title bar
    # Inside chat A, at its edge, and in the 18-point margin around it.
    for x, y in ((560, 300), (370, 100), (750, 450), (350, 55), (775, 470)):
        s.wait_pixel(x, y, picture_pixel(x, y).hex(), "the desktop picture under the cover")


@pytest.mark.parametrize("scale", ["1", "1.25", "1.5", "2"])
def test_covers_sit_exactly_on_chats(desk, scale):
    # Every covered chat is hidden to its last pixel; no cover spills onto the desktop.
    s = desk.s
    s.store_settings({"barX": 0, "barY": 0})  # at the top centre it would hide the desktop
    desk.start(env={"QT_SCALE_FACTOR": scale})
    c = int(12 * float(scale)) + 2  # a corner of the frame may show past the rounded page
    for key, colour in (("a", A_COLOUR), ("b", B_COLOUR)):
        x, y, w, h = s.frame(desk.id[key])

        def shown():
            return sum(p == colour for i, row in enumerate(s.area(x, y, w, h))
                       for j, p in enumerate(row) if i < h - c or c <= j < w - c)
        wait(lambda: not shown(), lambda: f"{shown()} pixels of chat {key} show at {scale}")
        assert s.pixel(x + w // 2, y - 3) == DESKTOP and s.pixel(x + w // 2, y + h + 2) == DESKTOP
    desk.kakao.send("close b")
    s.wait_pixel(x + w // 2, y + h // 2, DESKTOP, "no cover left where the closed chat was")


def test_every_messenger_process_is_covered_and_a_reused_id_is_a_new_window(covered):
    # A process that claims another's pid changes nothing for the real chats.
    s, d = covered.s, covered
    for app, command in ((d.kakao, "reuse c b 1000 300 300 200 새 채팅"),
                         (s.app("second"), "open e 600 700 360 180 둘째 창"),
                         (s.app("forger", "--pid", "1"), "open f 40 600 200 120 가짜")):
        app.send(command)
        key, title = command.split()[1], command.split(maxsplit=6 + (app == d.kakao))[-1]
        d.front(app.ids[key])
        s.wait_log(f"STATE {app.ids[key]} '{title}' = COVERED")
    assert d.id["c"] == d.id["b"], "the stand-in did not reuse the id"
    for at in (A_AT, (1280, 480), (940, 800)):
        s.wait_pixel(*at, COVER, "still covered")


@pytest.mark.parametrize("session", [None], indirect=True)  # a session of its own, ended here
def test_window_manager_comes_goes_and_is_replaced_and_the_x_server_dies(session):
    # No manager at first, then one; killed, with a chat closed meanwhile; back; replaced by
    # another; that one killed. The chats stay covered throughout: when a manager dies, the
    # server puts its windows back above the covers, and a chat shows only until Tessavo raises
    # its cover again.
    s, d = session, Desk(session)
    d.start()
    for phase in ("no manager", "the first manager"):
        s.wait_covers(3, phase)
        for at in (A_AT, B_AT):
            s.wait_pixel(*at, COVER, phase)
        if phase == "no manager":
            s.start_wm()
            d.other.send("focus x")
    watch = s.watch(*A_AT, COVER, 1.5)
    s.wm.kill()
    assert watch() <= 400, "chat A showed too long once the manager was gone"
    d.kakao.send("close b")
    s.wait_pixel(*B_AT, DESKTOP, "no cover where chat B was, with no manager")
    s.wait_covers(2, "with no manager")
    s.start_wm()
    d.other.send("focus x")
    s.wait_covers(2, "under the next manager")
    s.wait_pixel(*A_AT, COVER, "chat A covered under the next manager")
    assert s.pixel(*B_AT) == DESKTOP
    watch = s.watch(*A_AT, COVER, 2)
    replacing = s.start_wm("openbox", "--replace")
    assert watch() <= 400, "chat A showed too long while the manager was replaced"
    d.kakao.send("open c 800 300 300 200 새 채팅")
    d.front(d.id["c"])
    s.wait_covers(3, "a chat opened under the replacing manager")
    s.wait_pixel(1080, 400, COVER, "the new chat covered")
    replacing.kill()  # no chance to tidy up: its frames vanish, its lists stay
    s.start_wm()
    d.other.send("focus x")
    d.kakao.send("move c 860 360")
    s.wait_pixel(1140, 500, COVER, "the chat covered at its new place under a new manager")
    s.xvfb.kill()  # and at last the X server
    assert d.tessavo.wait(5) == 3, s.text("tessavo.out")
    assert "tessavo: X 디스플레이와의 연결이 끊겼습니다" in s.text("tessavo.out")
    assert not [f for f in os.listdir(s.dir) if f.startswith("core")], "a core dump was left"
