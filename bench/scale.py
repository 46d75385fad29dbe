#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How Tessavo scales on a real X server (a private Xvfb with openbox):
 - many windows of another program and one chat: Tessavo's CPU while nothing moves;
 - many chats opened at once: how long until every one of them is covered;
 - Tessavo started over those chats: how long until it has covered them all.
Usage: bench/scale.py [other-windows] [chats] [seconds]   (defaults 1000 300 20)
"""
import time

from measure import arguments, cpu, needs_build, run, usage, wait


def scale(s, others, chats, seconds):
    def cpu_over(pid, seconds):  # percent of one core
        before = cpu(pid)
        time.sleep(seconds)
        return f"{100 * (cpu(pid) - before) / seconds:.2f}"

    def rss_mb(proc):
        return f"{usage(proc.pid)[1] / 1024:.1f}"

    def send_all(app, commands):
        # Sends commands without waiting for each answer; waits until all are answered.
        before = len(app.lines)
        for command in commands:
            app.tell(command)
        wait(lambda: len(app.lines) >= before + len(commands),
             f"no answer to {len(commands)} commands", 120)

    def covered():
        return sum(line.endswith(" = COVERED") for line in s.text("tessavo.log").splitlines())

    def until_covered(start):
        # Until all the chats and the main window are covered, or 60 s after start (saying so).
        while covered() < chats + 1:
            if time.monotonic() - start >= 60:
                print(f"only {covered()} covered after 60 s")
                return
            time.sleep(0.02)

    print(f"== {others} windows of another program, one chat, nothing moving, {seconds} s ==")
    kakao = s.app("kakao")
    kakao.send("open c0 100 100 300 300 채팅 하나")
    other = s.app("other", "--class", "org.example.Editor")
    send_all(other, [f"open-unfocused w{i} {i * 37 % 1300} {i * 53 % 800} 120 80 창 {i}"
                     for i in range(1, others + 1)])
    wait(lambda: len(s.managed()) > others, "openbox did not manage the windows", 120)
    other.send("open x 600 600 200 100 메모")
    t = s.tessavo()
    wait(lambda: covered() >= 1, "the chat was not covered", 20)
    time.sleep(3)
    print(f"Tessavo CPU: {cpu_over(t.pid, seconds)} % of one core; X server alongside:"
          f" {cpu_over(s.xvfb.pid, 5)} %; resident memory {rss_mb(t)} MB")
    # The same screen while the chat moves ten times a second.
    before, started = cpu(t.pid), time.monotonic()
    for i in range(1, seconds * 10 + 1):
        kakao.tell(f"move c0 {100 + i % 20 * 10} 100")
        time.sleep(0.1)
    moving = 100 * (cpu(t.pid) - before) / (time.monotonic() - started)
    print(f"while the chat moves ten times a second: {moving:.1f} % of one core")
    other.tell("quit")
    kakao.tell("quit")
    time.sleep(1)

    print(f"\n== {chats} chats opened at once ==")
    s.end(t)
    kakao = s.app("kakao2")
    kakao.send("open main 0 0 200 200 카카오톡")
    s.app("front", "--class", "org.example.Editor").send("open x 1200 700 200 150 메모")
    t = s.tessavo()
    wait(lambda: covered() >= 1, "the main window was not covered", 10)
    time.sleep(2)
    start, answered = time.monotonic(), None
    for i in range(1, chats + 1):
        kakao.tell(f"open-unfocused c{i} {i * 41 % 1200} {i * 29 % 650} 220 220 대화 {i}")
    while covered() < chats + 1 and time.monotonic() - start < 60:
        if answered is None and sum(a.startswith("opened") for a in kakao.lines) > chats:
            answered = f"{1000 * (time.monotonic() - start):.0f}"
        time.sleep(0.02)
    until_covered(start)
    print(f"messenger opened them in {answered or '?'} ms; all {chats} covered after"
          f" {1000 * (time.monotonic() - start):.0f} ms; resident memory {rss_mb(t)} MB")

    print(f"\n== Tessavo started over those {chats} open chats ==")
    s.end(t)
    time.sleep(1)
    start = time.monotonic()
    t = s.tessavo()
    until_covered(start)
    print(f"all {chats} covered after {1000 * (time.monotonic() - start):.0f} ms;"
          f" resident memory {rss_mb(t)} MB")


if __name__ == "__main__":
    needs_build()
    run(scale, *arguments(1000, 300, 20))
