# Wayland sessions: covers stay with their chats in the compositor's stacking, so a native
# Wayland window (which Tessavo cannot see) in front of a chat is in front of its cover too.
import shutil

import pytest

from conftest import A, A_AT, A_COLOUR, B, B_COLOUR, Desk
from wayland import NestedMutter
from xsession import COVER, wait

NATIVE = "ff00ff"  # the native window's own colour


@pytest.fixture
def wayland(request):
    if not shutil.which(request.param[0]):
        pytest.skip(f"{request.param[0]} is not installed")
    s = request.param[1]()
    yield s
    s.stop()


def bounds(s, colour):
    # The smallest rectangle holding every pixel of the colour, as (x, y, w, h).
    rows = s.area(0, 0, *s.size())
    ys = [y for y, row in enumerate(rows) if colour in row]
    xs = [x for row in rows for x, p in enumerate(row) if p == colour]
    return ys and (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


@pytest.mark.parametrize("wayland", [("mutter", NestedMutter)], indirect=True, ids=["mutter"])
def test_covers_stay_with_their_chats_under_a_native_window(wayland):
    s, d = wayland, Desk(wayland)
    d.start()
    s.wait_log("COVERS stacked above their chats (WAYLAND_DISPLAY=wayland-tessavo)")
    s.wait_pixel(*A_AT, COVER, "chat A covered")

    # The chat in use shows; the others stay covered.
    d.kakao.send("focus a")
    s.wait_log(f"STATE {d.id['a']} '{A}' = revealed")
    s.wait_pixel(*A_AT, A_COLOUR, "the chat in use")
    d.other.send("focus x")
    s.wait_pixel(*A_AT, COVER, "chat A covered again")

    # A native window in front of part of chat B: all of it shows, the rest of B stays covered.
    s.native("-o", f"colors.background={NATIVE}", "--window-size-pixels=300x200")
    native = wait(lambda: bounds(s, NATIVE), "the native window does not show", 10)
    bw = s.frame(d.id["b"])[2]
    x = native[0] - bw + 100 if native[0] >= bw else native[0] + native[2] - 100  # 100 px under
    d.kakao.send(f"move b {x} {native[1] + 40}")
    wait(lambda: s.frame(d.id["b"])[0] == x, "chat B did not move")
    bx, by, bw, bh = s.frame(d.id["b"])
    spot = (bx + bw - 150 if x < native[0] else bx + 150, by + bh // 2)  # beside the native one
    s.wait_pixel(*spot, COVER, "chat B's other part covered")  # the cover has followed
    assert bounds(s, NATIVE) == native, "the native window is cut"
    assert B_COLOUR not in (p for row in s.area(bx, by, bw, bh) for p in row)

    # Its cover goes with it.
    d.kakao.send("close b")
    wait(lambda: s.pixel(*spot) != COVER, "chat B's cover stays behind")
