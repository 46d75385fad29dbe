# A private X session for the benchmarks and the demo (the tests have tests/e2e/xsession.py):
# Xvfb on a free display, openbox (or the window manager XS_WINDOW_MANAGER names), the stand-in
# messenger, another application, and Tessavo itself. Source it; call xs_start.
# Everything started here is stopped again by xs_stop (installed as an exit trap).

XS_BUILD="${XS_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build}"
XS_PIDS=()

xs_die() { echo "xsession: $*" >&2; exit 1; }

# Waits until a command succeeds, up to $1 seconds.
xs_wait() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.05
  done
}

xs_start() {
  XS_DIR=$(mktemp -d /tmp/tessavo-xs.XXXXXX)
  mkdir -m 700 "$XS_DIR/runtime"
  # Tessavo writes its debug log into TMPDIR: each session reads its own, so sessions can run
  # side by side.
  XS_LOG="$XS_DIR/tessavo.log"
  trap xs_stop EXIT
  exec 5>"$XS_DIR/display"
  # -noreset: with no window manager, the server would otherwise start over each time its last
  # client leaves, and a client connecting just then is refused.
  Xvfb -displayfd 5 -screen 0 1440x900x24 -nolisten tcp -noreset >"$XS_DIR/xvfb.log" 2>&1 &
  XS_PIDS+=($!)
  xs_wait 10 test -s "$XS_DIR/display" || xs_die "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$XS_DIR/display")"
  export XDG_RUNTIME_DIR="$XS_DIR/runtime" XDG_CONFIG_HOME="$XS_DIR/config"
  # XS_NO_WM=1: a desktop without a window manager, until the scenario calls xs_start_wm.
  [ -n "${XS_NO_WM:-}" ] || xs_start_wm
  xsetroot -solid '#203040'
}

# Starts the window manager (its pid in XS_WM) and waits until it manages windows. A start that
# never gets there (seen on loaded machines) is ended and tried again, twice at most.
# XS_WINDOW_MANAGER chooses it: openbox (the default), fluxbox, icewm or i3.
xs_start_wm() {
  local start wm=${XS_WINDOW_MANAGER:-openbox}
  for start in 1 2 3; do
    xs_run_wm "$wm" >>"$XS_DIR/$wm.log" 2>&1 &
    XS_WM=$!
    XS_PIDS+=($XS_WM)
    if xs_wait 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window' &&
       xs_wait_managing; then
      return 0
    fi
    echo "xsession: $wm start $start does not manage windows" >>"$XS_DIR/$wm.log"
    kill -KILL "$XS_WM" 2>/dev/null || true
    wait "$XS_WM" 2>/dev/null || true
    xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null || true
  done
  xs_die "$wm does not manage windows: $(tail -n 20 "$XS_DIR/$wm.log")"
}

# Runs one window manager in the foreground with a configuration of the session's own: the
# user's, if any, is never read or written.
xs_run_wm() {
  local home="$XS_DIR/wm-home"
  mkdir -p "$home"
  case "$1" in
    openbox) exec openbox --sm-disable ;;
    fluxbox | icewm) HOME="$home" exec "$1" ;;
    # Without this first line i3 reads its configuration as version 3.
    i3) printf '# i3 config file (v4)\n' >"$home/i3.config"
        exec i3 -c "$home/i3.config" ;;
    *) echo "xsession: unknown window manager $1" >&2; exit 1 ;;
  esac
}

# openbox announces itself before it manages windows, and a window mapped in between stays
# unmanaged for good: wait until a probe window really is managed (status 1 if it never is).
xs_wait_managing() {
  local attempt id
  rm -f "$XS_DIR/probe.in"  # a window manager started again probes again
  xs_app probe --class tessavo.probe
  for attempt in 1 2 3 4 5 6; do
    xs_send probe open "p$attempt" 0 0 10 10 probe
    id=$(printf '0x%x' "$(xs_id probe "p$attempt")")
    if xs_wait 1 sh -c "xprop -root _NET_CLIENT_LIST | grep -q '$id'"; then
      xs_tell probe quit
      return 0
    fi
    xs_send probe close "p$attempt"
  done
  xs_tell probe quit
  return 1
}

# Starts a tray host (trayer) at the top right and waits until it is there.
xs_start_tray() {
  trayer --edge top --align right --widthtype request --height 24 --transparent false \
    --tint 0x404040 >"$XS_DIR/trayer.log" 2>&1 &
  XS_PIDS+=($!)
  xs_wait 5 sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"' ||
    xs_die "trayer did not start"
}

# The absolute top-left of a window: "X Y".
xs_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    END { print x, y }'
}

