# SPDX-License-Identifier: GPL-3.0-or-later
# Wayland sessions: covers stay with their chats in the compositor's stacking, so a native
# Wayland window (which Tessavo cannot see) in front of a chat is in front of its cover too.
import subprocess

import pytest

from conftest import A, B_COLOUR, Desk
from wayland import NestedMutter, Sway
from xsession import COVER, wait

NATIVE = "ff00ff"  # the native window's own colour


@pytest.fixture
def wayland(request):
    s = request.param()
    yield s
    s.stop()


def bounds(s, colour):
    # The smallest rectangle holding every pixel of the colour, as (x, y, w, h).
    rows = s.area(0, 0, *s.size())
    ys = [y for y, row in enumerate(rows) if colour in row]
    xs = [x for row in rows for x, p in enumerate(row) if p == colour]
    return ys and (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


def covers(s):
    # Tessavo's covers on screen: windows the compositor manages, stacked with their chats.
    listed = s.prop(s.root, "_NET_CLIENT_LIST") or []
    return [w for w in listed if s.name(w).startswith("tessavo cover") and s.viewable(w)]


def page(s, w):
    # A spot near the right edge of a chat's cover, which no memo line reaches in any font.
    x, y, width, height = s.frame(w)
    return x + width - 20, y + height // 2


@pytest.mark.parametrize("wayland", [NestedMutter, Sway], indirect=True, ids=["mutter", "sway"])
def test_covers_stay_with_their_chats_under_a_native_window(wayland):
    s, d = wayland, Desk(wayland, dialog=False)
    d.start()
    s.wait_log(f"COVERS stacked above their chats (WAYLAND_DISPLAY={s.env['WAYLAND_DISPLAY']})")
    s.wait_pixel(*page(s, d.id["a"]), COVER, "chat A covered")

    # The chat in use shows; the others stay covered.
    s.focus(d.kakao, "a")
    s.wait_log(f"STATE {d.id['a']} '{A}' = revealed")
    s.wait_pixel(*page(s, d.id["a"]), d.kakao.send("colour a").split()[2], "the chat in use")
    s.focus(d.other, "x")
    s.wait_pixel(*page(s, d.id["a"]), COVER, "chat A covered again")

    # A native window in front of part of chat B: all of it shows, the rest of B stays covered.
    bx, by, bw, bh = s.frame(d.id["b"])
    placed = s.native(NATIVE, (bx + 100, by + 200, 300, 200))  # where it can be placed
    native = wait(lambda: bounds(s, NATIVE) == placed or not placed and bounds(s, NATIVE),
                  lambda: f"the native window shows at {bounds(s, NATIVE)}, not {placed}", 10)
    native = placed or native
    if not (bx < native[0] < bx + bw):  # the compositor put it elsewhere: the chat moves under
        x = native[0] - bw + 100 if native[0] >= bw else native[0] + native[2] - 100
        d.kakao.send(f"move b {x} {native[1] + 40}")
        wait(lambda: s.frame(d.id["b"])[0] == x, "chat B did not move")
        bx, by, bw, bh = s.frame(d.id["b"])
    # Beside the native window, low on the page, where no memo line reaches.
    spot = (native[0] - 20 if bx < native[0] else native[0] + native[2] + 20, by + bh - 30)
    # Its cover has followed it; nested mutter, drawing in software on a busy machine, may take
    # seconds to show a window it has moved.
    wait(lambda: B_COLOUR not in (p for row in s.area(bx, by, bw, bh) for p in row),
         "chat B shows", 10)
    s.wait_pixel(*spot, COVER, "chat B's other part covered")
    assert bounds(s, NATIVE) == native, "the native window is cut"

    # Its cover goes with it.
    assert len(covers(s)) == 3
    d.kakao.send("close b")
    wait(lambda: len(covers(s)) == 2, "chat B's cover stays behind")


@pytest.mark.parametrize("wayland", [NestedMutter], indirect=True, ids=["mutter"])
def test_idle_time_comes_from_the_compositor_where_xwayland_keeps_none(wayland):
    s, d = wayland, Desk(wayland, dialog=False)
    s.store_settings({"idleSec": 2})
    d.start()
    # Input reaches the compositor through its window on the outer server; then the chat in
    # use shows until two seconds without input cover it.
    subprocess.run(["xdotool", "mousemove", "700", "450"], check=True,
                   env=dict(s.env, DISPLAY=s.screen_display))
    s.focus(d.kakao, "a")
    s.wait_log(f"STATE {d.id['a']} '{A}' = revealed")
    s.wait_log(f"STATE {d.id['a']} '{A}' = COVERED", 6)
