#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures Tessavo on a real X server (a private Xvfb with openbox) and prints the figures:
 - the poll (round trips and time) with 5, 20 and 50 chat windows;
 - the running program's CPU use and resident memory with 10 covered chats.
Usage: bench/x11-measure.py [seconds]   (30 s; run scripts/setup.sh first)
"""
import os
import re
import subprocess
import time

from measure import BUILD, arguments, cpu, needs_build, run, usage, wait


def measure(s, seconds):
    print("== Poll cost (Xvfb + openbox) ==")
    bench = subprocess.run([os.path.join(BUILD, "tessavo-bench"),
                            "--benchmark_filter=DiscoveryX11"],
                           env=dict(s.env, QT_QPA_PLATFORM="xcb"), capture_output=True, text=True)
    for line in (bench.stdout + bench.stderr).splitlines():
        if re.match("(Benchmark|Discovery|---)", line):
            print(line)

    print(f"\n== Running program, 10 covered chats, another application in front, {seconds} s ==")
    kakao = s.app("kakao")
    for i in range(10):
        kakao.send(f"open c{i} {20 + i % 5 * 270} {40 + i // 5 * 420} 260 400 채팅 {i + 1}")
    s.app("other", "--class", "org.example.Editor").send("open x 600 700 200 100 메모")
    t = s.tessavo()
    wait(lambda: sum(line.endswith(" = COVERED") for line in s.log_lines("STATE ")) >= 10,
         "chats were not covered")
    time.sleep(3)  # settle: first paints and font loading are not the steady state
    before = cpu(t.pid)
    time.sleep(seconds)
    used = cpu(t.pid) - before
    print(f"CPU: {100 * used / seconds:.2f} % of one core ({used:.2f} s over {seconds} s)")
    print(f"Resident memory: {usage(t.pid)[1] / 1024:.1f} MB")


if __name__ == "__main__":
    needs_build("tessavo-bench")
    run(measure, *arguments(30))
