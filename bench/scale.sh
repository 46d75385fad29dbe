#!/usr/bin/env bash
# Measures how Tessavo scales on a real X server (a private Xvfb with openbox):
#  - many windows of another program and one chat: Tessavo's CPU while nothing moves;
#  - many chats opened at once: how long until every one of them is covered;
#  - Tessavo started over those chats: how long until it has covered them all.
# Usage: bench/scale.sh [other-windows] [chats] [seconds]   (defaults 1000 300 20)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
others="${1:-1000}"
chats="${2:-300}"
seconds="${3:-20}"
hz=$(getconf CLK_TCK)
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_over() {  # PID SECONDS -> percent of one core
  local before after
  before=$(ticks "$1"); sleep "$2"; after=$(ticks "$1")
  awk -v t=$((after - before)) -v hz="$hz" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
rss_mb() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
now_ms() { date +%s%3N; }
# Sends commands without waiting for each answer; waits until all are answered.
send_all() {  # NAME FILE
  local name=$1 file=$2 fdvar="XS_FD_$1" before n
  before=$(wc -l <"$XS_DIR/$name.out")
  n=$(wc -l <"$file")
  cat "$file" >&"${!fdvar}"
  xs_wait 120 sh -c "[ \$(wc -l <'$XS_DIR/$name.out') -ge $((before + n)) ]" ||
    xs_die "$name did not answer $n commands"
}
covered_count() { grep -c ' = COVERED$' "$XS_LOG" || true; }
# True once all the chats and the main window are covered, or 60 s after $start (saying so).
covered_or_late() {
  [ "$(covered_count)" -lt $((chats + 1)) ] || return 0
  [ $(($(now_ms) - start)) -ge 60000 ] || return 1
  echo "only $(covered_count) covered after 60 s"
}

xs_start
xserver=$(pgrep -n Xvfb)

echo "== ${others} windows of another program, one chat, nothing moving, ${seconds} s =="
xs_app kakao
xs_send kakao open c0 100 100 300 300 "채팅 하나"
xs_app other --class org.example.Editor
for i in $(seq 1 "$others"); do
  echo "open-unfocused w$i $(((i * 37) % 1300)) $(((i * 53) % 800)) 120 80 창 $i"
done >"$XS_DIR/others.cmd"
send_all other "$XS_DIR/others.cmd"
xs_wait 120 sh -c "[ \$(xprop -root _NET_CLIENT_LIST | tr ',' '\n' | wc -l) -gt $others ]" ||
  xs_die "openbox did not manage the windows"
xs_send other open x 600 600 200 100 메모
xs_tessavo
xs_wait 20 sh -c "[ \$(grep -c ' = COVERED\$' '$XS_LOG') -ge 1 ]" || xs_die "the chat was not covered"
sleep 3
echo "Tessavo CPU: $(cpu_over "$XS_TESSAVO" "$seconds") % of one core; X server alongside: $(
  cpu_over "$xserver" 5) %; resident memory $(rss_mb "$XS_TESSAVO") MB"
# The same screen while the chat moves ten times a second.
fdvar="XS_FD_kakao"
before=$(ticks "$XS_TESSAVO")
started=$(now_ms)
for i in $(seq 1 $((seconds * 10))); do
  echo "move c0 $((100 + (i % 20) * 10)) 100" >&"${!fdvar}"
  sleep 0.1
done
elapsed=$(($(now_ms) - started))
echo "while the chat moves ten times a second: $(awk -v t=$(($(ticks "$XS_TESSAVO") - before)) \
  -v hz="$hz" -v ms="$elapsed" 'BEGIN { printf "%.1f", 100 * t / hz / (ms / 1000) }') % of one core"
xs_tell other quit
xs_tell kakao quit
sleep 1

echo
echo "== ${chats} chats opened at once =="
kill "$XS_TESSAVO"; wait "$XS_TESSAVO" 2>/dev/null || true
xs_app kakao2
xs_send kakao2 open main 0 0 200 200 카카오톡
xs_app front --class org.example.Editor
xs_send front open x 1200 700 200 150 메모
xs_tessavo
xs_wait 10 sh -c "[ \$(grep -c ' = COVERED\$' '$XS_LOG') -ge 1 ]" || xs_die "the main window was not covered"
sleep 2
for i in $(seq 1 "$chats"); do
  echo "open-unfocused c$i $(((i * 41) % 1200)) $(((i * 29) % 650)) 220 220 대화 $i"
done >"$XS_DIR/chats.cmd"
start=$(now_ms)
fdvar="XS_FD_kakao2"
cat "$XS_DIR/chats.cmd" >&"${!fdvar}"
answered=""
until covered_or_late; do
  if [ -z "$answered" ] && [ "$(grep -c '^opened' "$XS_DIR/kakao2.out")" -ge $((chats + 1)) ]; then
    answered=$(($(now_ms) - start))
  fi
  sleep 0.02
done
done_ms=$(($(now_ms) - start))
echo "messenger opened them in ${answered:-?} ms; all ${chats} covered after ${done_ms} ms;" \
  "resident memory $(rss_mb "$XS_TESSAVO") MB"

echo
echo "== Tessavo started over those ${chats} open chats =="
kill "$XS_TESSAVO"; wait "$XS_TESSAVO" 2>/dev/null || true
sleep 1
start=$(now_ms)
xs_tessavo
until covered_or_late; do sleep 0.02; done
echo "all ${chats} covered after $(($(now_ms) - start)) ms; resident memory $(rss_mb "$XS_TESSAVO") MB"
