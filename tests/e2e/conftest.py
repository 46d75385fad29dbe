# Fixtures over xsession: one session a module (a parameter names its window manager), or one
# for a scenario that ends it; the messenger's usual windows, with Tessavo covering them.
import os
import shutil

import pytest

from xsession import Session, wait

MAIN, A, B, DIALOG = "카카오톡", "김민지", '박서준 "인용"', "파일 보내기"
MAIN_COLOUR, A_COLOUR, B_COLOUR, DIALOG_COLOUR = "2e7d32", "1565c0", "c62828", "6a1b9a"
# Spots near each page's right edge, which no memo line reaches in any font.
MAIN_AT, A_AT, B_AT = (300, 300), (740, 300), (1180, 300)


def pytest_configure(config):
    config.addinivalue_line("markers", "soak: the seeded soak, run only with -m soak")


def pytest_collection_modifyitems(config, items):
    if "soak" not in (config.option.markexpr or ""):
        for item in items:
            if "soak" in item.keywords:
                item.add_marker(pytest.mark.skip(reason="the soak runs with -m soak"))


@pytest.fixture(scope="module")
def session(request):
    s = Session(getattr(request, "param", "openbox"))
    yield s
    s.stop()


@pytest.fixture
def own_session(request):
    s = Session(getattr(request, "param", "openbox"))
    yield s
    s.stop()


class Desk:
    # The stand-in messenger's main window, chats A and B (keys main, a, b) and a dialog (d);
    # another program's window (x) in front. Closing ends all started since, and forgets the
    # settings.

    def __init__(self, s, chats=(A, B), dialog=True):
        self.s, self.first = s, len(s.procs)
        self.kakao = s.app("kakao")
        self.kakao.send(f"open main 20 40 300 500 {MAIN}")
        self.titles = {"main": MAIN}
        for key, x, title in zip("ab", (360, 800), chats):
            self.kakao.send(f"open {key} {x} 60 400 400 {title}")
            self.titles[key] = title
        if dialog:
            self.kakao.send(f"dialog d 420 520 300 150 {DIALOG}")
        self.other = s.app("other", "--class", "org.example.Editor")
        self.other.send("open x 1000 600 300 200 메모")
        self.id = self.kakao.ids

    def state(self, key, state="COVERED"):
        return f"STATE {self.id[key]} '{self.titles[key]}' = {state}"

    def front(self, new):
        # A new window takes the focus once its manager gets to it: then the other program
        # takes it back.
        wait(lambda: self.s.active() == new, None, 2)
        self.other.send("focus x")

    def start(self, **kw):
        self.tessavo = self.s.tessavo(**kw)
        for key in self.titles:
            self.s.wait_log(self.state(key))
        return self.tessavo

    def close(self):
        for p in reversed(self.s.procs[self.first:]):
            self.s.end(p)
        self.s.set_background()
        shutil.rmtree(os.path.join(self.s.config, "tessavo"), ignore_errors=True)


@pytest.fixture
def desk(session):
    d = Desk(session)
    yield d
    d.close()


@pytest.fixture
def covered(desk):
    desk.start()
    return desk
