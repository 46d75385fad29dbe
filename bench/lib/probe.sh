# Helpers of the benchmarks that read a chat's pixels off the screen with
# build/tessavo-exposure-probe. Source it after scripts/lib/xsession.sh; results go to $RESULTS.

PROBE="$XS_BUILD/tessavo-exposure-probe"
readonly BACKGROUND=203040  # the root window's colour (xs_start)
readonly PALETTE=2e7d32,1565c0,c62828,6a1b9a,ef6c00,00838f,9e9d24,4e342e  # the stand-in's
# Probe areas stay this far inside a chat's own pixels: a cover leaves the chat's two bottom
# corner pixels showing for good, which would read as an exposure that never ends.
readonly INSET=3

probe_needs_build() {
  local exe
  for exe in tessavo tessavo-fake-messenger tessavo-exposure-probe; do
    [ -x "$XS_BUILD/$exe" ] || xs_die "no $XS_BUILD/$exe: build first (scripts/setup.sh)"
  done
}

# Tessavo runs without its debug log: the log's fixed file belongs to the end-to-end tests, and
# the log's writes would count in the figures. Its own copy of the executable keeps its
# single-copy rule away from any other Tessavo on this machine.
start_tessavo() {
  cp "$XS_BUILD/tessavo" "$XS_DIR/tessavo"
  env -u TESSAVO_DEBUG "$XS_DIR/tessavo" >"$XS_DIR/tessavo.out" 2>&1 &
  TESSAVO=$!
  XS_PIDS+=("$TESSAVO")
}
stop_tessavo() {
  kill "$TESSAVO" 2>/dev/null || true
  wait "$TESSAVO" 2>/dev/null || true
}

# A stand-in window's client area as "X Y W H" and its frame's extents as "L R T B".
client_of() {  # APP KEY
  xwininfo -id "$(xs_id "$1" "$2")" | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}
extents_of() {  # APP KEY
  xprop -id "$(xs_id "$1" "$2")" _NET_FRAME_EXTENTS | tr -d ',' | awk '{ print $3, $4, $5, $6 }'
}
# A trial whose command did not take would read as no exposure: each one is checked.
expect_client() {  # KEY "X Y W H"
  local now
  now=$(client_of kakao "$1")
  [ "$now" = "$2" ] || xs_die "chat $1 is at $now, not at $2 as asked"
}
colour_of() {  # KEY [APP]
  local app=${2:-kakao}
  xs_send "$app" colour "$1"
  awk -v k="$1" '$1 == "colour" && $2 == k { c = $3 } END { print c }' "$XS_DIR/$app.out"
}
# An area X,Y,W,H from its edges (right and bottom exclusive), kept INSET inside.
area() {  # LEFT TOP RIGHT BOTTOM
  echo "$(($1 + INSET)),$(($2 + INSET)),$(($3 - $1 - 2 * INSET)),$(($4 - $2 - 2 * INSET))"
}
client_area() {  # KEY [APP]
  local x y w h
  read -r x y w h < <(client_of "${2:-kakao}" "$1")
  area "$x" "$y" $((x + w)) $((y + h))
}
probe_wait() {  # WHAT COLOURS any|none|all LIMIT_MS AREA...
  local what=$1 colours=$2 mode=$3 limit=$4
  shift 4
  "$PROBE" --colour "$colours" --wait "$mode" --limit "$limit" "$@" >&2 ||
    xs_die "$what: not reached within $limit ms"
}

record() {  # SCENARIO PROBE-LINE, into $RESULTS
  echo "$1 $2" >>"$RESULTS"
  [ -z "${EXPOSURE_RAW:-}" ] || echo "$1 $2" >>"$EXPOSURE_RAW"
}
summary() {  # SCENARIO LABEL
  awk -v s="$1" -v label="$2" '
    $1 == s {
      for (i = 2; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
      v[n++] = f["exposure_ms"] + 0
      shown += f["exposure_ms"] > 0; capped += f["capped"]; flashes += f["flashes"] > 1
      gaps += f["interval_ms"]; e = f["error_ms"] + 0; errs += e; if (e > err) err = e
    }
    END {
      if (n == 0) { printf "%-44s | %6d |\n", label, 0; exit }
      # insertion sort: a few dozen values
      for (i = 1; i < n; i++) { x = v[i]; for (j = i - 1; j >= 0 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
      median = n % 2 ? v[int(n / 2)] : (v[n / 2 - 1] + v[n / 2]) / 2
      p = int(0.95 * n + 0.999999); p95 = v[p - 1]
      note = sprintf("shown in %d", shown)
      if (capped) note = note sprintf(", %d still showing at the limit", capped)
      if (flashes) note = note sprintf(", %d in several flashes", flashes)
      note = note sprintf("; a sample every %.2f ms; error %.1f on average, %.1f at worst", gaps / n, errs / n, err)
      printf "%-44s | %6d | %6.1f | %6.1f | %6.1f | %6.1f | %s\n", label, n, v[0], median, p95, v[n - 1], note
    }' "$RESULTS"
}
# The header of summary's table.
summary_header() {
  printf "%-44s | %6s | %6s | %6s | %6s | %6s | %s\n" scenario trials min median p95 max "(ms); notes"
}
