# shellcheck shell=bash
# The seeded soak: random window commands against the stand-in messenger (its main window and
# chats it opens and closes) and another program, with checkpoints that read the screen.
# Source it after xsession.sh, then: soak_run SECONDS SEED. Set before that:
#   SOAK_MODE=test   fails on an uncovered chat, a stale cover, a crash or leaked X resources;
#   SOAK_MODE=bench  fails on an uncovered chat, a stale cover or a crash only: its X resource
#                    counts and figures are for the record.
# SOAK_CHECK_EVERY (commands between checkpoints), SOAK_SETTLE_MS (how long a checkpoint waits
# for Tessavo), SOAK_COMMANDS (stop after this many commands) adjust a run. The same seed gives the
# same commands in the same order: a failure names the seed and the command's number.

readonly SOAK_COVER=ffffff   # the memo page
readonly SOAK_DESKTOP=203040 # the root window (xs_start)
readonly SOAK_MESSENGER=com.kakao.KakaoTalkMac
# The stand-in's window colours: a point of a chat that shows one of them shows a chat.
readonly SOAK_PALETTE=" 2e7d32 1565c0 c62828 6a1b9a ef6c00 00838f 9e9d24 4e342e "
readonly SOAK_SCREEN_W=1440 SOAK_SCREEN_H=900
# The memo's seven lines end 231 px below a cover's top: points lower than this read the bare
# page. The switcher bar stays above y = 60, where no chat reaches.
readonly SOAK_TEXT_DEPTH=240
readonly SOAK_MAX_CHATS=8

# shellcheck disable=SC2016 # literally, as a title
SOAK_TITLES=(
  "김민지" "박서준 \"인용\"" "가족 단톡방 🎉" "O'Brien & Co." 'back\slash $HOME `date` *'
  "مرحبا بالعالم" "<b>굵게</b> %s %n {}" "-- 옵션 같은 제목" "日本語のチャット"
  "Ünïcödé ✓ ☐ ☑" "  앞뒤 공백  " "$(printf '아주 긴 제목 %.0s' {1..20})" "ab" "😀😃😄"
  "줄바꿈 없는 \\n 문자"
)

# ---- the model: what the driver asked for, key by key ----
declare -A M_X M_Y M_W M_H M_MIN M_FULL
SOAK_CHATS=()  # the stand-in's chat keys now open, in the order they opened
SOAK_CLOSED=() # "X Y" centres of chats closed since the last checkpoint
SOAK_NEXT=1    # the next chat key's number
SOAK_N=0       # commands sent

soak_note() { echo "soak: $*" >&2; }

soak_fail() {
  local shot="$XS_DIR/failure.ppm"
  [ -s "$shot" ] || "$SOAK_PROBE" pixels --save "$shot" 0,0=1000000 >/dev/null 2>&1 || true
  export XS_KEEP=1
  echo "SOAK FAIL (seed $SOAK_SEED, after command $SOAK_N): $*" >&2
  echo "  screenshot: $shot; commands: $XS_DIR/commands.log; kept: $XS_DIR" >&2
  echo "  again: SOAK_COMMANDS=$SOAK_N $SOAK_RERUN $SOAK_SEED" >&2
  exit 1
}

# A number below $1 from the seeded sequence, into R (no subshell: it would not advance it).
soak_rnd() { R=$((RANDOM % $1)); }

# Like xs_send without its fixed pause: waits only for the answer, read as the output grows.
soak_send() { # APP COMMAND...
  local app=$1
  shift
  local fdvar="XS_FD_$app" rvar="SOAK_RFD_$app" part line="" end=$((SECONDS + 5))
  SOAK_N=$((SOAK_N + 1))
  printf '%d %s %s\n' "$SOAK_N" "$app" "$*" >>"$XS_DIR/commands.log"
  echo "$*" >&"${!fdvar}"
  until IFS= read -r -u "${!rvar}" part; do
    line+=$part # a line not yet complete
    [ $SECONDS -lt $end ] || soak_fail "$app did not answer '$*'"
    sleep 0.003
  done
  SOAK_ANSWER=$line$part
  case "$SOAK_ANSWER" in error*) soak_fail "$app answered '$SOAK_ANSWER' to '$*'" ;; esac
}

