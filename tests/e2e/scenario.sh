#!/usr/bin/env bash
# End-to-end scenarios on a private X server with a real window manager:
#   scenario.sh NAME     (see the case list at the bottom)
# The stand-in messenger opens its main window, chats A and B and a dialog; another
# application ("other") opens one window. Pixels are read from screenshots of the root window.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"

readonly COVER=ffffff      # the memo page, below its text
readonly CHAT_A=1565c0     # the stand-in's colours, in the order its windows open
readonly CHAT_B=c62828
readonly DIALOG=6a1b9a
readonly OTHER=2e7d32

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_pixel() {  # X Y COLOUR WHAT
  local got; got=$(xs_pixel "$1" "$2")
  [ "$got" = "$3" ] || fail "$4: pixel ($1, $2) is $got, expected $3"
}
wait_pixel() {  # X Y COLOUR WHAT — within two seconds
  local end=$((SECONDS + 2))
  until [ "$(xs_pixel "$1" "$2")" = "$3" ]; do
    [ $SECONDS -lt $end ] || expect_pixel "$@"
    sleep 0.05
  done
}

setup() {
  xs_start
  xs_app kakao
  xs_send kakao open main 20 40 300 500 카카오톡
  xs_send kakao open a 360 60 400 400 김민지
  xs_send kakao open b 800 60 400 400 "박서준 \"인용\""
  xs_send kakao dialog d 420 520 300 150 파일 보내기
  xs_app other --class org.example.Editor
  xs_send other open x 1000 600 300 200 메모
  MAIN=$(xs_id kakao main); A=$(xs_id kakao a); B=$(xs_id kakao b); D=$(xs_id kakao d)
  if [ "$1" = wallpaper ]; then prepare_wallpaper; fi
  case "$1" in scale*) export QT_SCALE_FACTOR="${1#scale}" ;; esac
  xs_tessavo
  # The other application is in front: every chat is covered.
  xs_wait_log "STATE $A '김민지' = COVERED"
  xs_wait_log "STATE $B '박서준 \"인용\"' = COVERED"
  xs_wait_log "STATE $MAIN '카카오톡' = COVERED"
}

covered_with_dialog_hole() {
  grep -q "^WINS " "$XS_LOG" || fail "no window signature logged"
  wait_pixel 560 300 "$COVER" "chat A covered"
  wait_pixel 1000 300 "$COVER" "chat B covered"
  wait_pixel 170 300 "$COVER" "main window covered"
  wait_pixel 570 600 "$DIALOG" "the dialog shows through its hole"
  [ "$(xs_covers)" -eq 3 ] || fail "expected 3 covers, found $(xs_covers)"
}

focus_reveals_only_it() {
  xs_send kakao focus a
  xs_wait_log "PROTECT → $A '김민지' [front=com.kakao.KakaoTalkMac]"
  xs_wait_log "STATE $A '김민지' = revealed"
  wait_pixel 560 300 "$CHAT_A" "focused chat A visible"
  expect_pixel 1000 300 "$COVER" "chat B still covered"
  expect_pixel 170 300 "$COVER" "main window still covered"
}

cover_follows_move() {
  xs_send kakao move b 700 200
  # Two ticks are 0.12 s; allow the window manager its own moment as well.
  sleep 0.3
  expect_pixel 900 530 "$COVER" "chat B covered at its new place"
  expect_pixel 1150 150 "203040" "nothing left where chat B was"
}

click_reveals() {
  xdotool mousemove 1000 300 click 1
  xs_wait_log "REVEAL id=$B '박서준 \"인용\"'"
  wait_pixel 1000 300 "$CHAT_B" "clicked chat B visible"
}

minimize_logs_min() {
  xs_send kakao minimize a
  xs_wait_log "STATE $A '김민지' = min"
  [ "$(xs_covers)" -eq 2 ] || fail "a minimized chat keeps no cover on screen"
}

close_removes_cover() {
  xs_send kakao close a
  xs_wait 2 sh -c '[ "$(xdotool search --onlyvisible --name "^tessavo cover" | wc -l)" -eq 2 ]' ||
    fail "closing chat A left $(xs_covers) covers"
}

messenger_quit_removes_all() {
  xs_tell kakao quit
  xs_wait 2 sh -c '[ "$(xdotool search --onlyvisible --name "^tessavo cover" | wc -l)" -eq 0 ]' ||
    fail "covers left after the messenger quit: $(xs_covers)"
}

fullscreen_stays_covered() {
  xs_send kakao fullscreen a
  xs_send other focus x
  sleep 0.3
  xs_wait_log "STATE $A '김민지' = COVERED"
  expect_pixel 200 700 "$COVER" "full-screen chat A covered behind the other application"
}

