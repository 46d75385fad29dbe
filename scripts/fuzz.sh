#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded time over
# a copy of its seed corpus (fuzz/corpus/<target>/ stays as it is). Exits non-zero when any
# fuzzer finds a crash, leak, timeout or broken property; the reproducer's path is printed.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default: 20)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
targets=(settings desktop-entry title commit-rules)

# clang with libFuzzer and the sanitizer runtimes.
source scripts/lib/packages.sh
install_missing_packages clang-14 libclang-rt-14-dev

dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DTESSAVO_FUZZ=ON -DTESSAVO_TESTS=OFF -DTESSAVO_BENCH=OFF \
  -DTESSAVO_WERROR="${TESSAVO_WERROR:-OFF}" >/dev/null
cmake --build "$dir" --parallel 2 --target fuzzers

work="$dir/fuzz-runs"
rm -rf "$work"
mkdir -p "$work"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
failed=()
for t in "${targets[@]}"; do
  corpus="$work/$t/corpus"
  mkdir -p "$corpus" "$work/$t/findings"
  cp -r "fuzz/corpus/$t/." "$corpus/"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  log="$work/$t/log"
  echo "== fuzz-$t: $seconds s, $(find "$corpus" -type f | wc -l) seed inputs =="
  if "$dir/fuzz/fuzz-$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/$t/findings/" "$corpus" >"$log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$log" || tail -n 5 "$log"
    echo "corpus now $(find "$corpus" -type f | wc -l) inputs"
  else
    tail -n 40 "$log"
    echo "fuzz-$t FAILED; reproducer: $(find "$work/$t/findings" -type f | head -n 1)" >&2
    echo "(rerun: $dir/fuzz/fuzz-$t <reproducer>; whole output: $log)" >&2
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzers that found something: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzers: nothing found"
