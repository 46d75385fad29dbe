#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up and runs Tessavo. On an X11 desktop (or XWayland) it runs for real. With no display it
# runs a demo on a virtual display: the stand-in messenger with three chats and a dialog,
# another application in front, and Tessavo covering; it saves screenshots and says where.
#   scripts/run.sh [screenshot folder]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh release

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec ./build/tessavo
fi

exec /usr/bin/python3 scripts/demo.py "${1:-demo-screenshots}"
