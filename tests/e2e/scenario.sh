#!/usr/bin/env bash
# End-to-end scenarios on a private X server with a real window manager (openbox, or the one
# XS_WINDOW_MANAGER names):
#   scenario.sh NAME     (see the case list at the bottom)
# The stand-in messenger opens its main window, chats A and B and a dialog; another
# application ("other") opens one window. Pixels are read from screenshots of the root window.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"

readonly COVER=ffffff       # the memo page, below its text
readonly MAIN_WINDOW=2e7d32 # the stand-in's colours, in the order its windows open
readonly CHAT_A=1565c0
readonly CHAT_B=c62828
readonly DIALOG=6a1b9a
readonly OTHER=2e7d32
readonly BAR=292929         # the switcher bar's ground, and its slots: plain, in use, uncovered
readonly SLOT=4d4d4d
readonly SLOT_ACTIVE=338cff
readonly SLOT_OFF=f4871a

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
  if [ "$1" = hotkeys ]; then store_settings '{"chatKeys": {"김민지": "a"}}'; fi
  case "$1" in scale*)
    export QT_SCALE_FACTOR="${1#scale}"
    # At the top centre the bar would lie over the desktop these scenarios read above the chats.
    store_settings '{"barX": 0, "barY": 0}' ;;
  esac
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
  TMPDIR="$XS_DIR" TESSAVO_DEBUG=1 "$XS_DIR/tessavo" >"$XS_DIR/second.out" 2>&1 &
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
  store_settings '{"disguiseMode": 1}'
}

store_settings() {  # JSON — before Tessavo starts
  mkdir -p "$XDG_CONFIG_HOME/tessavo"
  echo "$1" >"$XDG_CONFIG_HOME/tessavo/settings.json"
}

# Whether the stored settings pass a jq test: stored '.barX == 0'
stored() { jq -e "$1" "$XDG_CONFIG_HOME/tessavo/settings.json" >/dev/null 2>&1; }

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
  # i3 sets no frame extents: the frame is then the client.
  IFS=, read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ') ||
    true
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

# A dialog of the messenger in front of a covered window shows through that window's cover,
# whether the window manager's frames are override-redirect (XS_WINDOW_MANAGER: fluxbox, icewm,
# i3) or not. Window managers keep a dialog above the window it belongs to, the main window. The
# cover is read in its right margin, where no memo text ever lies.
dialog_shows_over_covered_window() {
  local x y w h
  read -r x y w h < <(frame_of "$MAIN")
  xs_send kakao move d $((x + 10)) $((y + h / 2))
  xs_wait 3 dialog_centre_within "$x" "$y" "$w" "$h" ||
    fail "the dialog ($(frame_of "$D")) never came in front of the main window ($x $y $w $h)"
  wait_pixel "$DIALOG_X" "$DIALOG_Y" "$DIALOG" "the dialog in front of the covered main window"
  expect_pixel $((x + w - 7)) $((y + h / 4)) "$COVER" "the main window covered beside the dialog"
}

# Whether the dialog's centre (then in DIALOG_X, DIALOG_Y) lies within a frame: X Y W H
dialog_centre_within() {
  local dx dy dw dh
  read -r dx dy dw dh < <(frame_of "$D")
  DIALOG_X=$((dx + dw / 2)) DIALOG_Y=$((dy + dh / 2))
  [ "$DIALOG_X" -gt "$1" ] && [ "$DIALOG_X" -lt $(($1 + $3)) ] &&
    [ "$DIALOG_Y" -gt "$2" ] && [ "$DIALOG_Y" -lt $(($2 + $4)) ]
}

# A chat that gets the id of a chat that just closed is a new window, framed and covered anew.
reused_id_is_a_new_window() {
  xs_send kakao reuse c b 1000 300 300 200 새 채팅
  [ "$(xs_id kakao c)" = "$B" ] || fail "the stand-in did not reuse the id"
  xs_send other focus x  # the new chat took the focus; another program takes it back
  xs_wait_log "STATE $B '새 채팅' = COVERED"
  wait_pixel 1280 480 "$COVER" "the chat under the reused id covered"
}

