#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The long seeded soak: the end-to-end soak's random window commands (tests/e2e/test_soak.py;
the same seed gives the same commands) for minutes on end, with Tessavo's memory and CPU (and
the X server's CPU) sampled at every checkpoint.
Usage: bench/soak.py [minutes] [seed]   (10 minutes; a random seed, printed; run
scripts/setup.sh first). SOAK_COMMANDS=K stops after K commands.
It fails on a chat left uncovered, a stale cover or Tessavo gone; its figures and X resource
counts are for the record and never make it fail.
"""
import os
import random
import sys
import time

from measure import arguments, machine, needs_build, run, start_tessavo, usage
from test_soak import Soak, steady


class Figures:
    # One row a checkpoint: Tessavo's memory, its CPU and the X server's since the last row.

    def __init__(self, s, tessavo):
        self.s, self.pids = s, (tessavo.pid, s.xvfb.pid)
        self.began = self.last = time.monotonic()
        self.first = self.cpu = self.cpus()
        self.rss = [usage(tessavo.pid)[1]]
        print(f"{'seconds':>7} | {'commands':>8} | {'RSS MB':>7} | {'peak MB':>7} | {'CPU %':>8}"
              f" | {'X CPU %':>8} | {'covers':>6}")

    def cpus(self):
        return [usage(pid)[0] for pid in self.pids]

    def share(self, since, before):
        return [100 * (b - a) / (time.monotonic() - since) for a, b in zip(before, self.cpus())]

    def row(self, soak):
        _, rss, self.peak = usage(self.pids[0])
        tessavo, xserver = self.share(self.last, self.cpu)
        self.last, self.cpu = time.monotonic(), self.cpus()
        self.rss.append(rss)
        print(f"{self.last - self.began:7.1f} | {soak.n:8d} | {rss / 1024:7.1f}"
              f" | {self.peak / 1024:7.1f} | {tessavo:8.1f} | {xserver:8.1f}"
              f" | {len(self.s.covers()):6d}")


def soak_bench(s, minutes, seed):
    seconds, limit = minutes * 60, int(os.environ.get("SOAK_COMMANDS", 0))
    print(f"== Soak: seed {seed}, {seconds} s of commands, a checkpoint every 60; {machine()} ==")
    soak = Soak(s, seed)

    try:
        # As the end-to-end soak runs, so that a seed's commands are the same.
        t = soak.begin(start_tessavo)
        back = steady(lambda: s.xres(t.pid))
        print(f"X resources of Tessavo (windows pixmaps): {soak.start} with {soak.covers} covers;"
              f" {soak.one} with one more; {back} once it closed again")
        figures = Figures(s, t)
        soak.run(t, seconds, limit, lambda: figures.row(soak))
        ran, commands = time.monotonic() - figures.began, soak.n
        want = soak.wind_down(t)
        end = steady(lambda: s.xres(t.pid))
        figures.row(soak)
    except AssertionError:
        os.environ["XS_KEEP"] = "1"
        print(f"SOAK FAIL (seed {seed}, after command {soak.n}); commands and screenshot in"
              f" {s.dir}; again: SOAK_COMMANDS={soak.n} {sys.argv[0]} {minutes} {seed}")
        raise

    per = tuple(b - a for a, b in zip(soak.start, soak.one))
    print(f"X resources of Tessavo (windows pixmaps): {soak.start} at the start with {soak.covers}"
          f" covers, {end} at the end with {soak.expect}; one cover costs {per}, so {want} expected")
    tessavo, xserver = figures.share(figures.began, figures.first)
    print(f"SUMMARY seed {seed}: {commands} commands in {ran:.0f} s ({commands / ran:.1f} a"
          f" second), {soak.checks} checkpoints, {soak.points} points read; RSS start"
          f" {figures.rss[0] / 1024:.1f} MB, peak {figures.peak / 1024:.1f} MB, end"
          f" {figures.rss[-1] / 1024:.1f} MB; CPU Tessavo {tessavo:.1f} %, X server"
          f" {xserver:.1f} % of one core")
    if end != want or back != soak.start:
        print(f"NOTE: Tessavo's X resources: {end} at the end, {want} expected ({back} after the"
              f" first cover closed, {soak.start} before)")
    print(f"PASS: no chat uncovered, no stale cover, Tessavo still running (seed {seed})")


if __name__ == "__main__":
    needs_build()
    run(soak_bench, *arguments(10, random.randrange(32768)))
