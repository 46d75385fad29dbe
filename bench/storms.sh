#!/usr/bin/env bash
# Storms: how long a covered chat shows while its windows change faster than anyone would change
# them, read from the screen's pixels on a real X server (a private Xvfb with openbox), another
# program in front throughout. Each storm runs inside the stand-in messenger, so it comes as fast
# as a real application's; build/tessavo-soak-probe reads points of the chats all the while and
# gives the longest time one of them showed a chat's colour at a stretch.
#   remap:   a chat unmapped and mapped again 2,000 times, 5 ms apart;
#   resize:  a chat resized 1,000 times, 5 ms apart, to 1x1 and to 8000x8000 in turn;
#   dialogs: 500 of the messenger's dialogs opened over a chat and closed again, 10 ms apart;
#   wm-kill: the window manager killed and started again twice within 2 s, 200 chats open.
# Usage: bench/storms.sh [rounds]   (each storm this many times, 1 unless given; run
# scripts/setup.sh first). STORMS="remap wm-kill", say, runs only those. STORMS_LOG=1 runs
# Tessavo with its debug log, kept with the session (XS_KEEP=1). The figures are for the record: a busy machine makes them worse, never makes
# this fail.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
source bench/lib/probe.sh
probe_needs_build
rounds="${1:-1}"
STORMS="${STORMS:-remap resize dialogs wm-kill}"
runs() { [[ " $STORMS " == *" $1 "* ]]; }
SOAK="$XS_BUILD/tessavo-soak-probe"
[ -x "$SOAK" ] || xs_die "no $SOAK: build first (scripts/setup.sh)"
began=$SECONDS

xs_start
echo "== Storms, Xvfb + openbox; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) =="
xs_app kakao
xs_app other --class org.example.Editor
if [ -n "${STORMS_LOG:-}" ]; then
  xs_tessavo
  TESSAVO=$XS_TESSAVO
else
  start_tessavo
fi

# The middle of a chat's client area: "X,Y".
middle_of() {  # KEY
  local x y w h
  read -r x y w h < <(client_of kakao "$1")
  echo "$((x + w / 2)),$((y + h / 2))"
}
# Runs a storm in the messenger while the probe watches POINTS; prints the probe's line.
# Only the chat's own colour counts: the dialogs have theirs, and they are to be seen.
storm() {  # MS VERB KEY COUNT INTERVAL POINT...
  local ms=$1 verb=$2 key=$3 count=$4 interval=$5 probe ended colour
  shift 5
  colour=$(colour_of "$key")
  ended=$(grep -c "^stormed $key\$" "$XS_DIR/kakao.out" || true)
  "$SOAK" shown "$ms" "$colour" "$@" >"$XS_DIR/shown.out" &
  probe=$!
  sleep 0.2
  xs_send kakao "$verb" "$key" "$count" "$interval"
  xs_wait $((ms / 1000 + 10)) sh -c "[ \$(grep -c '^stormed $key\$' '$XS_DIR/kakao.out') -gt $ended ]" ||
    xs_die "the $verb storm did not end"
  wait "$probe" || xs_die "the probe failed: $(cat "$XS_DIR/shown.out")"
  cat "$XS_DIR/shown.out"
}
report() {  # LABEL POINTS PROBE-LINE
  echo "$3" | awk -v l="$1" -v n="$2" '{
    printf "%-36s | longest %5d ms | %s of %s points showed, %s at once; %s samples\n",
      l, $2, $4, n, $6, $8 }'
}
covered() {  # POINT...
  local areas=() p
  for p in "$@"; do areas+=("${p},1,1"); done
  probe_wait "chats covered" "$PALETTE" none 15000 --quiet 500 --rows 1 "${areas[@]}"
}

# The dialogs belong to the messenger's first window: that is the chat they come over.
xs_send kakao open-unfocused d 60 60 400 400 "채팅 D"
xs_send kakao open-unfocused m 520 60 400 400 "채팅 M"
xs_send kakao open-unfocused r 980 60 300 300 "채팅 R"
xs_send other open x 1100 720 250 100 메모
xs_send other focus x
# Chat D is read below its dialogs and where they come (where it shows between two of them).
read -r dx dy dw dh < <(client_of kakao d)
d_point="$((dx + dw / 2)),$((dy + dh * 3 / 4))"
d_under="$((dx + dw / 2)),$((dy + dh / 4))"
m_point=$(middle_of m)
r_point=$(middle_of r)
centre="700,700"  # inside chat R at 8000x8000, outside every other window
covered "$d_point" "$d_under" "$m_point" "$r_point"
sleep 1

for ((round = 1; round <= rounds; round++)); do
  if runs remap; then
    report "remap: 2,000 times, 5 ms apart" 1 "$(storm 11000 storm-remap m 2000 5 "$m_point")"
    covered "$m_point"
  fi
  if runs resize; then
    report "resize: 1,000 times, 5 ms apart" 2 "$(storm 6000 storm-resize r 1000 5 "$r_point" "$centre")"
    xs_send kakao resize r 300 300
    covered "$r_point"
  fi
  if runs dialogs; then
    report "dialogs: 500, 10 ms apart" 2 "$(storm 6000 storm-dialogs d 500 10 "$d_point" "$d_under")"
    covered "$d_point"
  fi
done
runs wm-kill || { echo "Whole run: $((SECONDS - began)) s"; exit 0; }

# 200 chats in a grid of 20 x 10 (the other program at the bottom right, out of their way).
for k in d m r; do xs_send kakao close "$k"; done
xs_send other move x 1370 820
for ((i = 0; i < 200; i++)); do
  xs_tell kakao open-unfocused "g$i" $(((i % 20) * 68)) $((30 + (i / 20) * 78)) 50 50 "채팅 $i"
done
xs_wait 30 sh -c "[ \$(grep -c '^opened g' '$XS_DIR/kakao.out') -ge 200 ]" || xs_die "200 chats did not open"
xs_send other focus x
chat_points() {
  "$SOAK" windows | awk '$1 == "win" && $3 == 1 && $4 == "com.kakao.KakaoTalkMac" {
    printf "%d,%d\n", $9 + $11 / 2, $10 + $12 / 2 }'
}
xs_wait 30 sh -c "[ \$('$SOAK' windows | grep -c ' com.kakao.KakaoTalkMac ') -ge 200 ]" ||
  xs_die "the window manager did not take on 200 chats"
mapfile -t POINTS_LIST < <(chat_points)
POINTS=${#POINTS_LIST[@]}
[ "$POINTS" -eq 200 ] || xs_die "found $POINTS chats, not 200"
covered "${POINTS_LIST[@]}"
sleep 2
for ((round = 1; round <= rounds; round++)); do
  "$SOAK" shown 5000 "$PALETTE" "${POINTS_LIST[@]}" >"$XS_DIR/shown.out" &
  probe=$!
  sleep 0.2
  for kill in 1 2; do
    kill -KILL "$XS_WM"
    wait "$XS_WM" 2>/dev/null || true
    sleep 0.3
    openbox --sm-disable >>"$XS_DIR/openbox.log" 2>&1 &
    XS_WM=$!
    XS_PIDS+=($XS_WM)
    sleep 0.6
  done
  wait "$probe" || xs_die "the probe failed: $(cat "$XS_DIR/shown.out")"
  report "wm-kill: twice in 2 s, 200 chats" "$POINTS" "$(cat "$XS_DIR/shown.out")"
  xs_wait 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window' || xs_die "openbox did not come back"
  covered "${POINTS_LIST[@]}"
  sleep 2
done
echo "Whole run: $((SECONDS - began)) s"
