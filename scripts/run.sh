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
# A tray along the top right, as a desktop panel would have.
trayer --edge top --align right --widthtype request --height 24 --transparent false \
  --tint 0x404040 >/dev/null 2>&1 &
XS_PIDS+=($!)
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

# The tray menu, then the settings window from the bar's ⚙ button.
xs_send other focus x
icon=$(xwininfo -root -tree | awk '/\("tessavo" "tessavo"\)  22x22\+/ && !id { id = $1 } END { print id }')
if [ -n "$icon" ]; then
  read -r x y < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ { x = $4 }
    /Absolute upper-left Y/ { y = $4 } END { print x, y }')
  xdotool mousemove $((x + 11)) $((y + 11)) click 3
  sleep 0.5
  xs_screenshot "$out/5-tray-menu.png"
  echo "5. The tray menu: disguise, pause, start at login, quit."
  xdotool key Escape
fi
bar=$(xdotool search --onlyvisible --name "^tessavo switcher" | sed -n 1p)
read -r x y w < <(xwininfo -id "$bar" | awk '/Absolute upper-left X/ { x = $4 }
  /Absolute upper-left Y/ { y = $4 } /Width:/ { w = $2 } END { print x, y, w }')
xdotool mousemove $((x + w - 16 - 14)) $((y + 17)) click 1
xs_wait 3 xdotool search --onlyvisible --name "^테사보 설정$" || true
sleep 0.5
xs_screenshot "$out/6-settings-window.png"
echo "6. The settings window, opened with the bar's ⚙ button."

echo "Screenshots are in $out"
