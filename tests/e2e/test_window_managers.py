# SPDX-License-Identifier: GPL-3.0-or-later
# Under window managers whose frames are override-redirect (fluxbox, icewm, i3) as under
# openbox, the messenger's dialog in front of a covered window shows through its cover; i3 floats
# the settings window over the covers, and it stays above them.
import pytest

from conftest import A, DIALOG_COLOUR
from test_controls import settings_label_shows_on_the_bar
from xsession import COVER, wait


@pytest.mark.parametrize("session", ["openbox", "fluxbox", "icewm", "i3"], indirect=True)
def test_dialog_shows_over_covered_window(session, covered):
    # Window managers keep a dialog above the window it belongs to, the main window.
    s, d = covered.s, covered
    x, y, w, h = s.frame(d.id["main"])
    d.kakao.send(f"move d {x + 10} {y + h // 2}")

    def centre():
        dx, dy, dw, dh = s.frame(d.id["d"])
        cx, cy = dx + dw // 2, dy + dh // 2
        return x < cx < x + w and y < cy < y + h and (cx, cy)
    cx, cy = wait(centre, "the dialog never came in front of the main window", 3)
    s.wait_pixel(cx, cy, DIALOG_COLOUR, "the dialog in front of the covered main window")
    assert s.pixel(x + w - 7, y + h // 4) == COVER, "the main window covered beside the dialog"


@pytest.mark.parametrize("session, desk", [("i3", {"chats": (A,), "dialog": False})], indirect=True)
def test_settings_window_stays_above_the_covers(session, desk):
    session.start_tray()
    settings_label_shows_on_the_bar(desk)
