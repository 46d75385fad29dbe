#!/usr/bin/env bash
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

out=$(realpath -m "${1:-demo-screenshots}")
mkdir -p "$out"
source scripts/lib/xsession.sh
xs_start
xs_app kakao --demo
xs_app other --class org.example.Editor
xs_send other open x 980 620 380 220 메모장
xs_tessavo
A=$(xs_id kakao a)
B=$(xs_id kakao b)
xs_wait_log "STATE $A '김민지' = COVERED"
sleep 0.3
xs_screenshot "$out/1-another-application-in-front.png"
echo "1. Another application is in front: every chat is covered; the messenger's dialog shows."

xs_send kakao focus a
xs_wait_log "STATE $A '김민지' = revealed"
sleep 0.3
xs_screenshot "$out/2-working-in-one-chat.png"
echo "2. Working in the chat 김민지: it alone is uncovered."

xs_send other focus x
xs_wait_log "STATE $A '김민지' = COVERED"
xdotool mousemove 1100 300 click 1
xs_wait_log "REVEAL id=$B '박서준'"
sleep 0.3
xs_screenshot "$out/3-click-on-a-cover.png"
echo "3. A click on the cover of 박서준 reveals that chat."

# The other disguise: the piece of desktop picture beneath each chat.
kill "$XS_TESSAVO"; wait "$XS_TESSAVO" 2>/dev/null || true
convert -size 1440x900 -depth 8 xc: -sparse-color barycentric \
  '0,0 #1d3557 1439,0 #457b9d 700,899 #a8dadc' -blur 0x30 "$XS_DIR/desktop.png"
feh --no-fehbg --bg-scale "$XS_DIR/desktop.png"
mkdir -p "$XDG_CONFIG_HOME/tessavo"
echo '{"disguiseMode": 1}' >"$XDG_CONFIG_HOME/tessavo/settings.json"
xs_send other focus x
xs_tessavo
xs_wait_log "STATE $A '김민지' = COVERED"
xdotool mousemove 1100 300
sleep 0.5
xs_screenshot "$out/4-desktop-picture-disguise.png"
echo "4. The desktop-picture disguise: chats vanish into the desktop; the one under the mouse"
echo "   shows a title bar."

echo "Screenshots are in $out"
