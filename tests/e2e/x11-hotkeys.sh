#!/usr/bin/env bash
# Runs the hot-key manager's tests (changing the modifier at run time, keys another program
# holds) on a private X server.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"
xs_start
QT_QPA_PLATFORM=xcb "$XS_BUILD/tests/tessavo-widget-tests" --gtest_filter='X11Hotkeys.*'
