#!/usr/bin/env bash
# Covering the user asks for: how long a chat stays readable after the user's own action asks
# for its cover, read from the screen's pixels on a real X server (a private Xvfb with openbox
# and a tray host). Four actions, each timed over a number of trials by
# build/tessavo-exposure-probe, from the moment the X server tells of the input (the press of
# the key that completes the action; the button's release, which is when a click counts) until
# no pixel of the chat shows:
#   a. the hot key of the chat in use (it goes back under its cover);
#   b. a click on the slot of the chat in use in the switcher bar (the same);
#   c. a right click on a chat's orange slot (covering switched back on);
#   d. "일시정지" chosen again in the tray menu (covering resumed).
# Usage: bench/user-cover.sh [trials]   (10 trials; run scripts/setup.sh first). Tessavo runs
# with its debug log, whose lines tell when the chat is in use. The figures are for the record:
# a busy machine makes them worse, never makes this fail.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
source bench/lib/probe.sh
probe_needs_build
trials="${1:-10}"
began=$SECONDS

xs_start
RESULTS="$XS_DIR/results"
: >"$RESULTS"
mkdir -p "$XDG_CONFIG_HOME/tessavo"
echo '{"chatKeys": {"채팅 A": "1"}}' >"$XDG_CONFIG_HOME/tessavo/settings.json"
xs_start_tray
echo "== Covering the user asks for: $trials trials an action, Xvfb + openbox; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) =="
xs_app kakao
xs_send kakao open main 20 40 300 400 카카오톡
xs_send kakao open a 400 80 400 400 "채팅 A"
xs_app other --class org.example.Editor
xs_send other open x 1000 600 300 200 메모
A=$(xs_id kakao a)
xs_tessavo
a_colour=$(colour_of a)
a_area=$(client_area a)
probe_wait "chat A covered" "$a_colour" none 15000 --quiet 300 "$a_area"
xs_wait 5 xs_bar || xs_die "no switcher bar"
read -r bar_x bar_y < <(xs_origin "$(xs_bar)")
slot_a="$((bar_x + 65)) $((bar_y + 17))"  # the second slot: K, then chat A

# Whether the debug log's last word on chat A is that it is revealed and in use.
in_use() {
  grep -- "^PROTECT → " "$XS_LOG" | tail -n1 | grep -q -- "^PROTECT → $A " &&
    grep -- "^STATE $A " "$XS_LOG" | tail -n1 | grep -q -- "= revealed$"
}
# The user turns to chat A with its hot key (a pick reveals it) and works in it.
work_in_a() {
  xdotool key ctrl+alt+1
  xs_wait 5 in_use || xs_die "chat A did not come into use"
  probe_wait "chat A revealed" "$a_colour" all 3000 --quiet 50 "$a_area"
}
timed() {  # SCENARIO press|release COMMAND
  local result
  result=$("$PROBE" --colour "$a_colour" --limit 3000 --quiet 300 --run "$3" --on "$2" "$a_area") ||
    xs_die "the probe failed in case $1"
  record "$1" "$result"
}

# a, b. The chat in use goes back under its cover: its hot key, or its slot.
# The modifiers are held first: the press that counts is the one that completes the hot key.
for ((i = 0; i < trials; i++)); do
  work_in_a
  xdotool keydown ctrl+alt
  timed a press "xdotool key 1"
  xdotool keyup ctrl+alt
done
for ((i = 0; i < trials; i++)); do
  work_in_a
  timed b release "xdotool mousemove $slot_a click 1"
done

# c. With the other program in front, covering of chat A is switched off, then on again.
xs_send other focus x
probe_wait "chat A covered" "$a_colour" none 3000 --quiet 50 "$a_area"
for ((i = 0; i < trials; i++)); do
  xdotool mousemove $slot_a click 3
  probe_wait "chat A's covering off" "$a_colour" all 3000 --quiet 50 "$a_area"
  timed c release "xdotool click 3"
done

# d. Paused from the tray menu, then resumed: "일시정지" is three steps down.
open_menu() {
  xs_open_tray_menu
  xdotool key Down Down Down
}
for ((i = 0; i < trials; i++)); do
  open_menu
  xdotool key Return
  probe_wait "chat A shown while paused" "$a_colour" all 3000 --quiet 50 "$a_area"
  open_menu
  timed d press "xdotool key Return"
done

summary_header
summary a "a. hot key of the chat in use"
summary b "b. click on the slot of the chat in use"
summary c "c. right click on an orange slot"
summary d "d. resume from the tray menu"
echo "Whole run: $((SECONDS - began)) s"
