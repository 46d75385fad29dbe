# SPDX-License-Identifier: GPL-3.0-or-later
# The seeded soak: random window commands against the stand-in messenger (its main window and
# up to eight chats it opens and closes) and another program. At each checkpoint every visible
# chat shows its cover and no cover stands where no chat is; at the end Tessavo still runs and
# holds no more X windows and pixmaps than its covers need. The same seed gives the same commands:
#     SOAK_SEED=N SOAK_SECONDS=S [SOAK_COMMANDS=K] python3 -m pytest tests/e2e -m soak

import os
import random
import time

import pytest

from xsession import DESKTOP, Session, alive, usage, wait

PALETTE = {"2e7d32", "1565c0", "c62828", "6a1b9a", "ef6c00", "00838f", "9e9d24", "4e342e"}
TEXT_DEPTH = 240  # the memo's seven lines end 231 px below a page's top, in any font
TITLES = ["김민지", '박서준 "인용"', "가족 단톡방 🎉", "O'Brien & Co.", "back\\slash $HOME `date` *",
          "مرحبا بالعالم", "<b>굵게</b> %s %n {}", "-- 옵션 같은 제목", "日本語のチャット",
          "Ünïcödé ✓ ☐ ☑", "  앞뒤 공백  ", "아주 긴 제목 " * 20, "ab", "😀😃😄", "줄바꿈 없는 \\n 문자"]


def inside(frames, x, y):
    return any(fx <= x < fx + fw and fy <= y < fy + fh for fx, fy, fw, fh in frames)


