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
  [ "$(xs_covers)" -eq 3 ] || fail "expected the second copy's 3 covers, found $(xs_covers)"
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
  *) fail "unknown scenario $1" ;;
esac
echo "PASS: $1"
