#!/usr/bin/env bash
# End-to-end scenarios for what goes wrong around Tessavo: the messenger, the window manager or
# the X server dies, a signal arrives, there is no window manager yet, the settings cannot be
# saved. A private X server with openbox unless the scenario says otherwise.
#   faults.sh NAME     (see the case list at the bottom)
# Exit status 77: the scenario cannot be set up on this machine (it is then skipped).
set -euo pipefail

# A full disk is a small tmpfs, mounted in a mount namespace of this script's own so that nothing
# outside sees it; without the right to mount, in a user namespace of its own.
if [ "${1:-}" = config-full ] && [ -z "${FAULTS_NAMESPACE:-}" ]; then
  export FAULTS_NAMESPACE=1
  for ns in "unshare -m --propagation private" "unshare -Urm --propagation private"; do
    if $ns true 2>/dev/null; then exec $ns bash "$0" "$@"; fi
  done
  echo "SKIP: no mount namespace here (unshare -m and -Urm both refused)" >&2
  exit 77
fi

source "$(dirname "$0")/../../scripts/lib/xsession.sh"

readonly COVER=ffffff
readonly CHAT_A=1565c0
readonly DESKTOP=203040

fail() { echo "FAIL: $*" >&2; exit 1; }
covers_are() { xs_wait "${2:-3}" sh -c "[ \"\$(xdotool search --onlyvisible --name '^tessavo cover' | wc -l)\" -eq $1 ]"; }
expect_covers() { covers_are "$1" "${3:-3}" || fail "$2: $(xs_covers) covers, expected $1"; }
wait_pixel() {  # X Y COLOUR WHAT — within three seconds
  local end=$((SECONDS + 3)) got
  until got=$(xs_pixel "$1" "$2") && [ "$got" = "$3" ]; do
    [ $SECONDS -lt $end ] || fail "$4: pixel ($1, $2) is $got, expected $3"
    sleep 0.1
  done
}
still_running() { kill -0 "$XS_TESSAVO" 2>/dev/null || fail "Tessavo is gone: $(cat "$XS_DIR/tessavo.out")"; }
# Waits up to $1 seconds for Tessavo to end; its exit status in STATUS.
wait_exit() {
  xs_wait "$1" sh -c "! kill -0 $XS_TESSAVO" || fail "Tessavo still runs after $1 s"
  wait "$XS_TESSAVO" && STATUS=0 || STATUS=$?
}
occurrences() { grep -c -- "$1" "$2" || true; }

# The messenger with its main window and two chats, another program in front.
open_windows() {
  xs_app kakao
  KAKAO=${XS_PIDS[-1]}
  xs_send kakao open main 20 40 300 500 카카오톡
  xs_send kakao open a 360 60 400 400 김민지
  xs_send kakao open b 800 60 400 400 박서준
  xs_app other --class org.example.Editor
  xs_send other open x 1000 600 300 200 메모
  MAIN=$(xs_id kakao main); A=$(xs_id kakao a); B=$(xs_id kakao b)
}

start_covering() {
  xs_tessavo
  xs_wait_log "STATE $A '김민지' = COVERED"
  xs_wait_log "STATE $B '박서준' = COVERED"
  expect_covers 3 "at the start"
}

messenger_killed_and_started_again() {
  kill -KILL "$KAKAO"
  wait "$KAKAO" 2>/dev/null || true
  expect_covers 0 "after the messenger was killed"
  wait_pixel 560 300 "$DESKTOP" "no cover left where chat A was"
  sleep 1
  still_running
  xs_app kakao2
  xs_send kakao2 open main 20 40 300 500 카카오톡
  xs_send kakao2 open a 360 60 400 400 김민지
  xs_send other focus x
  local a; a=$(xs_id kakao2 a)
  xs_wait_log "STATE $a '김민지' = COVERED"
  expect_covers 2 "the restarted messenger's windows"
  wait_pixel 560 300 "$COVER" "the restarted messenger's chat covered"
}