soak_app() { # NAME ARGS... — a stand-in whose answers soak_send reads
  local name=$1 fd
  xs_app "$@"
  exec {fd}<"$XS_DIR/$name.out"
  eval "SOAK_RFD_$name=$fd"
}

soak_open() { # APP KEY X Y W H TITLE
  soak_send "$1" open "$2" "$3" "$4" "$5" "$6" "$7"
  M_X[$2]=$3 M_Y[$2]=$4 M_W[$2]=$5 M_H[$2]=$6 M_MIN[$2]=0 M_FULL[$2]=0
}

# A random chat size and a place for it on screen, below the switcher bar: W H X Y into R_*.
soak_place() {
  soak_rnd 260 && R_W=$((260 + R))
  soak_rnd 220 && R_H=$((300 + R))
  soak_rnd $((SOAK_SCREEN_W - R_W - 10)) && R_X=$R
  soak_rnd $((SOAK_SCREEN_H - R_H - 90)) && R_Y=$((60 + R))
}
soak_title() { soak_rnd ${#SOAK_TITLES[@]} && R_T=${SOAK_TITLES[$R]}; }

# A random key of the stand-in's windows (the main window too), into K.
soak_pick_kakao() {
  soak_rnd $((${#SOAK_CHATS[@]} + 1))
  if [ "$R" -eq "${#SOAK_CHATS[@]}" ]; then K=main; else K=${SOAK_CHATS[$R]}; fi
}

# One random command.
soak_step() {
  soak_rnd 100
  local r=$R n=${#SOAK_CHATS[@]} i
  if ((r < 10)) && ((n < SOAK_MAX_CHATS)); then
    soak_place && soak_title
    K="c$SOAK_NEXT" && SOAK_NEXT=$((SOAK_NEXT + 1))
    soak_rnd 4
    if ((R == 0)); then # as a new message opens it, while the user is elsewhere
      soak_send kakao open-unfocused "$K" "$R_X" "$R_Y" "$R_W" "$R_H" "$R_T"
      M_X[$K]=$R_X M_Y[$K]=$R_Y M_W[$K]=$R_W M_H[$K]=$R_H M_MIN[$K]=0
      M_FULL[$K]=0
    else
      soak_open kakao "$K" "$R_X" "$R_Y" "$R_W" "$R_H" "$R_T"
    fi
    SOAK_CHATS+=("$K")
  elif ((r < 19)) && ((n > 1)); then
    soak_rnd "$n" && K=${SOAK_CHATS[$R]}
    soak_send kakao close "$K"
    SOAK_CLOSED+=("$((M_X[$K] + M_W[$K] / 2)) $((M_Y[$K] + M_H[$K] / 2))")
    SOAK_CHATS=("${SOAK_CHATS[@]:0:R}" "${SOAK_CHATS[@]:R+1}")
  elif ((r < 37)); then
    soak_pick_kakao && soak_place
    soak_send kakao move "$K" "$R_X" "$R_Y"
    M_X[$K]=$R_X M_Y[$K]=$R_Y
  elif ((r < 49)); then
    soak_pick_kakao && soak_place
    # Within the screen from where it stands.
    R_W=$((R_W < SOAK_SCREEN_W - M_X[$K] - 10 ? R_W : SOAK_SCREEN_W - M_X[$K] - 10))
    R_H=$((R_H < SOAK_SCREEN_H - M_Y[$K] - 30 ? R_H : SOAK_SCREEN_H - M_Y[$K] - 30))
    soak_send kakao resize "$K" "$R_W" "$R_H"
    M_W[$K]=$R_W M_H[$K]=$R_H
  elif ((r < 56)); then
    soak_pick_kakao
    soak_send kakao minimize "$K"
    M_MIN[$K]=1
  elif ((r < 63)); then
    soak_pick_kakao
    soak_rnd 2
    if ((R == 0)); then soak_send kakao restore "$K"; else soak_send kakao unminimize "$K"; fi
    M_MIN[$K]=0
  elif ((r < 73)); then
    soak_pick_kakao
    soak_send kakao focus "$K"
    M_MIN[$K]=0
  elif ((r < 81)); then
    soak_send other focus x
  elif ((r < 85)); then
    soak_rnd $((SOAK_SCREEN_W - 300)) && i=$R
    soak_rnd $((SOAK_SCREEN_H - 260))
    soak_send other move x "$i" $((60 + R))
  elif ((r < 93)); then
    soak_pick_kakao && soak_title
    soak_send kakao retitle "$K" "$R_T"
  else
    soak_pick_kakao
    if [ "${M_FULL[$K]}" = 1 ]; then
      soak_send kakao unfullscreen "$K"
      M_FULL[$K]=0
    else
      soak_send kakao fullscreen "$K"
      M_FULL[$K]=1
    fi
  fi
}

# ---- checkpoints: what the screen shows ----

# The points to read for one checkpoint, from the X server's own account of its windows
# ($SOAK_WINDOWS): for every viewable window of the messenger, points in the lower part of its
# client area that lie on screen and under no window stacked above it; then the centres of the
# chats closed since the last checkpoint where no window stands now. Lines: "chat ID X Y",
# "gone X Y"; and "expect N", the covers there should be.
soak_points() {
  printf '%s\n' "${SOAK_CLOSED[@]}" | awk -v cls="$SOAK_MESSENGER" -v depth="$SOAK_TEXT_DEPTH" \
    -v sw="$SOAK_SCREEN_W" -v sh="$SOAK_SCREEN_H" -v list="$SOAK_WINDOWS" '
    BEGIN {
      nl = split(list, lines, "\n")
      for (i = 1; i <= nl; i++) {
        split(lines[i], f, " ")
        if (f[1] != "win" || f[3] != 1) continue
        n++; id[n] = f[2]; c[n] = f[4]
        fx[n] = f[5]; fy[n] = f[6]; fw[n] = f[7]; fh[n] = f[8]
        cx[n] = f[9]; cy[n] = f[10]; cw[n] = f[11]; ch[n] = f[12]
      }
      for (i = 1; i <= n; i++) {
        if (c[i] != cls) continue
        expect++
        split(int(cx[i] + 25) " " int(cx[i] + cw[i] / 2) " " int(cx[i] + cw[i] - 25), xs, " ")
        split(int(cy[i] + ch[i] - 20) " " int(cy[i] + ch[i] - 50), ys, " ")
        for (a = 1; a <= 3; a++) for (b = 1; b <= 2; b++) {
          x = xs[a]; y = ys[b]
          if (y - cy[i] < depth || x < 0 || y < 0 || x >= sw || y >= sh) continue
          if (above(i, x, y)) continue
          print "chat", id[i], x, y
        }
      }
      print "expect", expect + 0
    }
    function above(i, x, y,   j) {
      for (j = i + 1; j <= n; j++)
        if (x >= fx[j] && x < fx[j] + fw[j] && y >= fy[j] && y < fy[j] + fh[j]) return 1
      return 0
    }
    NF == 2 { if (!above(0, $1, $2)) print "gone", $1, $2 }'
}

# What is wrong on screen now, one a line, into SOAK_PROBLEMS; empty when all is right.
soak_problems() {
  local other_id=$1 points args=() colours i=0 kind id x y got covers expect=0
  SOAK_PROBLEMS=""
  SOAK_WINDOWS=$("$SOAK_PROBE" windows) || {
    SOAK_PROBLEMS="the probe cannot read the windows"
    return
  }
  [ "$(awk '$1 == "active" { print $2 }' <<<"$SOAK_WINDOWS")" = "$other_id" ] ||
    SOAK_PROBLEMS+="the other program is not in front"$'\n'
  points=$(soak_points)
  while read -r kind id x y; do
    case $kind in chat) args+=("$x,$y=$SOAK_COVER") ;; gone) args+=("$id,$x=$SOAK_DESKTOP") ;; esac
  done <<<"$points"
  read -ra colours <<<"$(rm -f "$XS_DIR/checkpoint.ppm" && "$SOAK_PROBE" pixels --save "$XS_DIR/checkpoint.ppm" "${args[@]}" 0,0)"
  while read -r kind id x y; do
    case $kind in
      chat)
        got=${colours[$i]} && i=$((i + 1))
        # Another chat's cover may lie over this one, its memo text and all: any cover will do,
        # but not a chat's own colour nor the bare desktop.
        case "$SOAK_PALETTE $SOAK_DESKTOP " in *" $got "*)
          SOAK_PROBLEMS+="chat $id shows $got at ($x, $y), not the cover"$'\n' ;;
        esac
        ;;
      gone)
        got=${colours[$i]} && i=$((i + 1))
        [ "$got" = "$SOAK_DESKTOP" ] ||
          SOAK_PROBLEMS+="a closed chat's place ($id, $x) shows $got, not the desktop"$'\n'
        ;;
      expect) expect=$id ;;
    esac
  done <<<"$points"
  covers=$(grep -c '^cover ' <<<"$SOAK_WINDOWS" || true)
  [ "$covers" -eq "$expect" ] ||
    SOAK_PROBLEMS+="$covers covers on screen for $expect messenger windows"$'\n'
  SOAK_COVERS=$covers SOAK_CHECKED=$i SOAK_EXPECT=$expect
}

