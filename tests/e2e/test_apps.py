# SPDX-License-Identifier: GPL-3.0-or-later
# Applications protected besides the messenger, under openbox without a tray: the messenger's
# main window and chat A; "Chatter" in two processes, one window titled like chat A; "Mailer",
# listed only once the settings window adds it; another program that is never covered.
import pytest

from conftest import A, A_AT
from xsession import COVER, wait

DESK = {"chats": (A,), "dialog": False}
NOTICE = "공지"
A_KEY = "chatter\x1f" + A  # the Chatter window titled like chat A, as the settings store it


class Window:
    # One stand-in application's window and a spot near its frame's bottom-right corner, which
    # no memo line reaches.

    def __init__(self, s, name, cls, key, place, title):
        self.app = s.app(name, "--class", cls)
        self.app.send(f"open {key} {place} {title}")
        x, y, w, h = map(int, place.split())
        self.id, self.at = self.app.ids[key], (x + w - 20, y + h - 20)
        self.colour = self.app.send(f"colour {key}").split()[2]
        self.title = title


@pytest.fixture
def apps(desk):
    s = desk.s
    # Clear of the settings window in the middle of the screen: a click meant for it must not
    # reach a window that came in front of it.
    wins = {"c1": Window(s, "chatter", "Chatter", "c1", "20 600 300 250", A),
            "c2": Window(s, "chatter2", "Chatter", "c2", "1000 40 300 250", NOTICE),
            "m": Window(s, "mailer", "Mailer", "m", "1000 320 300 250", "받은편지함")}
    desk.other.send("focus x")
    return wins


class SettingsWindow:
    # The settings window, opened from the bar's ⚙; without a tray a row of menu buttons
    # stands above its content.

    def __init__(self, s):
        self.s, (self.x, self.y) = s, s.origin(s.open_settings())
        self.apps = self.y + 40 + 560 - 116 - 74  # the list of applications' top

    def add_first_offered(self):
        s, before = self.s, set(self.s.shown())
        s.click(self.x + 442, self.apps + 14)  # 추가…
        s.menu_keys(wait(lambda: set(s.shown()) - before, "the offer did not open").pop(),
                    "Down", "Return")

    def remove_first(self):
        self.s.click(self.x + 56, self.apps + 10)
        self.s.click(self.x + 442, self.apps + 50)  # 빼기

    def apply(self):
        self.s.click(self.x + 450, self.y + 40 + 560 - 12 - 15)  # 적용
        wait(lambda: not self.s.find("테사보 설정"), "the settings window stayed open")


def test_listed_applications_are_covered_like_chats(desk, apps):
    s, c1, c2, m = desk.s, apps["c1"], apps["c2"], apps["m"]
    s.store_settings({"apps": ["chatter"], "labels": {A: "가", A_KEY: "나"},
                      "chatKeys": {A_KEY: "Q"}})
    desk.start()
    for w in (c1, c2):  # two processes of one class: one application
        s.wait_log(f"STATE {w.id} '{w.title}' = COVERED")
        s.wait_pixel(*w.at, COVER, f"{w.title} covered")
    assert s.pixel(*m.at) == m.colour and f"STATE {m.id} " not in s.text("tessavo.log")
    assert s.pixel(1000 + 280, 600 + 180) != COVER, "the unlisted program's window is covered"

    c2.app.send("focus c2")  # in use: uncovered, the others stay covered
    s.wait_pixel(*c2.at, c2.colour, "the Chatter window in use")
    assert s.pixel(*c1.at) == COVER and s.pixel(*A_AT) == COVER
    s.wait_log("HOTKEY keys 'KQ' mod=6144")
    s.key("ctrl+alt+q")  # the key stored for the Chatter window, not for chat A
    s.wait_pixel(*c1.at, c1.colour, "the Chatter window titled like chat A, by its key")
    assert s.pixel(*A_AT) == COVER
    desk.other.send("focus x")
    s.wait_pixel(*c1.at, COVER, "covered again after the grace")
    s.click(*c2.at)  # a click on a cover reveals its window
    s.wait_pixel(*c2.at, c2.colour, "the Chatter window clicked")

    settings = SettingsWindow(s)  # adding Mailer covers its window at once
    settings.add_first_offered()
    settings.apply()
    wait(lambda: s.settings().get("apps") == ["chatter", "Mailer"], lambda: s.settings())
    s.wait_pixel(*m.at, COVER, "Mailer's window covered once added")
    labels = s.settings().get("labels")
    assert labels[A] == "가" and labels[A_KEY] == "나", labels

    settings = SettingsWindow(s)  # removing Chatter uncovers its windows
    settings.remove_first()
    settings.apply()
    wait(lambda: s.settings().get("apps") == ["Mailer"], lambda: s.settings())
    for w in (c1, c2):
        s.wait_pixel(*w.at, w.colour, f"{w.title} uncovered once removed")
    assert s.pixel(*m.at) == COVER and s.pixel(*A_AT) == COVER