class Soak:
    def __init__(self, s, seed):
        self.s, self.rnd, self.n, self.checks, self.points = s, random.Random(seed), 0, 0, 0
        self.kakao, self.other = s.app("kakao"), s.app("other", "--class", "org.example.Editor")
        self.win, self.log = {}, open(s.path("commands.log"), "a")  # key: [x, y, w, h, full]
        self.chats, self.closed = [], []  # open chats' keys; closed ones' centres

    def send(self, app, command):
        self.n += 1
        print(self.n, command, file=self.log, flush=True)
        app.send(command)

    def r(self, n):
        return self.rnd.randrange(n)

    def place(self):  # below the switcher bar
        w, h = 260 + self.r(260), 300 + self.r(220)
        return self.r(1440 - w - 10), 60 + self.r(900 - h - 90), w, h

    def open(self, key, verb="open", place=None):
        x, y, w, h, _ = self.win[key] = [*(place or self.place()), False]
        self.send(self.kakao, f"{verb} {key} {x} {y} {w} {h} {self.rnd.choice(TITLES)}")

    def step(self):
        r, n = self.r(100), len(self.chats)
        key = (self.chats + ["main"])[self.r(n + 1)]
        win = self.win[key]
        if r < 10 and n < 8:  # one in four as a message opens it, while the user is elsewhere
            self.chats.append(f"c{self.n}")
            self.open(self.chats[-1], "open-unfocused" if self.r(4) == 0 else "open")
        elif r < 19 and n > 1:
            x, y, w, h = self.win.pop(key := self.chats.pop(self.r(n)))[:4]
            self.closed.append((x + w // 2, y + h // 2))
            self.send(self.kakao, "close " + key)
        elif r < 37:
            win[:2] = self.place()[:2]
            self.send(self.kakao, f"move {key} {win[0]} {win[1]}")
        elif r < 49:  # within the screen from where it stands
            w, h = self.place()[2:]
            win[2:4] = min(w, 1430 - win[0]), min(h, 870 - win[1])
            self.send(self.kakao, f"resize {key} {win[2]} {win[3]}")
        elif r < 73:
            self.send(self.kakao, ["restore", "unminimize", "focus", "minimize"][
                3 if r < 56 else r % 3] + " " + key)
        elif r < 85:  # the other program to the front, or moved
            self.send(self.other, "focus x" if r < 81
                      else f"move x {self.r(1140)} {60 + self.r(640)}")
        elif r < 93:
            self.send(self.kakao, f"retitle {key} {self.rnd.choice(TITLES)}")
        else:
            win[4] = not win[4]
            self.send(self.kakao, ("fullscreen " if win[4] else "unfullscreen ") + key)

    def problems(self):
        # What is wrong on screen now, from the X server's own account of its windows.
        s, wrong, self.expect = self.s, [], 0
        if s.active() != self.other.ids["x"]:  # a new chat took the focus after all
            wrong.append("the other program is not in front")
            self.other.send("focus x")
        windows = [w for w in s.managed() if s.viewable(w)]  # bottom to top
        frames = [s.frame(w) for w in windows]
        for i, w in enumerate(windows):
            mine = s.wm_class(w) == "com.kakao.KakaoTalkMac"
            self.expect += mine
            (cx, cy), g = s.origin(w), s.window(w).get_geometry()
            for x, y in ((cx + dx, cy + g.height - dy) for dx in (25, g.width // 2, g.width - 25)
                         for dy in (20, 50) if mine and g.height - dy >= TEXT_DEPTH):
                if 0 <= x < 1440 and 0 <= y < 900 and not inside(frames[i + 1:], x, y):
                    self.points += 1  # another chat's cover may lie over this one: any will do
                    if s.pixel(x, y) in PALETTE | {DESKTOP}:
                        wrong.append(f"chat {w:#x} shows {s.pixel(x, y)} at {x, y}")
        wrong += [f"a closed chat's place {x, y} shows {s.pixel(x, y)}" for x, y in self.closed
                  if not inside(frames, x, y) and s.pixel(x, y) != DESKTOP]
        if len(s.covers()) != self.expect:
            wrong.append(f"{len(s.covers())} covers for {self.expect} messenger windows")
        return wrong

    def begin(self, start):
        # The main window, three chats and another program in front; then Tessavo (start(s)),
        # and what one more cover costs it in X windows and pixmaps. Returns Tessavo.
        self.chats = ["c1", "c2", "c3"]
        for key in ["main"] + self.chats:
            self.open(key, place=(20, 60, 320, 520) if key == "main" else None)
        self.send(self.other, "open x 1000 600 300 200 메모")
        t = start(self.s)
        xres = lambda: steady(lambda: self.s.xres(t.pid))  # noqa: E731
        self.checkpoint(t, 15)
        self.covers, self.start = self.expect, xres()
        self.open("calib", place=(700, 300, 300, 320))
        self.checkpoint(t, 5)
        self.one = xres()
        self.send(self.kakao, "close calib")
        self.closed.append((850, 460))
        self.checkpoint(t, 5)
        return t

    def run(self, t, seconds, limit=0, row=lambda: None):
        began, steps = time.monotonic(), 0
        while time.monotonic() - began <= seconds and not (limit and self.n >= limit):
            self.step()
            steps += 1
            if self.r(5) >= 2:  # bursts and pauses, as a user's windows change
                time.sleep((20 + self.r(100)) / 1000)
            if steps % 60 == 0:
                self.checkpoint(t)
                row()
        self.checkpoint(t)
        row()

    def wind_down(self, t):
        # Two chats left, all in plain view; returns the X windows and pixmaps they should cost.
        while len(self.chats) > 2:
            self.send(self.kakao, "close " + self.chats.pop(0))
        for key in ["main"] + self.chats:
            self.send(self.kakao, "unfullscreen " + key)
            self.send(self.kakao, "unminimize " + key)
        self.checkpoint(t, 5)
        return tuple(a + (self.expect - self.covers) * (b - a) for a, b in zip(self.start, self.one))

    def checkpoint(self, tessavo, settle=1.5):
        assert alive(tessavo.pid), "Tessavo is gone: " + self.s.text("tessavo.out")[-500:]
        self.send(self.other, "focus x")
        if not wait(lambda: not self.problems(), None, settle):
            self.s.screenshot(self.s.path("failure.ppm"))
            raise AssertionError("; ".join(self.problems()))
        self.closed, self.checks = [], self.checks + 1


def steady(read):
    # A reading once it has held for a quarter of a second (late frees, late paints).
    last = [None, 0]

    def held():
        if (value := read()) != last[0]:
            last[:] = value, time.monotonic()
        return time.monotonic() - last[1] >= 0.25
    wait(held, "the reading never held")
    return last[0]


@pytest.mark.soak
def test_soak():
    seed = int(os.environ.get("SOAK_SEED") or random.randrange(32768))
    seconds = float(os.environ.get("SOAK_SECONDS", 45))
    limit = int(os.environ.get("SOAK_COMMANDS", 0))
    soak = Soak(s := Session(), seed)
    try:
        t = soak.begin(lambda s: s.tessavo())
        wait(lambda: s.xres(t.pid) == soak.start, lambda: f"{s.xres(t.pid)}, not {soak.start}")
        soak.run(t, seconds, limit)
        want = soak.wind_down(t)
        wait(lambda: s.xres(t.pid) == want, lambda: f"Tessavo's X windows and pixmaps: "
             f"{s.xres(t.pid)} at the end, {want} expected ({soak.start} at the start)")
        cpu, rss, peak = usage(t.pid)
        print(f"SUMMARY seed {seed}: {soak.n} commands, {soak.checks} checkpoints, {soak.points}"
              f" points; CPU {cpu:.1f} s in all, RSS {rss} kB, peak {peak} kB")
    except AssertionError:
        os.environ["XS_KEEP"] = "1"
        print(f"soak failed after command {soak.n}; kept {s.dir}; again: SOAK_SEED={seed}"
              f" SOAK_COMMANDS={soak.n} python3 -m pytest tests/e2e -m soak")
        raise
    finally:
        s.stop()