# Unlike a restart of openbox, here no window manager runs for a while, and a chat closes
# meanwhile: the chats stay covered throughout, no cover stays where the closed one was, and
# under the next manager all is as before.
# Watches chat A's spot for $1 ms from now (the watch begins before what it watches).
watch_chat_a() {
  "$XS_BUILD/tessavo-soak-probe" watch "560,300=$COVER" "$1" >"$XS_DIR/watch.out" &
  WATCH=$!
  sleep 0.1
}
# Chat A may show only for the moment Tessavo takes to answer the server: under a loaded machine's
# scheduling that is still far below what a reader needs.
readonly SHOWN_AT_MOST_MS=400
chat_a_showed_at_most() {
  wait "$WATCH" || fail "the watch did not run: $(cat "$XS_DIR/watch.out")"
  local longest; longest=$(awk '{ print $2 }' "$XS_DIR/watch.out")
  echo "chat A showed for at most $longest ms $1"
  [ "$longest" -le "$SHOWN_AT_MOST_MS" ] || fail "chat A showed for $longest ms $1"
}

window_manager_gone_then_replaced() {
  # The server itself puts a dead manager's windows back on the root, above everything, covers
  # included: a chat shows until Tessavo raises its cover again, which must be at once.
  watch_chat_a 1500
  kill -KILL "$XS_WM"
  wait "$XS_WM" 2>/dev/null || true
  chat_a_showed_at_most "once the manager was gone"
  xs_send kakao close b
  wait_pixel 1000 300 "$DESKTOP" "no cover where chat B was, with no manager"
  expect_covers 2 "with no manager, for the main window and chat A"
  still_running
  xs_start_wm
  xs_send other focus x
  expect_covers 2 "once a window manager runs again, for the main window and chat A"
  wait_pixel 560 300 "$COVER" "chat A covered under the new window manager"
  wait_pixel 1000 300 "$DESKTOP" "no cover where chat B was"
  # Another manager takes over from the running one: the chats stay covered throughout.
  watch_chat_a 2000
  openbox --replace --sm-disable >"$XS_DIR/openbox-replace.log" 2>&1 &
  XS_PIDS+=($!)
  chat_a_showed_at_most "while the manager was replaced"
  xs_send kakao open c 800 300 300 200 새 채팅
  xs_send other focus x
  xs_wait_log "STATE $(xs_id kakao c) '새 채팅' = COVERED"
  expect_covers 3 "a chat opened under the replacing manager"
  wait_pixel 950 400 "$COVER" "the new chat covered"
}

x_server_killed() {
  kill -KILL "${XS_PIDS[0]}"
  wait "${XS_PIDS[0]}" 2>/dev/null || true
  wait_exit 5
  [ "$STATUS" -eq 3 ] || fail "exit status $STATUS, expected 3: $(cat "$XS_DIR/tessavo.out")"
  grep -q "^tessavo: X 디스플레이와의 연결이 끊겼습니다" "$XS_DIR/tessavo.out" ||
    fail "no line saying why: $(cat "$XS_DIR/tessavo.out")"
  grep -q "^DISPLAY lost (noticed by [a-z]*): quitting$" "$XS_LOG" || fail "not in the debug log"
  ! ls "$XS_DIR"/core* >/dev/null 2>&1 || fail "a core dump was left"
}

signals_end_it_cleanly() {
  local sig first=1
  for sig in TERM INT HUP; do
    if [ -z "$first" ]; then
      start_covering
    fi
    first=
    kill -"$sig" "$XS_TESSAVO"
    wait_exit 3
    [ "$STATUS" -eq 0 ] || fail "SIG$sig: exit status $STATUS: $(cat "$XS_DIR/tessavo.out")"
    [ "$(xs_covers)" -eq 0 ] || fail "SIG$sig: covers left on screen"
    grep -qxF "tessavo: SIG$sig 받음, 종료합니다" "$XS_DIR/tessavo.out" ||
      fail "SIG$sig: not named on standard error: $(cat "$XS_DIR/tessavo.out")"
    xs_logged "QUIT on SIG$sig" || fail "SIG$sig: not named in the debug log"
    wait_pixel 560 300 "$CHAT_A" "SIG$sig: chat A shows again"
  done
}

