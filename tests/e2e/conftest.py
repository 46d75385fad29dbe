# SPDX-License-Identifier: GPL-3.0-or-later
# Fixtures over xsession: one session a module (a parameter names its window manager); the
# messenger's usual windows, with Tessavo covering them.
import os
import shutil

import pytest

from xsession import Session, wait

MAIN, A, B, DIALOG = "카카오톡", "김민지", '박서준 "인용"', "파일 보내기"
MAIN_COLOUR, A_COLOUR, B_COLOUR, DIALOG_COLOUR = "2e7d32", "1565c0", "c62828", "6a1b9a"
# Spots near each page's right edge, which no memo line reaches in any font.
MAIN_AT, A_AT, B_AT = (300, 300), (740, 300), (1180, 300)


@pytest.fixture(scope="module")
def session(request):
    # A parameter names the window manager (one that differs has a session of its own); a
    # module with TRAY = True has a tray host too.
    s = Session(getattr(request, "param", "openbox"))
    if getattr(request.module, "TRAY", False):
        s.start_tray()
    yield s
    s.stop()


class Desk:
    # The stand-in messenger's main window, chats A and B (keys main, a, b) and a dialog (d);
    # another program's window (x) in front. Closing ends all started since, and forgets the
    # settings.

    def __init__(self, s, chats=(A, B), dialog=True):
        self.s, self.first = s, len(s.procs)
        self.kakao = s.app("kakao")
        self.titles = {"main": MAIN, **dict(zip("ab", chats))}
        for key, place in zip(self.titles, ("20 40 300 500", "360 60 400 400", "800 60 400 400")):
            self.kakao.send(f"open {key} {place} {self.titles[key]}")
        if dialog:
            self.kakao.send(f"dialog d 420 520 300 150 {DIALOG}")
        self.other = s.app("other", "--class", "org.example.Editor")
        self.other.send("open x 1000 600 300 200 메모")
        self.id = self.kakao.ids

    def front(self, new):
        # A new window takes the focus once its manager gets to it: then the other program
        # takes it back.
        wait(lambda: self.s.active() == new, None, 2)
        self.other.send("focus x")

    def start(self, **kw):
        self.tessavo = self.s.tessavo(**kw)
        for key, title in self.titles.items():
            self.s.wait_log(f"STATE {self.id[key]} '{title}' = COVERED")
        return self.tessavo

    def close(self):
        for p in reversed(self.s.procs[self.first:]):
            self.s.end(p)
        self.s.set_background()
        shutil.rmtree(os.path.join(self.s.config, "tessavo"), ignore_errors=True)


@pytest.fixture
def desk(session, request):
    # A smaller one as the parameter, or as the module's DESK.
    d = Desk(session, **getattr(request, "param", getattr(request.module, "DESK", {})))
    yield d
    d.close()


@pytest.fixture
def covered(desk):
    desk.start()
    return desk