# Brings the other program to the front and waits up to SOAK_SETTLE seconds for the screen
# to be right; fails with what is still wrong then.
soak_checkpoint() {
  local other_id end
  other_id=$(printf '0x%x' "$(xs_id other x)")
  kill -0 "$SOAK_TESSAVO" 2>/dev/null || soak_fail "Tessavo is gone ($(tail -n3 "$XS_DIR/tessavo.out"))"
  soak_send other focus x
  end=$(($(date +%s%N) / 1000000 + ${1:-${SOAK_SETTLE_MS:-1500}}))
  sleep 0.05
  while :; do
    soak_problems "$other_id"
    [ -n "$SOAK_PROBLEMS" ] || break
    [ $(($(date +%s%N) / 1000000)) -lt $end ] || {
      cp "$XS_DIR/checkpoint.ppm" "$XS_DIR/failure.ppm" 2>/dev/null || true
      soak_fail "$SOAK_PROBLEMS"
    }
    sleep 0.1
  done
  SOAK_CLOSED=()
  SOAK_CHECKS=$((SOAK_CHECKS + 1))
  SOAK_POINTS=$((SOAK_POINTS + SOAK_CHECKED))
}

# ---- figures and X resources ----

soak_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
soak_status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

# One row of the table: seconds, commands, RSS and its peak, CPU of Tessavo and of the X server
# since the last row (% of one core), covers on screen.
soak_sample() {
  local now t x rss hwm
  now=$(date +%s%N)
  t=$(soak_ticks "$SOAK_TESSAVO") x=$(soak_ticks "$SOAK_XSERVER")
  rss=$(soak_status_kb "$SOAK_TESSAVO" VmRSS) hwm=$(soak_status_kb "$SOAK_TESSAVO" VmHWM)
  if [ -n "${SOAK_LAST_NS:-}" ]; then
    awk -v s="$(((now - SOAK_T0_NS) / 1000000))" -v n="$SOAK_N" -v rss="$rss" -v hwm="$hwm" \
      -v dt="$((t - SOAK_LAST_T))" -v dx="$((x - SOAK_LAST_X))" -v hz="$SOAK_HZ" \
      -v ns="$((now - SOAK_LAST_NS))" -v covers="${SOAK_COVERS:-0}" 'BEGIN {
        printf "%7.1f | %8d | %7.1f | %7.1f | %8.1f | %8.1f | %6d\n", s / 1000, n, rss / 1024,
          hwm / 1024, 100 * dt / hz / (ns / 1e9), 100 * dx / hz / (ns / 1e9), covers }'
  fi
  SOAK_LAST_NS=$now SOAK_LAST_T=$t SOAK_LAST_X=$x
  [ -n "${SOAK_RSS_START:-}" ] || SOAK_RSS_START=$rss
  SOAK_RSS_END=$rss SOAK_HWM=$hwm
}