# The windows are there before any window manager: they are covered all the same, and stay
# covered once one runs.
no_window_manager_at_first() {
  xs_tessavo
  xs_wait_log "STATE $A '김민지' = COVERED" 5
  expect_covers 3 "with no window manager"
  wait_pixel 560 300 "$COVER" "chat A covered with no window manager"
  wait_pixel 1000 300 "$COVER" "chat B covered with no window manager"
  still_running
  xs_start_wm
  xs_send other focus x
  xs_wait_log "STATE $A '김민지' = COVERED" 5
  expect_covers 3 "once a window manager runs"
  wait_pixel 560 300 "$COVER" "chat A covered"
  wait_pixel 1000 300 "$COVER" "chat B covered"
}

# Pausing and resuming from the tray menu: two saves that fail. The settings file stays as it
# was, the failure is told once, and covering goes on as chosen.
saving_fails() {
  local settings="$XDG_CONFIG_HOME/tessavo/settings.json"
  cp "$settings" "$XS_DIR/settings.before"
  start_covering
  xs_menu_pick 3  # 일시정지
  expect_covers 0 "paused"
  xs_wait 3 grep -q "^SETTINGS cannot save: " "$XS_LOG" || fail "the failed save was not told"
  xs_menu_pick 3  # 일시정지 again: covering resumes
  expect_covers 3 "resumed"
  sleep 0.5
  cmp -s "$settings" "$XS_DIR/settings.before" || fail "settings.json changed: $(cat "$settings")"
  [ "$(occurrences "^SETTINGS cannot save: " "$XS_LOG")" -eq 1 ] ||
    fail "the failure was logged more than once: $(grep SETTINGS "$XS_LOG")"
  [ "$(occurrences "cannot save settings" "$XS_DIR/tessavo.out")" -eq 1 ] ||
    fail "the system log was told more than once: $(cat "$XS_DIR/tessavo.out")"
  still_running
}

# The folder cannot be written to by the user Tessavo runs as. Root writes anywhere, so as root
# Tessavo runs as an unprivileged user; the X server's socket is open to every local user.
config_read_only() {
  local dir="$XDG_CONFIG_HOME/tessavo"
  mkdir -p "$dir"
  echo '{"idleSec": 0}' >"$dir/settings.json"
  chmod 755 "$XDG_CONFIG_HOME"
  chmod 555 "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    export XS_TESSAVO_AS=nobody
    chmod 1777 "$XS_DIR"  # the debug log and the copy of the program
    chown nobody "$XS_DIR/runtime"
    chmod 644 "$dir/settings.json"
  fi
  saving_fails
  grep -q "^SETTINGS cannot save: .*Permission denied" "$XS_LOG" || fail "not a permission failure"
}

# A filesystem with no room left for the new file.
config_full() {
  local dir="$XDG_CONFIG_HOME/tessavo"
  mkdir -p "$dir"
  mount -t tmpfs -o size=16k,mode=700 tmpfs "$dir" || { echo "SKIP: cannot mount" >&2; exit 77; }
  trap 'status=$?; umount "$XDG_CONFIG_HOME/tessavo" 2>/dev/null; (exit $status); xs_stop' EXIT
  echo '{"idleSec": 0}' >"$dir/settings.json"
  dd if=/dev/zero of="$dir/filler" bs=1k count=64 2>/dev/null || true
  saving_fails
  grep -q "^SETTINGS cannot save: .*No space left on device" "$XS_LOG" ||
    fail "not a full-disk failure"
}

case "${1:?scenario}" in
  no-wm) XS_NO_WM=1 xs_start ;;
  *) xs_start ;;
esac
case "$1" in config-*) xs_start_tray ;; esac
open_windows
case "$1" in
  no-wm | config-*) ;;
  *) start_covering ;;
esac
case "$1" in
  messenger-kill) messenger_killed_and_started_again ;;
  wm-replace) window_manager_gone_then_replaced ;;
  x-killed) x_server_killed ;;
  signals) signals_end_it_cleanly ;;
  no-wm) no_window_manager_at_first ;;
  config-readonly) config_read_only ;;
  config-full) config_full ;;
  *) fail "unknown scenario $1" ;;
esac
echo "PASS: $1"
