# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts into a system as a package would (prefix /usr), whether desktops
# accept it, and the installed program's command line, with no display at all.
import os
import re
import struct
import subprocess

from xsession import BUILD, alive, read, wait

VERSION = re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.*)$", read(f"{BUILD}/CMakeCache.txt"), re.M)[1]
SHARE = {"applications/tessavo.desktop", "icons/hicolor/scalable/apps/tessavo.svg",
         "metainfo/io.github.tessavo.Tessavo.metainfo.xml", "man/man1/tessavo.1.gz"}
ICONS = {f"icons/hicolor/{n}x{n}/apps/tessavo.png": n for n in (16, 24, 32, 48, 64, 128, 256)}


def run(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def test_installs_what_a_desktop_needs_and_nothing_else_and_runs(tmp_path):
    usr = tmp_path / "root"
    subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], check=True,
                   env=dict(os.environ, DESTDIR=str(usr)), stdout=subprocess.DEVNULL)
    found = {str(p.relative_to(usr)) for p in usr.rglob("*") if p.is_file()}
    assert found == {"usr/bin/tessavo"} | {"usr/share/" + f for f in SHARE | set(ICONS)}
    assert os.access(usr / "usr/bin/tessavo", os.X_OK)
    for png, n in ICONS.items():
        head = (usr / "usr/share" / png).read_bytes()[:24]
        assert head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:]) == (n, n)
    share = usr / "usr/share"
    metainfo = share / "metainfo/io.github.tessavo.Tessavo.metainfo.xml"
    for check in (["desktop-file-validate", share / "applications/tessavo.desktop"],
                  ["appstreamcli", "validate", "--no-net", metainfo]):
        assert run(*check).returncode == 0, run(*check).stdout
    assert '<launchable type="desktop-id">tessavo.desktop</launchable>' in metainfo.read_text()
    assert f'<release version="{VERSION}"' in metainfo.read_text()
    man = run("sh", "-c", f"zcat {share}/man/man1/tessavo.1.gz | preconv -e utf-8 |"
              " groff -man -Tutf8 -ww -z")
    assert man.stdout + man.stderr == "", "the manual page does not format cleanly"
    # The installed program's command line, with a copy running.
    exe = str(usr / "usr/bin/tessavo")
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TESSAVO_DEBUG")}
    env.update(XDG_CONFIG_HOME=str(tmp_path / "config"), XDG_RUNTIME_DIR=str(tmp_path / "run"),
               QT_QPA_PLATFORM="offscreen")
    os.mkdir(tmp_path / "run", 0o700)
    out = tmp_path / "first.out"
    # Copies drawing offscreen, the first with its output in first.out.
    first = subprocess.Popen([exe], env=env, stdout=open(out, "w"), stderr=subprocess.STDOUT)
    try:
        wait(lambda: "no system tray" in out.read_text() or not alive(first.pid),
             "the running copy did not start", 10)
        assert alive(first.pid), out.read_text()
        for flag in ("--version", "-v"):
            assert run(exe, flag, env=env, check=True).stdout == f"tessavo {VERSION}\n"
        helped = run(exe, "--help", env=env, check=True).stdout
        assert helped.startswith("사용법: tessavo") and "--version" in helped
        for bad in ("--bogus", "-x", "extra"):
            r = run(exe, bad, env=env)
            assert (r.returncode, r.stdout) == (2, "") and re.search(f"tessavo: .*{bad}", r.stderr)
        assert alive(first.pid), "asking for help or the version stopped the running copy"
    finally:
        first.kill()
        first.wait()
