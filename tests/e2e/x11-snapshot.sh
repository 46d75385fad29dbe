#!/usr/bin/env bash
# Runs the X11 window-list tests on a private X server without a window manager: the tests play
# one themselves.
set -euo pipefail
XS_NO_WM=1
source "$(dirname "$0")/../../scripts/lib/xsession.sh"
xs_start
TESSAVO_X11_SNAPSHOT=1 "$XS_BUILD/tests/tessavo-unit-tests" --gtest_filter='X11Snapshot.*'