sigterm_leaves_nothing() {
  kill -TERM "$XS_TESSAVO"
  xs_wait 3 sh -c "! kill -0 $XS_TESSAVO" || fail "Tessavo did not exit on SIGTERM"
  wait "$XS_TESSAVO" && status=0 || status=$?
  [ "$status" -eq 0 ] || fail "Tessavo exited with $status"
  [ "$(xs_covers)" -eq 0 ] || fail "covers left on screen after SIGTERM"
  expect_pixel 1000 300 "$CHAT_B" "chat B visible once Tessavo is gone"
}

second_copy_replaces_first() {
  local first=$XS_TESSAVO
  TESSAVO_DEBUG=1 "$XS_DIR/tessavo" >"$XS_DIR/second.out" 2>&1 &
  local second=$!
  XS_PIDS+=($second)
  xs_wait 3 sh -c "! kill -0 $first" || fail "the first copy still runs"
  sleep 0.5
  kill -0 "$second" || fail "the second copy did not keep running"
  # The second copy lays its covers at its own pace; a loaded machine may take a moment.
  xs_wait 5 sh -c '[ "$(xdotool search --onlyvisible --name "^tessavo cover" | wc -l)" -eq 3 ]' ||
    fail "expected the second copy's 3 covers, found $(xs_covers)"
}

# A picture whose every spot differs, set as the desktop picture; covers in wallpaper mode.
prepare_wallpaper() {
  PICTURE="$XS_DIR/picture.png"
  convert -size 1440x900 -depth 8 xc: -sparse-color bilinear \
    '0,0 #ff2000 1439,0 #ffe000 0,899 #0020ff 1439,899 #00c060' "$PICTURE"
  feh --no-fehbg --bg-scale "$PICTURE"
  mkdir -p "$XDG_CONFIG_HOME/tessavo"
  echo '{"disguiseMode": 1}' >"$XDG_CONFIG_HOME/tessavo/settings.json"
}

picture_pixel() { convert "$PICTURE" -format "%[hex:p{$1,$2}]" info: | tr 'A-F' 'a-f' | cut -c1-6; }

wallpaper_shows_the_picture_beneath() {
  xdotool mousemove 5 895  # away from every cover: no title bar
  sleep 0.3
  local x y want
  # Inside chat A, at its edge, and in the 18-point margin around it.
  for point in "560 300" "370 100" "750 450" "350 55" "775 470"; do
    read -r x y <<<"$point"
    want=$(picture_pixel "$x" "$y")
    expect_pixel "$x" "$y" "$want" "the desktop picture under the cover at ($x, $y)"
  done
  xs_logged "STATE $A '김민지' = COVERED" || fail "chat A not covered"
  grep -q '^WP capture id=1 cg=0,0,1440,900 -> OK$' "$XS_LOG" || fail "no capture logged"
}

