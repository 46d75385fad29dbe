#!/usr/bin/env bash
# Installs the built program into a scratch root as a package would (prefix /usr), checks what
# lands where and that desktops would accept it, then runs the installed program's command line.
# Needs the build directory in XS_BUILD and the project's version in TESSAVO_EXPECTED_VERSION.
set -euo pipefail
build="${XS_BUILD:?the build directory}"
version="${TESSAVO_EXPECTED_VERSION:?the project version}"

root=$(mktemp -d /tmp/tessavo-install.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$root"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# A child that ended stays a zombie until waited for; kill -0 would still find it.
alive() { local state; state=$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
expected=(bin/tessavo share/applications/tessavo.desktop
          share/icons/hicolor/scalable/apps/tessavo.svg
          share/metainfo/io.github.tessavo.Tessavo.metainfo.xml share/man/man1/tessavo.1.gz)
for n in 16 24 32 48 64 128 256; do
  png="share/icons/hicolor/${n}x${n}/apps/tessavo.png"
  expected+=("$png")
  [ -f "$usr/$png" ] || fail "not installed: /usr/$png"
  file "$usr/$png" | grep -q "PNG image data, $n x $n," || fail "/usr/$png is not $n x $n"
done
for f in "${expected[@]}"; do
  [ -f "$usr/$f" ] || fail "not installed: /usr/$f"
done
# Nothing else: no test program or build leftover goes into a user's system.
installed=$(cd "$root" && find . -type f | sort)
[ "$(wc -l <<<"$installed")" -eq "${#expected[@]}" ] || fail "unexpected files installed:
$installed"
[ -x "$usr/bin/tessavo" ] || fail "/usr/bin/tessavo is not executable"

desktop-file-validate "$usr/share/applications/tessavo.desktop" ||
  fail "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/io.github.tessavo.Tessavo.metainfo.xml" ||
  fail "appstreamcli refuses the metainfo"
grep -q '<launchable type="desktop-id">tessavo.desktop</launchable>' \
  "$usr/share/metainfo/io.github.tessavo.Tessavo.metainfo.xml" ||
  fail "the metainfo does not name the installed desktop entry"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/io.github.tessavo.Tessavo.metainfo.xml" ||
  fail "the metainfo has no release $version"
man_warnings=$(zcat "$usr/share/man/man1/tessavo.1.gz" | preconv -e utf-8 |
  groff -man -Tutf8 -ww -z 2>&1)
[ -z "$man_warnings" ] || fail "the manual page does not format cleanly: $man_warnings"

# The command line, with no display at all.
exe="$usr/bin/tessavo"
unset DISPLAY WAYLAND_DISPLAY TESSAVO_DEBUG
export XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A copy already running (drawing offscreen), which asking for help or the version leaves alone.
QT_QPA_PLATFORM=offscreen "$exe" >"$root/first.out" 2>&1 &
first=$!
pids+=("$first")
for _ in $(seq 100); do
  grep -q "no system tray" "$root/first.out" && break
  alive "$first" || fail "the running copy did not start: $(cat "$root/first.out")"
  sleep 0.1
done

out=$("$exe" --version) || fail "--version exits with $?"
[ "$out" = "tessavo $version" ] || fail "--version prints '$out'"
out=$("$exe" -v) || fail "-v exits with $?"
[ "$out" = "tessavo $version" ] || fail "-v prints '$out'"
out=$("$exe" --help) || fail "--help exits with $?"
grep -q "^사용법: tessavo" <<<"$out" && grep -q -- "--version" <<<"$out" ||
  fail "--help prints: $out"
for wrong in --bogus -x extra; do
  status=0
  "$exe" "$wrong" >"$root/wrong.out" 2>"$root/wrong.err" || status=$?
  [ "$status" -eq 2 ] || fail "$wrong exits with $status, not 2"
  grep -q -- "tessavo: .*$wrong" "$root/wrong.err" || fail "$wrong: $(cat "$root/wrong.err")"
  [ ! -s "$root/wrong.out" ] || fail "$wrong prints on standard output"
done
alive "$first" || fail "asking for help or the version stopped the running copy"

# Started without arguments, the program does replace the running copy: the check above would
# have seen it.
QT_QPA_PLATFORM=offscreen "$exe" >"$root/second.out" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do
  alive "$first" || break
  sleep 0.1
done
! alive "$first" || fail "a second copy left the first running"
echo "install: ok"
