# SPDX-License-Identifier: GPL-3.0-or-later
# The X11 backend's own tests that need a real X server, on a private one.
import re
import subprocess

import pytest

from xsession import BUILD


@pytest.mark.parametrize("session, binary, tests, env", [
    ("openbox", "unit", "X11Input.*:X11Floating.*", {"QT_QPA_PLATFORM": "xcb"}),
    ("openbox", "widget", "X11Hotkeys.*", {"QT_QPA_PLATFORM": "xcb"}),
    (None, "unit", "X11Snapshot.*", {"TESSAVO_X11_SNAPSHOT": "1"}),  # they play the manager
], indirect=["session"], ids=["input", "hotkeys", "snapshot"])
def test_backend_on_a_real_server(session, binary, tests, env):
    r = subprocess.run([f"{BUILD}/tests/tessavo-{binary}-tests", "--gtest_filter=" + tests],
                       env=dict(session.env, **env), capture_output=True, text=True,
                       timeout=120)
    assert r.returncode == 0, r.stdout[-4000:] + r.stderr[-4000:]
    assert re.search(r"\[  PASSED  \] [1-9]", r.stdout), "no test ran: " + r.stdout