# Every process whose windows carry the messenger's class is the messenger; one that claims
# a process that is not the user's changes nothing for the real chats.
every_messenger_process_is_covered() {
  xs_app second
  xs_send second open c 1000 300 300 200 둘째 창
  local c; c=$(xs_id second c)
  xs_send other focus x  # new windows take the focus; another program takes it back
  xs_wait_log "STATE $c '둘째 창' = COVERED"
  wait_pixel 1280 480 "$COVER" "the second process's chat covered"
  xs_app forger --pid 1
  xs_send forger open f 40 600 200 120 가짜
  local f; f=$(xs_id forger f)
  xs_send other focus x
  xs_wait_log "STATE $f '가짜' = COVERED"
  sleep 0.3
  # Near each page's right edge, where no line of the memo reaches in any font.
  expect_pixel 740 300 "$COVER" "chat A still covered"
  expect_pixel 1180 250 "$COVER" "chat B still covered"
  expect_pixel 1280 480 "$COVER" "the second process's chat still covered"
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

# ---- the switcher bar: slots K (the main window), 1 (chat B) and 2 (chat A) ----
# Chats already open when Tessavo starts take their slots front to back: chat B opened last.

# The bar's window as "X Y W H"; nothing while it is not on screen.
bar_geometry() {
  local id
  id=$(xdotool search --onlyvisible --name '^tessavo switcher$' 2>/dev/null | head -n1)
  [ -n "$id" ] || return 0
  xwininfo -id "$id" | awk '
    /Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
bar_is_at() { [ "$(bar_geometry)" = "$1 $2 192 34" ]; }
wait_bar_at() {  # X Y — three slots make the bar 192 wide
  xs_wait 3 bar_is_at "$1" "$2" || fail "the bar is at '$(bar_geometry)', expected '$1 $2 192 34'"
  BAR_X=$1 BAR_Y=$2
}
# Screen points on the bar: a slot's centre, a spot of its disc beside the label, the middle line.
slot_x() { echo $((BAR_X + 35 + 30 * $1)); }
slot_disc() { echo $((BAR_X + 27 + 30 * $1)) $((BAR_Y + 17)); }
bar_middle() { echo $((BAR_Y + 17)); }

bar_shows_at_top_centre() {
  wait_bar_at 624 6
  local x y i
  read -r x y < <(slot_disc 0)
  expect_pixel $((BAR_X + 4)) "$y" "$BAR" "the bar's left grip"
  expect_pixel $((BAR_X + 188)) "$y" "$BAR" "the bar's right grip"
  for i in 0 1 2; do
    read -r x y < <(slot_disc "$i")
    expect_pixel "$x" "$y" "$SLOT" "slot $i"
  done
}

bar_pick_reveals_the_chat() {
  wait_bar_at 624 6
  xdotool mousemove "$(slot_x 2)" "$(bar_middle)" click 1
  xs_wait_log "PICK i=2 '김민지'"
  xs_wait_log "REVEAL id=$A '김민지'"
  wait_pixel 560 300 "$CHAT_A" "picked chat A visible"
  expect_pixel 170 300 "$COVER" "main window still covered"
  never_revealed_b
  wait_pixel $(slot_disc 2) "$SLOT_ACTIVE" "the picked chat's slot shows it in use"
  expect_pixel $(slot_disc 1) "$SLOT" "chat B's slot unchanged"
}

# Chat B, in front of the others, must not take the focus when another window is picked.
never_revealed_b() {
  sleep 0.3
  ! xs_logged "STATE $B '박서준 \"인용\"' = revealed" || fail "chat B uncovered though not picked"
  expect_pixel 1000 300 "$COVER" "chat B still covered"
}

bar_right_click_switches_covering() {
  wait_bar_at 624 6
  xdotool mousemove "$(slot_x 1)" "$(bar_middle)" click 3
  xs_wait 2 stored '.excluded == ["박서준 \"인용\""]' ||
    fail "covering off not stored: $(cat "$XDG_CONFIG_HOME/tessavo/settings.json")"
  wait_pixel 1000 300 "$CHAT_B" "chat B uncovered though another application is in front"
  wait_pixel $(slot_disc 1) "$SLOT_OFF" "chat B's slot shows covering off"
  expect_pixel 560 300 "$COVER" "chat A still covered"
  expect_pixel $(slot_disc 2) "$SLOT" "chat A's slot unchanged"
  xdotool click 3
  xs_wait 2 stored '.excluded == []' || fail "covering on not stored"
  wait_pixel 1000 300 "$COVER" "chat B covered again"
  wait_pixel $(slot_disc 1) "$SLOT" "chat B's slot back to plain"
}

on_frame() {  # FRAME ID...
  local frame=$1 id; shift
  for id in "$@"; do [ "$(frame_of "$id")" = "$frame" ] || return 1; done
}

# With no chat in use and none moved, the chats go onto the first in the list: the main window.
bar_arrange_stacks_the_chats() {
  wait_bar_at 624 6
  local main x y w h
  main=$(frame_of "$MAIN")
  xdotool mousemove $((BAR_X + 130)) "$(bar_middle)" click 1
  xs_wait 3 on_frame "$main" "$MAIN" "$A" "$B" ||
    fail "not stacked on $main: main $(frame_of "$MAIN"), A $(frame_of "$A"), B $(frame_of "$B")"
  # The covers went with their chats.
  read -r x y w h <<<"$main"
  wait_pixel $((x + w / 2)) $((y + h / 2 + 20)) "$COVER" "the stack covered"
  wait_pixel 560 300 203040 "nothing left where chat A was"
  wait_pixel 1000 300 203040 "nothing left where chat B was"
}

# Drags the bar by its left grip through the given points: drag_bar X1 Y1 X2 Y2 ...
drag_bar() {
  xdotool mousemove $((BAR_X + 8)) "$(bar_middle)" mousedown 1
  while [ $# -gt 0 ]; do
    sleep 0.05
    xdotool mousemove "$1" "$2"
    shift 2
  done
  sleep 0.05
  xdotool mouseup 1
}

bar_drag_moves_snaps_and_is_remembered() {
  wait_bar_at 624 6
  drag_bar 482 123 332 223
  wait_bar_at 324 206
  expect_pixel $(slot_disc 2) "$SLOT" "the bar above chat A's cover"
  # Stored from the primary screen's bottom-left, y up: 900 - 206 - 34.
  xs_wait 2 stored '.barX == 324 and .barY == 660' ||
    fail "the bar's place not stored: $(cat "$XDG_CONFIG_HOME/tessavo/settings.json")"
  kill -TERM "$XS_TESSAVO"
  wait "$XS_TESSAVO" || true
  xs_tessavo
  xs_wait_log "STATE $A '김민지' = COVERED"
  wait_bar_at 324 206
  # A fresh start lays new covers; the bar stays above the one beneath it.
  wait_pixel $(slot_disc 2) "$SLOT" "the bar above chat A's new cover"
  # Dropped with its left edge 10 pixels from the screen's, it snaps onto the edge.
  drag_bar 200 223 18 223
  wait_bar_at 0 206
  xs_wait 2 stored '.barX == 0 and .barY == 660' || fail "the snapped place not stored"
}

hot_keys_reveal() {
  # Keys pressed before the program holds them would go elsewhere.
  xs_wait_log "HOTKEY keys 'KA' mod=6144"
  xdotool key ctrl+alt+k
  xs_wait_log "PICK i=0 '카카오톡'"
  xs_wait_log "REVEAL id=$MAIN '카카오톡'"
  wait_pixel 170 300 "$MAIN_WINDOW" "the main window revealed by its hot key"
  xdotool key ctrl+alt+b  # no chat has this key
  xdotool key ctrl+alt+a
  xs_wait_log "PICK i=2 '김민지'"
  xs_wait_log "REVEAL id=$A '김민지'"
  wait_pixel 560 300 "$CHAT_A" "chat A revealed by its stored key"
  ! grep -q "^PICK i=1 " "$XS_LOG" || fail "a key without a chat picked chat B"
  never_revealed_b
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
  dialog-over-chat) dialog_shows_over_covered_window ;;
  bar) bar_shows_at_top_centre ;;
  bar-pick) bar_pick_reveals_the_chat ;;
  bar-toggle) bar_right_click_switches_covering ;;
  bar-arrange) bar_arrange_stacks_the_chats ;;
  bar-drag) bar_drag_moves_snaps_and_is_remembered ;;
  hotkeys) hot_keys_reveal ;;
  *) fail "unknown scenario $1" ;;
esac
echo "PASS: $1"
