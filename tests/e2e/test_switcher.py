# SPDX-License-Identifier: GPL-3.0-or-later
# The switcher bar and the hot keys under openbox. The bar's slots: K (the main window), 1 (chat
# B, in front of the others when Tessavo starts) and 2 (chat A).
from conftest import A_AT, A_COLOUR, B_AT, B_COLOUR, MAIN_AT, MAIN_COLOUR
from xsession import COVER, DESKTOP, wait

BAR, SLOT, SLOT_ACTIVE, SLOT_OFF = "292929", "4d4d4d", "338cff", "f4871a"


class Bar:
    # Waits for the bar (three slots make it 192 x 34) at x, y; then points on it.

    def __init__(self, s, x=624, y=6):
        def where():
            return s.bar() and s.frame(s.bar())
        wait(lambda: where() == (x, y, 192, 34), lambda: f"the bar is at {where()}, not {x, y}")
        self.s, self.x, self.y, self.mid = s, x, y, y + 17

    def disc(self, slot):  # a spot of the slot's disc beside its label
        return self.x + 27 + 30 * slot, self.mid

    def click(self, slot, button=1):
        self.s.click(self.x + 35 + 30 * slot, self.mid, button)

    def drag(self, *points):
        # By its left grip through points, each once the bar has followed to the last one.
        s = self.s
        s.xdotool("mousemove", self.x + 8, self.mid, "mousedown", 1)
        for x, y in points:
            before = s.frame(s.bar())
            s.xdotool("mousemove", x, y)
            wait(lambda: s.frame(s.bar()) != before, "the bar does not follow the mouse")
        s.xdotool("mouseup", 1)


def test_bar_shows_and_picks(covered):
    s, bar = covered.s, Bar(covered.s)
    spots = [(bar.x + 4, bar.mid), (bar.x + 188, bar.mid)] + [bar.disc(i) for i in range(3)]
    wait(lambda: [s.pixel(*p) for p in spots] == [BAR] * 2 + [SLOT] * 3,
         lambda: f"the bar's grips and slots show {[s.pixel(*p) for p in spots]}")
    bar.click(1, 3)  # a right click switches covering chat B off, and on again
    wait(lambda: s.settings().get("excluded") == [covered.titles["b"]], "covering off not stored")
    s.wait_pixel(*B_AT, B_COLOUR, "chat B uncovered though another program is in front")
    s.wait_pixel(*bar.disc(1), SLOT_OFF, "chat B's slot shows covering off")
    assert s.pixel(*A_AT) == COVER and s.pixel(*bar.disc(2)) == SLOT
    s.xdotool("click", 3)
    wait(lambda: s.settings().get("excluded") == [], "covering on not stored")
    s.wait_pixel(*B_AT, COVER, "chat B covered again")
    s.wait_pixel(*bar.disc(1), SLOT, "chat B's slot back to plain")
    bar.click(2)
    s.wait_pixel(*A_AT, A_COLOUR, "the picked chat A shows")
    s.wait_pixel(*bar.disc(2), SLOT_ACTIVE, "the picked chat's slot shows it in use")
    assert [s.pixel(*p) for p in (MAIN_AT, B_AT, bar.disc(1))] == [COVER, COVER, SLOT]


def test_bar_arranges_the_chats_and_moves(covered):
    # With no chat in use and none moved, the chats go onto the first in the list.
    s, d, bar = covered.s, covered, Bar(covered.s)
    x, y, w, h = main = s.frame(d.id["main"])
    s.click(bar.x + 130, bar.mid)
    wait(lambda: all(s.frame(d.id[k]) == main for k in "ab"), "the chats not stacked")
    s.wait_pixel(x + w - 20, y + h // 2, COVER, "the stack covered")
    for at in (A_AT, B_AT):
        s.wait_pixel(*at, DESKTOP, "nothing left where a chat was")
    bar.drag((482, 123), (332, 223))  # the bar moved, and where it was left remembered
    bar = Bar(s, 324, 206)
    s.wait_pixel(*bar.disc(2), SLOT, "the bar above chat A's cover")
    # Stored from the primary screen's bottom-left, y up: 900 - 206 - 34.
    wait(lambda: s.settings().get("barX") == 324 and s.settings().get("barY") == 660,
         lambda: f"the bar's place not stored: {s.settings()}")
    s.end(covered.tessavo)
    covered.start()
    bar = Bar(s, 324, 206)
    s.wait_pixel(*bar.disc(2), SLOT, "the bar above chat A's new cover")


def test_hot_keys_reveal(desk):
    s, d = desk.s, desk
    s.store_settings({"chatKeys": {d.titles["a"]: "a"}})
    d.start()
    s.wait_log("HOTKEY keys 'KA' mod=6144")  # keys pressed before then would go elsewhere
    s.key("ctrl+alt+k")
    s.wait_pixel(*MAIN_AT, MAIN_COLOUR, "the main window revealed by its hot key")
    s.key("ctrl+alt+a")
    s.wait_pixel(*A_AT, A_COLOUR, "chat A revealed by its stored key")
    assert s.pixel(*B_AT) == COVER