# Tessavo's X windows and pixmaps as "WINDOWS PIXMAPS".
soak_xres() { "$SOAK_PROBE" xres "$SOAK_TESSAVO"; }

# ---- the run ----

soak_start_tessavo() {
  if [ "$SOAK_MODE" = test ]; then
    xs_tessavo # with its debug log, to read when a run fails
    SOAK_TESSAVO=$XS_TESSAVO
  else
    # Without the debug log: its writes would count in the figures.
    cp "$XS_BUILD/tessavo" "$XS_DIR/tessavo"
    env -u TESSAVO_DEBUG "$XS_DIR/tessavo" >"$XS_DIR/tessavo.out" 2>&1 &
    SOAK_TESSAVO=$!
    XS_PIDS+=("$SOAK_TESSAVO")
  fi
}

# Closes chats until $1 are left and brings every one left back in plain view.
soak_wind_down() {
  local k
  while [ "${#SOAK_CHATS[@]}" -gt "$1" ]; do
    soak_send kakao close "${SOAK_CHATS[0]}"
    SOAK_CHATS=("${SOAK_CHATS[@]:1}")
  done
  for k in main "${SOAK_CHATS[@]}"; do
    [ "${M_FULL[$k]}" = 0 ] || soak_send kakao unfullscreen "$k"
    [ "${M_MIN[$k]}" = 0 ] || soak_send kakao unminimize "$k"
    M_FULL[$k]=0 M_MIN[$k]=0
  done
}

