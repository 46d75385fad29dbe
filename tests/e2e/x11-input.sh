#!/usr/bin/env bash
# Runs the X11 input tests (global hot keys, the global mouse monitor) and the floating level's
# tests on a private X server.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"
xs_start
QT_QPA_PLATFORM=xcb "$XS_BUILD/tests/tessavo-unit-tests" --gtest_filter='X11Input.*:X11Floating.*'
