#!/usr/bin/env bash
# Exposure: how long a chat window's own pixels stay on screen when they should be covered,
# read from the screen's pixels on a real X server (a private Xvfb with openbox). Five cases,
# each timed over a number of trials by build/tessavo-exposure-probe:
#   a. a new chat window opens while another program is in front;
#   b. the focus leaves the chat in use for another program;
#   c. a covered chat moves 200 px (the part of the screen it moves into);
#   d. a covered chat grows 150 px in width and height (the strips it grows into);
#   e. a covered chat is restored from minimized;
#   f. a window of another program takes the messenger's class after it is mapped.
# Then Tessavo's CPU use (share of one core) and resident memory with 10 and with 50 covered
# chats and another program in front, and with the messenger not running at all.
# Usage: bench/exposure.sh [trials] [seconds]   (40 trials, 20 s per CPU figure; run
# scripts/setup.sh first). EXPOSURE_RAW=FILE keeps every trial's probe line.
# The figures are for the record: a busy machine makes them worse, never makes this fail.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
trials="${1:-40}"
seconds="${2:-20}"
source bench/lib/probe.sh
probe_needs_build
began=$SECONDS

timed() {  # SCENARIO COLOUR APP LINE AREA...
  local scenario=$1 colour=$2 app=$3 line=$4 result
  shift 4
  # A random wait of up to two of Tessavo's 60 ms polls first: trials that follow one another
  # at a steady pace would otherwise meet the poll at much the same moment each time.
  result=$("$PROBE" --colour "$colour" --jitter 120 --send "$XS_DIR/$app.in" "$line" "$@") ||
    xs_die "the probe failed in case $scenario"
  record "$scenario" "$result"
}

xs_start
RESULTS="$XS_DIR/results"
: >"$RESULTS"
# Without openbox's minimize animation: a restored window shows at once, so case e times
# Tessavo and not the animation (other desktops animate differently, or not at all).
mkdir -p "$XDG_CONFIG_HOME/openbox"
sed 's|<animateIconify>yes</animateIconify>|<animateIconify>no</animateIconify>|' \
  /etc/xdg/openbox/rc.xml >"$XDG_CONFIG_HOME/openbox/rc.xml"
openbox --reconfigure

echo "== Exposure: $trials trials a case, Xvfb + openbox; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) =="
xs_app kakao
xs_send kakao open b 40 80 260 300 "채팅 B"
xs_send kakao open m 400 80 260 300 "채팅 M"
xs_send kakao open g 960 80 260 300 "채팅 G"
xs_send kakao open e 40 480 260 300 "채팅 E"
xs_app other --class org.example.Editor
xs_send other open x 1100 720 250 100 메모
start_tessavo
chats="$(client_area b) $(client_area m) $(client_area g) $(client_area e)"
# shellcheck disable=SC2086  # several areas
probe_wait "chats covered" "$PALETTE" none 15000 --quiet 500 $chats
sleep 1  # first paints and font loading are not the steady state
b_colour=$(colour_of b)
read -r bx by bw bh < <(client_of kakao b)
leak=$("$PROBE" --colour "$b_colour" --count \
  "$((bx - INSET)),$((by - INSET)),$((bw + 2 * INSET)),$((bh + 2 * INSET))" |
  sed 's/matching=\([0-9]*\) of=\([0-9]*\)/\1 of \2/')

# a. A chat opens by itself (a new message) while the other program has the focus. One
#    untimed first, for its colour and place.
xs_send kakao open-unfocused n 400 480 300 300 "새 채팅"
n_colour=$(colour_of n)
n_area=$(client_area n)
xs_send kakao close n
probe_wait "new chat's cover gone" "$BACKGROUND" all 3000 "$n_area"
for ((i = 0; i < trials; i++)); do
  timed a "$n_colour" kakao "open-unfocused n 400 480 300 300 새 채팅" "$n_area"
  xs_send kakao close n
  probe_wait "new chat's cover gone" "$BACKGROUND" all 3000 "$n_area"
done

# b. The user works in chat B, then turns to the other program: B is in full view until then.
b_area=$(client_area b)
for ((i = 0; i < trials; i++)); do
  xs_send kakao focus b
  probe_wait "chat B revealed" "$b_colour" all 3000 --quiet 50 "$b_area"
  timed b "$b_colour" other "focus x" "$b_area"
done

# c. Chat M moves 200 px right, then back left, and so on: the probe reads the part of the
#    screen the chat moves into, which its cover did not cover before the move.
m_colour=$(colour_of m)
read -r mx my mw mh < <(client_of kakao m)
read -r ml mr mt _ < <(extents_of kakao m)
right=$(area $((mx + mw + mr)) "$my" $((mx + 200 + mw)) $((my + mh)))
left=$(area "$mx" "$my" $((mx + 200 - ml)) $((my + mh)))
fx=$((mx - ml)) fy=$((my - mt))
for ((i = 0; i < trials; i++)); do
  if ((i % 2 == 0)); then
    timed c "$m_colour" kakao "move m $((fx + 200)) $fy" "$right"
    expect_client m "$((mx + 200)) $my $mw $mh"
  else
    timed c "$m_colour" kakao "move m $fx $fy" "$left"
    expect_client m "$mx $my $mw $mh"
  fi
done
((trials % 2 == 0)) || xs_send kakao move m "$fx" "$fy"

