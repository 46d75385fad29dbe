#!/usr/bin/env bash
# Measures Tessavo on a real X server (a private Xvfb with openbox) and prints the figures:
#  - the poll (round trips and time) with 5, 20 and 50 chat windows;
#  - the running program's CPU use and resident memory with 10 covered chats over 30 s.
# Usage: bench/x11-measure.sh [seconds]   (run scripts/setup.sh first)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
seconds="${1:-30}"

xs_start
echo "== Poll cost (Xvfb + openbox) =="
QT_QPA_PLATFORM=xcb "$XS_BUILD/tessavo-bench" --benchmark_filter='DiscoveryX11' 2>&1 |
  grep -E '^(Benchmark|Discovery|---)'

echo
echo "== Running program, 10 covered chats, another application in front, ${seconds} s =="
xs_app kakao
for i in $(seq 0 9); do
  xs_send kakao open "c$i" $((20 + (i % 5) * 270)) $((40 + (i / 5) * 420)) 260 400 "채팅 $((i + 1))"
done
xs_app other --class org.example.Editor
xs_send other open x 600 700 200 100 메모
xs_tessavo
xs_wait 5 sh -c "[ \$(grep -c ' = COVERED\$' '$XS_LOG') -ge 10 ]" || xs_die "chats were not covered"
sleep 3  # settle: first paints and font loading are not the steady state

ticks() { awk '{ print $14 + $15 }' "/proc/$XS_TESSAVO/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$XS_TESSAVO/status")
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v rss="$rss" 'BEGIN {
  printf "CPU: %.2f %% of one core (%.2f s over %d s)\n", 100 * t / hz / s, t / hz, s
  printf "Resident memory: %.1f MB\n", rss / 1024
}'
