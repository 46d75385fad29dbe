# The Wayland session: sway with XWayland, where the stand-in messenger's chat is an X window
# and a native window can float in front of it. Skipped where sway cannot run.
import pytest

from wlsession import App, WlSession, wait


@pytest.fixture(scope="module")
def wl():
    s = WlSession()
    yield s
    s.stop()


def test_chat_and_native_window_show_where_placed(wl):
    kakao = App(wl, "kakao")
    kakao.send("open a 100 100 400 300 김민지")
    chat, colour = kakao.ids["a"], kakao.send("colour a").split()[2]
    root = wl.x.screen().root
    wait(lambda: chat in root.get_full_property(wl.x.intern_atom("_NET_CLIENT_LIST"), 0).value,
         "the chat is not among XWayland's managed windows")
    wl.place(100, 100, 600, 400, window=chat)
    wl.foot(500, 300, 400, 300, "ff8800")
    for x, y, expected, what in ((200, 200, colour, "the chat"),
                                 (600, 400, "ff8800", "the native window in front of the chat"),
                                 (1000, 800, "203040", "the desktop")):
        wl.wait_pixel(x, y, expected, what)