# d. Chat G grows by 150 px each way (its top-left stays): the probe reads the strips to the
#    right and below that its cover did not cover. Shrinking back is not timed.
g_colour=$(colour_of g)
read -r gx gy gw gh < <(client_of kakao g)
read -r _ gr _ gb < <(extents_of kakao g)
g_right=$(area $((gx + gw + gr)) "$gy" $((gx + gw + 150)) $((gy + gh + 150)))
g_below=$(area "$gx" $((gy + gh + gb)) $((gx + gw + gr)) $((gy + gh + 150)))
for ((i = 0; i < trials; i++)); do
  timed d "$g_colour" kakao "resize g $((gw + 150)) $((gh + 150))" "$g_right" "$g_below"
  expect_client g "$gx $gy $((gw + 150)) $((gh + 150))"
  xs_send kakao resize g "$gw" "$gh"
  probe_wait "chat G's cover back to size" "$BACKGROUND" all 3000 "$g_right" "$g_below"
done

# e. Chat E comes back from minimized while the other program keeps the focus.
e_colour=$(colour_of e)
e_area=$(client_area e)
for ((i = 0; i < trials; i++)); do
  xs_send kakao minimize e
  probe_wait "chat E and its cover gone" "$BACKGROUND" all 3000 "$e_area"
  timed e "$e_colour" kakao "unminimize e" "$e_area"
  xwininfo -id "$(xs_id kakao e)" | grep -q IsViewable || xs_die "chat E was not restored"
done

# f. A window of another program takes the messenger's class after it is mapped (and gives it
#    back after each trial), while that program's other window has the focus.
xs_send other open-unfocused w 700 480 300 300 "바뀌는 창"
w_colour=$(colour_of w other)
w_area=$(client_area w other)
xs_send other focus x
for ((i = 0; i < trials; i++)); do
  probe_wait "window W shown as another program's" "$w_colour" all 3000 --quiet 50 "$w_area"
  timed f "$w_colour" other "reclass w com.kakao.KakaoTalkMac" "$w_area"
  xs_send other reclass w org.example.Editor
done
xs_send other close w
exposure_done=$SECONDS

summary_header
summary a "a. new chat opens, other program in front"
summary b "b. focus leaves the chat for another program"
summary c "c. covered chat moves 200 px"
summary d "d. covered chat grows 150 px each way"
summary e "e. covered chat restored from minimized"
summary f "f. a window takes the messenger's class"
awk '$1 == "b" { for (i = 2; i <= NF; i++) { split($i, kv, "="); if (kv[1] == "active_ms" && kv[2] >= 0) { s += kv[2]; n++ } } }
  END { if (n) printf "(b: the window manager announced the focus change %.1f ms after the command, on average)\n", s / n }' "$RESULTS"
echo "Steady state: $leak pixels of covered chat B (and ${INSET} px around it) show its colour"
echo "Exposure took $((exposure_done - began)) s"

echo
echo "== Running program, ${seconds} s each; CPU in % of one core =="
hz=$(getconf CLK_TCK)
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_row() {  # LABEL
  sleep 3  # settle: covers painted, fonts loaded
  local t0 x0 t1 x1 rss
  t0=$(ticks "$TESSAVO") x0=$(ticks "${XS_PIDS[0]}")
  sleep "$seconds"
  t1=$(ticks "$TESSAVO") x1=$(ticks "${XS_PIDS[0]}")
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$TESSAVO/status")
  awk -v l="$1" -v t=$((t1 - t0)) -v x=$((x1 - x0)) -v hz="$hz" -v s="$seconds" -v rss="$rss" \
    'BEGIN { printf "%-44s | %9.2f | %9.2f | %7.1f\n", l, 100 * t / hz / s, 100 * x / hz / s, rss / 1024 }'
}
open_grid() {  # COUNT COLUMNS X0 Y0 DX DY W H: chats c0... in a grid, the other program in front
  local i
  for ((i = 0; i < $1; i++)); do
    xs_send kakao open-unfocused "c$i" $(($3 + (i % $2) * $5)) $(($4 + (i / $2) * $6)) "$7" "$8" \
      "채팅 $((i + 1))"
  done
  xs_send other focus x
}
grid_areas() {  # COUNT
  local i
  for ((i = 0; i < $1; i++)); do client_area "c$i"; done
}

printf "%-44s | %9s | %9s | %7s\n" "" Tessavo "X server" "RSS MB"
stop_tessavo
for k in b m g e; do xs_send kakao close "$k"; done
# Out of every chat's way, so that a check for chat colours cannot see it.
xs_send other move x 1380 600
open_grid 10 5 20 40 270 420 260 400
start_tessavo
areas=$(grid_areas 10)
# shellcheck disable=SC2086  # several areas
probe_wait "10 chats covered" "$PALETTE" none 15000 --quiet 500 --rows 3 $areas
cpu_row "10 covered chats, other program in front"

for ((i = 0; i < 10; i++)); do xs_send kakao close "c$i"; done
open_grid 50 10 10 50 135 168 120 130
areas=$(grid_areas 50)
# shellcheck disable=SC2086
probe_wait "50 chats covered" "$PALETTE" none 15000 --quiet 500 --rows 3 $areas
cpu_row "50 covered chats, other program in front"

xs_tell kakao quit
# shellcheck disable=SC2086
probe_wait "messenger gone" "$BACKGROUND" all 5000 --rows 3 $areas
cpu_row "messenger not running ($(find /proc -maxdepth 1 -name '[0-9]*' | wc -l) processes)"
echo "Whole run: $((SECONDS - began)) s"
