#!/usr/bin/env bash
# End-to-end scenarios for the user's controls: the tray menu, the settings window, and both
# without a tray. A private X server with openbox (or XS_WINDOW_MANAGER); a tray host (trayer)
# unless the scenario says otherwise.
#   controls.sh NAME     (see the case list at the bottom)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"

readonly COVER=ffffff
readonly CHAT_A=1565c0

fail() { echo "FAIL: $*" >&2; exit 1; }
settings() { cat "$XDG_CONFIG_HOME/tessavo/settings.json" 2>/dev/null || true; }
bar_id() { xs_bar; }
origin_of() { xs_origin "$1"; }

setup() {
  xs_start
  [ "$1" = no-tray ] || xs_start_tray
  xs_app kakao
  xs_send kakao open main 20 40 300 500 카카오톡
  xs_send kakao open a 360 60 400 400 김민지
  xs_app other --class org.example.Editor
  xs_send other open x 1000 600 300 200 메모
  MAIN=$(xs_id kakao main); A=$(xs_id kakao a)
  xs_tessavo
  xs_wait_log "STATE $A '김민지' = COVERED"
  xs_wait_log "STATE $MAIN '카카오톡' = COVERED"
  xs_wait 3 bar_id || fail "no switcher bar"
}

tray_menu_controls_everything() {
  xs_menu_pick 2  # 위장: 배경화면
  xs_wait 3 sh -c "grep -q '\"disguiseMode\": 1' '$XDG_CONFIG_HOME/tessavo/settings.json'" ||
    fail "the desktop-picture disguise was not stored: $(settings)"
  xdotool mousemove 5 895
  sleep 0.4
  local seen; seen=$(xs_pixel 560 300)
  # No desktop picture is set here: the disguise shows its plain colour, neither page nor chat.
  [ "$seen" != "$COVER" ] && [ "$seen" != "$CHAT_A" ] ||
    fail "chat A shows $seen, not the desktop-picture disguise"
  [ "$(xs_covers)" -eq 2 ] || fail "the covers went away while the disguise changed"

  xs_menu_pick 3  # 일시정지
  xs_wait 3 sh -c '[ "$(xdotool search --onlyvisible --name "^tessavo cover" | wc -l)" -eq 0 ]' ||
    fail "covers left while paused: $(xs_covers)"
  ! bar_id >/dev/null || fail "the bar stays while paused"
  grep -q '"paused": true' <<<"$(settings)" || fail "pause not stored: $(settings)"

  # The open menu answers q with 종료, as its shortcut says.
  xs_open_tray_menu
  xdotool key q
  xs_wait 3 sh -c "! kill -0 $XS_TESSAVO" || fail "Tessavo did not quit"
  wait "$XS_TESSAVO" && status=0 || status=$?
  [ "$status" -eq 0 ] || fail "Tessavo exited with $status"
}

# Clicks at (dx, dy) inside the settings window.
settings_click() {
  local x y
  read -r x y < <(origin_of "$SETTINGS")
  xdotool mousemove $((x + $1)) $((y + $2)) click 1
}

open_settings() {
  local x y
  read -r x y < <(origin_of "$(bar_id)")
  xdotool mousemove $((x + 30 * 2 + 68)) $((y + 17)) click 1  # ⚙ after two slots
  xs_wait 3 xdotool search --onlyvisible --name "^테사보 설정$" || fail "no settings window"
  SETTINGS=$(xdotool search --onlyvisible --name "^테사보 설정$" | sed -n 1p)
}

# The first slot's picture, as text, to tell labels apart.
slot_picture() {
  local x y
  read -r x y < <(origin_of "$(bar_id)")
  xs_screenshot "$XS_DIR/bar.png"
  convert "$XS_DIR/bar.png" -crop "24x24+$((x + 53))+$((y + 5))" +repage -colorspace gray \
    -threshold 80% -compress none pbm:- | tail -n +3 | tr -d ' \n'
}

has_icon() { ! xprop -id "$1" _NET_WM_ICON | grep -q "not found"; }

settings_label_shows_on_the_bar() {
  local before; before=$(slot_picture)
  open_settings
  # Only the window a task bar lists carries the icon: a copy of all its sizes in every cover
  # would cost the X server some 360 KB per cover.
  has_icon "$SETTINGS" || fail "the settings window has no icon"
  local w floating=0
  for w in $(xdotool search --onlyvisible --name "^tessavo (cover|switcher)"); do
    ! has_icon "$w" || fail "window $w ($(xprop -id "$w" WM_NAME)) carries the icon"
    floating=$((floating + 1))
  done
  [ "$floating" -ge 2 ] || fail "found $floating covers and bars to look at"
  # The first row (chat A): its label field, then apply with the return key.
  settings_click 348 58
  xdotool type --delay 30 "Tm"
  xdotool key Return
  xs_wait 3 sh -c '! xdotool search --onlyvisible --name "^테사보 설정$"' ||
    fail "the settings window stayed open after applying"
  grep -q '"김민지": "Tm"' <<<"$(settings)" || fail "the label was not stored: $(settings)"
  sleep 0.3
  [ "$(slot_picture)" != "$before" ] || fail "the bar still shows the old label"
}

without_a_tray_the_settings_window_has_the_menu() {
  grep -q "^TRAY none: " "$XS_LOG" || fail "no line about the missing tray"
  open_settings
  read -r _ _ w h < <(xwininfo -id "$SETTINGS" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 }
    END { print 0, 0, w, h }')
  [ "$h" -gt 460 ] || fail "no room for the menu in the settings window (${w}x$h)"
  xs_screenshot "${SHOT:-$XS_DIR/settings.png}"
  # The third button of the strip pauses; the buttons sit in a row at the top.
  local x
  for x in $(seq 10 10 300); do
    settings_click "$x" 20
    sleep 0.2
    if grep -q '"paused": true' <<<"$(settings)"; then break; fi
  done
  grep -q '"paused": true' <<<"$(settings)" || fail "no button paused covering: $(settings)"
  xs_wait 3 sh -c '[ "$(xdotool search --onlyvisible --name "^tessavo cover" | wc -l)" -eq 0 ]' ||
    fail "covers left while paused"
  sleep 0.3
  bar_id >/dev/null || fail "without a tray the bar must stay while paused"
}

setup "${1:?scenario}"
case "$1" in
  tray) tray_menu_controls_everything ;;
  settings) settings_label_shows_on_the_bar ;;
  no-tray) without_a_tray_the_settings_window_has_the_menu ;;
  *) fail "unknown scenario $1" ;;
esac
echo "PASS: $1"
