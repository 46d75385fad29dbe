# SPDX-License-Identifier: GPL-3.0-or-later
# The user's controls under openbox with a tray host (trayer): the tray menu, the settings
# window, both without a tray; and settings that cannot be saved. The messenger's main window
# and chat A, another program in front.
import grp
import os
import subprocess

import pytest

from conftest import A
from xsession import read, wait


TRAY, DESK = True, {"chats": (A,), "dialog": False}


def settings_label_shows_on_the_bar(d):
    s = d.s
    d.start()
    x, y, _, _ = s.frame(wait(s.bar, "no switcher bar"))
    before = s.area(x + 53, y + 5, 24, 24)  # chat A's slot
    settings = s.open_settings()
    # Only the window a task bar lists carries the icon: a copy of all its sizes in every
    # cover would cost the X server some 360 KB per cover.
    assert s.prop(settings, "_NET_WM_ICON"), "the settings window has no icon"
    assert len(s.shown()) >= 2 and not [w for w in s.shown() if s.prop(w, "_NET_WM_ICON")]
    sx, sy = s.origin(settings)
    s.click(sx + 348, sy + 58)  # the first row's label field
    s.xdotool("type", "--delay", 30, "Tm")
    s.key("Return")
    wait(lambda: not s.find("테사보 설정"), "the settings window stayed open after applying")
    wait(lambda: s.settings().get("labels") == {A: "Tm"}, lambda: f"not stored: {s.settings()}")
    wait(lambda: s.area(x + 53, y + 5, 24, 24) != before, "the bar still shows the old label")


def test_settings_label_shows_on_the_bar_and_the_tray_menu_pauses_and_quits(desk):
    s = desk.s
    settings_label_shows_on_the_bar(desk)
    s.menu_pick(3)  # 일시정지
    s.wait_covers(0, "paused")
    wait(lambda: not s.bar(), "the bar stays while paused")
    wait(lambda: s.settings().get("paused") is True, "pause not stored")
    s.open_tray_menu()
    s.key("q")  # the open menu answers q with 종료, as its shortcut says
    assert desk.tessavo.wait(3) == 0


def read_only(s, folder):
    # Root writes anywhere: as root, Tessavo runs as an unprivileged user.
    s.store_settings({"idleSec": 0})
    os.chmod(s.config, 0o755)
    os.chmod(folder, 0o555)
    if os.getuid() != 0:
        return [], ""
    os.chmod(s.dir, 0o1777)  # the debug log
    os.chown(s.path("runtime"), 65534, -1)
    gid = grp.getgrnam("nogroup").gr_gid
    return ["setpriv", "--reuid=nobody", f"--regid={gid}", "--clear-groups"], ""


def full(s, folder):
    # A file system with no room left, mounted in a mount namespace of Tessavo's own.
    os.makedirs(folder)
    for unshare in (["unshare", "-m"], ["unshare", "-Urm"]):
        if subprocess.run(unshare + ["mount", "-t", "tmpfs", "tmpfs", folder]).returncode == 0:
            break
    else:
        pytest.skip("no mount namespace here")
    script = ('mount -t tmpfs -o size=16k,mode=700 tmpfs "$0" && echo \'{"idleSec": 0}\' >'
              ' "$0/settings.json" && { dd if=/dev/zero of="$0/filler" bs=1k count=64;'
              ' exec "$@"; }')
    return [*unshare, "--propagation", "private", "sh", "-c", script, folder], "/proc/{pid}/root"


@pytest.mark.parametrize("config, why", [(read_only, "Permission denied"),
                                         (full, "No space left on device")])
def test_settings_that_cannot_be_saved(desk, config, why):
    # Pause chosen twice from the tray menu, two saves that fail: the file stays as it was,
    # the failure is told once, and covering goes on as chosen.
    s, folder = desk.s, os.path.join(desk.s.config, "tessavo")
    wrap, root = config(s, folder)
    t = desk.start(wrap=wrap)
    path = root.replace("{pid}", str(t.pid)) + os.path.join(folder, "settings.json")
    before = read(path)
    s.menu_pick(3)  # 일시정지
    s.wait_covers(0)
    wait(lambda: s.log_lines("SETTINGS cannot save: "), "the failed save not told")
    s.menu_pick(3)  # and again: covering resumes
    s.wait_covers(2)
    assert read(path) == before
    failures = s.log_lines("SETTINGS cannot save: ")
    assert len(failures) == 1 and why in failures[0], failures
    assert s.text("tessavo.out").count("cannot save settings") == 1, s.text("tessavo.out")


def test_without_a_tray_the_settings_window_has_the_menu(desk):
    s = desk.s
    s.end(s.tray)
    desk.start()
    settings = s.open_settings()
    # Its strip of buttons, one per item, at the top: the third pauses. Their widths follow
    # the font; read their edges off a row above the text.
    x, y = s.origin(settings)
    def found():
        row = s.area(x, y + 12, 500, 1)[0]
        return [i for i in range(1, 500) if (row[i] == row[0]) != (row[i - 1] == row[0])]
    edges = wait(lambda: len(found()) >= 6 and found(), "no buttons at the top")
    s.click(x + (edges[4] + edges[5]) // 2, y + 20)
    wait(lambda: s.settings().get("paused") is True, "the third button did not pause")
    s.wait_covers(0)
    assert s.bar(), "without a tray the bar must stay while paused"