# The frame of a client, decorations included, in device pixels: "X Y W H".
frame_of() {
  local cx cy cw ch l r t b
  read -r cx cy cw ch < <(xwininfo -id "$1" | awk '
    /Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
  IFS=, read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  echo $((cx - ${l:-0})) $((cy - ${t:-0})) $((cw + ${l:-0} + ${r:-0})) $((ch + ${t:-0} + ${b:-0}))
}

# How many pixels of one colour a rectangle of the screen shows: count_colour X Y W H RRGGBB
count_colour() {
  local shot="$XS_DIR/count.png"
  xs_screenshot "$shot"
  convert "$shot" -crop "$3x$4+$1+$2" +repage -fill black +opaque "#$5" -fill white -opaque "#$5" \
    -format '%[fx:round(mean*w*h)]' info:
}

# At any device pixel ratio every covered chat is hidden to its last pixel, and the covers do
# not spill over onto the desktop around it.
covers_sit_exactly_on_chats() {
  local id colour x y w h n c
  sleep 0.3
  for pair in "$A $CHAT_A" "$B $CHAT_B"; do
    read -r id colour <<<"$pair"
    read -r x y w h < <(frame_of "$id")
    # The page's rounded corners (12 logical pixels) may show a corner of the chat's frame.
    c=$(awk -v s="$QT_SCALE_FACTOR" 'BEGIN { print int(12 * s) + 2 }')
    n=$(($(count_colour "$x" "$y" "$w" $((h - c)) "$colour") +
         $(count_colour $((x + c)) $((y + h - c)) $((w - 2 * c)) "$c" "$colour")))
    [ "$n" -eq 0 ] || fail "$n pixels of chat $id show at scale $QT_SCALE_FACTOR (frame $x,$y ${w}x$h)"
    expect_pixel $((x + w / 2)) $((y - 3)) 203040 "desktop above chat $id"
    expect_pixel $((x + w / 2)) $((y + h + 2)) 203040 "desktop below chat $id"
  done
  xs_send kakao close b
  wait_pixel $((x + w / 2)) $((y + h / 2)) 203040 "no cover left where the closed chat was"
}

# A new window manager frames every window anew: covers come back on the new frames.
window_manager_restart_recovers() {
  openbox --replace --sm-disable >"$XS_DIR/openbox2.log" 2>&1 &
  XS_PIDS+=($!)
  local second=$!
  sleep 1
  xs_send kakao move b 700 200
  wait_pixel 900 530 "$COVER" "chat B covered at its new place under the new window manager"
  wait_pixel 560 300 "$COVER" "chat A covered under the new window manager"
  kill -KILL "$second"  # no chance to tidy up: its frames vanish, its lists stay
  wait "$second" 2>/dev/null || true
  openbox --sm-disable >"$XS_DIR/openbox3.log" 2>&1 &
  XS_PIDS+=($!)
  sleep 1
  xs_send kakao move b 760 260
  wait_pixel 960 590 "$COVER" "chat B covered after the window manager was killed and restarted"
}

# A chat that gets the id of a chat that just closed is a new window, framed and covered anew.
reused_id_is_a_new_window() {
  xs_send kakao reuse c b 1000 300 300 200 새 채팅
  [ "$(xs_id kakao c)" = "$B" ] || fail "the stand-in did not reuse the id"
  xs_send other focus x  # the new chat took the focus; another program takes it back
  xs_wait_log "STATE $B '새 채팅' = COVERED"
  wait_pixel 1150 420 "$COVER" "the chat under the reused id covered"
}

# Every process whose windows carry the messenger's class is the messenger; one that claims
# a process that is not the user's changes nothing for the real chats.
every_messenger_process_is_covered() {
  xs_app second
  xs_send second open c 1000 300 300 200 둘째 창
  local c; c=$(xs_id second c)
  xs_send other focus x  # new windows take the focus; another program takes it back
  xs_wait_log "STATE $c '둘째 창' = COVERED"
  wait_pixel 1150 420 "$COVER" "the second process's chat covered"
  xs_app forger --pid 1
  xs_send forger open f 40 600 200 120 가짜
  local f; f=$(xs_id forger f)
  xs_send other focus x
  xs_wait_log "STATE $f '가짜' = COVERED"
  sleep 0.3
  expect_pixel 560 300 "$COVER" "chat A still covered"
  expect_pixel 1000 200 "$COVER" "chat B still covered"
  expect_pixel 1150 420 "$COVER" "the second process's chat still covered"
}

# Where a chat in use lies in front of a covered one, the cover has a hole that passes clicks
# to it; the rest of the page still takes them and reveals its own chat.
hole_passes_clicks_and_page_takes_them() {
  xs_send kakao move b 600 200
  xs_send kakao focus a  # chat A in use, in front of chat B's left part
  xs_wait_log "STATE $A '김민지' = revealed"
  sleep 0.3
  xdotool mousemove 700 350 click 1
  xs_wait 2 grep -qx "clicked a" "$XS_DIR/kakao.out" || fail "the click in the hole did not reach chat A"
  ! xs_logged "REVEAL id=$B '박서준 \"인용\"'" || fail "a click in the hole revealed chat B"
  xdotool mousemove 900 400 click 1
  xs_wait_log "REVEAL id=$B '박서준 \"인용\"'"
  grep -q "^CLICK→reveal cover=$B " "$XS_LOG" || fail "the cover did not take the click"
  ! grep -qx "clicked b" "$XS_DIR/kakao.out" || fail "the click reached the covered chat"
}

setup "${1:?scenario}"
case "$1" in
  covered) covered_with_dialog_hole ;;
  focus) focus_reveals_only_it ;;
  move) cover_follows_move ;;
  click) click_reveals ;;
  minimize) minimize_logs_min ;;
  close) close_removes_cover ;;
  quit) messenger_quit_removes_all ;;
  fullscreen) fullscreen_stays_covered ;;
  sigterm) sigterm_leaves_nothing ;;
  single) second_copy_replaces_first ;;
  wallpaper) wallpaper_shows_the_picture_beneath ;;
  scale*) covers_sit_exactly_on_chats ;;
  wm-restart) window_manager_restart_recovers ;;
  reused-id) reused_id_is_a_new_window ;;
  processes) every_messenger_process_is_covered ;;
  hole-click) hole_passes_clicks_and_page_takes_them ;;
  *) fail "unknown scenario $1" ;;
esac
echo "PASS: $1"