soak_run() { # SECONDS SEED
  local seconds=$1 every=${SOAK_CHECK_EVERY:-60} limit=${SOAK_COMMANDS:-0} i k
  local res_start res_one res_back res_end per_w per_p live_start live_end steps=0 began
  SOAK_SEED=$2
  RANDOM=$SOAK_SEED
  SOAK_PROBE="$XS_BUILD/tessavo-soak-probe"
  SOAK_HZ=$(getconf CLK_TCK)
  SOAK_CHECKS=0 SOAK_POINTS=0
  local exe
  for exe in tessavo tessavo-fake-messenger tessavo-soak-probe; do
    [ -x "$XS_BUILD/$exe" ] || xs_die "no $XS_BUILD/$exe: build first (scripts/setup.sh)"
  done
  echo "== Soak: seed $SOAK_SEED, ${seconds} s of commands, a checkpoint every $every;" \
    "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) =="
  xs_start
  SOAK_XSERVER=${XS_PIDS[0]}
  : >"$XS_DIR/commands.log"
  soak_app kakao
  soak_app other --class org.example.Editor
  soak_open kakao main 20 60 320 520 카카오톡
  for i in 1 2 3; do
    soak_place && soak_title
    soak_open kakao "c$i" "$R_X" "$R_Y" "$R_W" "$R_H" "$R_T"
    SOAK_CHATS+=("c$i")
  done
  SOAK_NEXT=4
  soak_open other x 1000 600 300 200 메모
  soak_start_tessavo
  soak_checkpoint 15000
  live_start=$SOAK_EXPECT
  sleep 1 # first paints and font loading are done
  res_start=$(soak_xres)
  # What one more cover costs: a chat opens, is covered, and closes again.
  soak_send kakao open calib 700 300 300 320 "한 번 더"
  soak_checkpoint 5000
  sleep 0.5
  res_one=$(soak_xres)
  soak_send kakao close calib
  SOAK_CLOSED+=("850 460")
  soak_checkpoint 5000
  sleep 0.5
  res_back=$(soak_xres)
  read -r per_w per_p <<<"$(awk -v a="$res_start" -v b="$res_one" \
    'BEGIN { split(a, x, " "); split(b, y, " "); print y[1] - x[1], y[2] - x[2] }')"
  echo "X resources of Tessavo (windows pixmaps): $res_start with $live_start covers;" \
    "$res_one with one more; $res_back once it closed again"

  printf '%7s | %8s | %7s | %7s | %8s | %8s | %6s\n' seconds commands "RSS MB" "peak MB" \
    "CPU %" "X CPU %" covers
  SOAK_T0_NS=$(date +%s%N)
  SOAK_TICKS0=$(soak_ticks "$SOAK_TESSAVO") SOAK_XTICKS0=$(soak_ticks "$SOAK_XSERVER")
  began=$SECONDS
  soak_sample
  while [ $((SECONDS - began)) -lt "$seconds" ]; do
    [ "$limit" -eq 0 ] || [ "$SOAK_N" -lt "$limit" ] || break
    soak_step
    steps=$((steps + 1))
    # Bursts and pauses, as a user's windows change: no pause after two commands in five,
    # 20 to 120 ms after the others.
    soak_rnd 5
    ((R < 2)) || {
      soak_rnd 100
      sleep "0.$(printf '%03d' $((20 + R)))"
    }
    if [ $((steps % every)) -eq 0 ]; then
      soak_checkpoint
      soak_sample
    fi
  done
  soak_checkpoint
  soak_sample
  local ran=$((SECONDS - began)) commands=$SOAK_N

  soak_wind_down "${SOAK_END_CHATS:-2}"
  soak_checkpoint 5000
  live_end=$SOAK_EXPECT
  sleep 2
  soak_checkpoint 5000
  res_end=$(soak_xres)
  soak_sample
  kill -0 "$SOAK_TESSAVO" 2>/dev/null || soak_fail "Tessavo is gone"

  local expected
  expected=$(awk -v a="$res_start" -v d="$((live_end - live_start))" -v w="$per_w" -v p="$per_p" \
    'BEGIN { split(a, x, " "); print x[1] + d * w, x[2] + d * p }')
  echo "X resources of Tessavo (windows pixmaps): $res_start at the start with $live_start covers," \
    "$res_end at the end with $live_end; one cover costs $per_w $per_p, so $expected expected"
  awk -v n="$commands" -v s="$ran" -v a="$SOAK_RSS_START" -v p="$SOAK_HWM" -v e="$SOAK_RSS_END" \
    -v t="$(soak_ticks "$SOAK_TESSAVO")" -v x="$(soak_ticks "$SOAK_XSERVER")" -v hz="$SOAK_HZ" \
    -v life="$(($(date +%s%N) / 1000000 - SOAK_T0_NS / 1000000))" -v t0="$SOAK_TICKS0" \
    -v x0="$SOAK_XTICKS0" -v c="$SOAK_CHECKS" -v pts="$SOAK_POINTS" -v seed="$SOAK_SEED" 'BEGIN {
      printf "SUMMARY seed %d: %d commands in %d s (%.1f a second), %d checkpoints, %d points read;", \
        seed, n, s, n / (s ? s : 1), c, pts
      printf " RSS start %.1f MB, peak %.1f MB, end %.1f MB;", a / 1024, p / 1024, e / 1024
      printf " CPU Tessavo %.1f %%, X server %.1f %% of one core\n", \
        100 * (t - t0) / hz / (life / 1000), 100 * (x - x0) / hz / (life / 1000) }'
  if [ "$res_end" != "$expected" ] || [ "$res_back" != "$res_start" ]; then
    local what="Tessavo's X resources: $res_end at the end, $expected expected ($res_back after the first cover closed, $res_start before)"
    [ "$SOAK_MODE" = test ] && soak_fail "$what"
    echo "NOTE: $what"
  fi
  echo "PASS: no chat uncovered, no stale cover, Tessavo still running (seed $SOAK_SEED)"
}