# The middle of Tessavo's icon in the tray: "X Y" (status 1 when there is none).
xs_tray_icon() {
  local icon x y
  icon=$(xwininfo -root -tree | awk '/\("tessavo" "tessavo"\)  22x22\+/ && !id { id = $1 }
    END { print id }')
  [ -n "$icon" ] || return 1
  read -r x y < <(xs_origin "$icon")
  echo $((x + 11)) $((y + 11))
}

# Tessavo's windows on screen, one id a line, in order.
xs_shown() { xdotool search --onlyvisible --class tessavo 2>/dev/null | sort; }

# Opens Tessavo's tray menu with a right click on its icon and waits until it shows: a window of
# Tessavo's that did not show before. A click that comes while the last menu is still closing
# opens nothing: it is tried again.
xs_open_tray_menu() {
  local x y attempt
  read -r x y < <(xs_tray_icon) || xs_die "no tray icon"
  xs_shown >"$XS_DIR/shown.before"
  for attempt in 1 2 3; do
    xdotool mousemove "$x" "$y" click 3
    xs_wait 1 sh -c "xdotool search --onlyvisible --class tessavo | sort |
      comm -13 '$XS_DIR/shown.before' - | grep -q ." && return 0
  done
  xs_die "the tray menu did not open"
}

# The switcher bar's window id.
xs_bar() { xdotool search --onlyvisible --name "^tessavo switcher" | sed -n 1p; }

# Starts a stand-in application reading commands from a fifo: xs_app NAME [args...]
xs_app() {
  local name=$1; shift
  mkfifo "$XS_DIR/$name.in"
  : >"$XS_DIR/$name.out"  # exists before the application opens it, so answers can be counted
  "$XS_BUILD/tessavo-fake-messenger" "$@" <"$XS_DIR/$name.in" >>"$XS_DIR/$name.out" 2>&1 &
  XS_PIDS+=($!)
  eval "exec {fd}>\"$XS_DIR/$name.in\""
  eval "XS_FD_$name=$fd"
}

# Sends one command to an application and waits for its answer: xs_send NAME COMMAND...
xs_send() {
  local name=$1; shift
  local before; before=$(wc -l <"$XS_DIR/$name.out")
  local fdvar="XS_FD_$name"
  echo "$*" >&"${!fdvar}"
  xs_wait 5 sh -c "[ \$(wc -l <'$XS_DIR/$name.out') -gt $before ]" || xs_die "$name did not answer '$*'"
  sleep 0.1
}

# Sends a command without waiting for an answer (one that ends the application, say).
xs_tell() {
  local fdvar="XS_FD_$1"; shift
  echo "$*" >&"${!fdvar}"
}

# The decimal X id of a window an application opened: xs_id NAME KEY
xs_id() {
  local hex; hex=$(awk -v k="$2" '$1 == "opened" && $2 == k { print $3 }' "$XS_DIR/$1.out" | tail -n1)
  [ -n "$hex" ] || xs_die "no window $2 in $1"
  printf '%d' "$hex"
}

# Runs a copy of Tessavo (its own executable path, so it never ends another test's copy or the
# user's own) with the debug log on. XS_TESSAVO_AS=USER runs it as that user (as root only).
xs_tessavo() {
  cp "$XS_BUILD/tessavo" "$XS_DIR/tessavo"
  rm -f "$XS_LOG"
  local as=()
  [ -z "${XS_TESSAVO_AS:-}" ] ||
    as=(setpriv --reuid="$XS_TESSAVO_AS" --regid="$(id -g "$XS_TESSAVO_AS")" --clear-groups)
  # XS_ENV: extra NAME=VALUE words for Tessavo's environment (measurements, say).
  env ${XS_ENV:-} TMPDIR="$XS_DIR" TESSAVO_DEBUG=1 "${as[@]}" "$XS_DIR/tessavo" >"$XS_DIR/tessavo.out" 2>&1 &
  XS_TESSAVO=$!
  XS_PIDS+=($XS_TESSAVO)
  xs_wait 10 test -s "$XS_LOG" || {
    [ -z "${XS_DEBUG_HANG:-}" ] || gdb -batch -p "$XS_TESSAVO" -ex "thread apply all bt" >&2 2>&1
    xs_die "Tessavo logged nothing ($(kill -0 $XS_TESSAVO 2>/dev/null && echo running || echo gone)): $(cat "$XS_DIR/tessavo.out")"
  }
}

xs_logged() { grep -qxF -- "$1" "$XS_LOG"; }
xs_wait_log() { xs_wait "${2:-5}" xs_logged "$1" || xs_die "not logged within ${2:-5} s: $1"; }

xs_screenshot() { import -window root "$1" 2>/dev/null; }

# Waits for a process asked to end; one still running after 3 s is killed (fluxbox 1.3.5 can
# deadlock in its own handler of SIGTERM).
xs_reap() {
  xs_wait 3 sh -c "! ps -o stat= -p $1 | grep -qv '^Z'" ||
    kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

xs_stop() {
  local status=$? i
  # Last started first: Tessavo and the applications leave before the X server does.
  for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${XS_PIDS[$i]}" 2>/dev/null || true
    xs_reap "${XS_PIDS[$i]}"
  done
  [ -n "${XS_KEEP:-}" ] || rm -rf "$XS_DIR"
  exit "$status"
}
