#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up (packages, builds) and runs the tests. Exits non-zero on any failure.
#   scripts/test.sh          what a contributor runs before a commit: every test but the soak in
#                            the normal build, the unit and widget tests again under
#                            AddressSanitizer and UndefinedBehaviorSanitizer, clang-format, and
#                            clang-tidy on the files changed since the branch left origin/main
#   scripts/test.sh --full   all of that, and the soak, the end-to-end tests under the
#                            sanitizers, the fuzzers for a bounded time, clang-tidy on every
#                            file, and the Debian package built into dist/ and checked by
#                            lintian (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

full=false
case "${1:-}" in
  --full) full=true ;;
  "") ;;
  *) echo "usage: $0 [--full]" >&2; exit 2 ;;
esac

export TESSAVO_WERROR=ON
if $full; then
  scripts/setup.sh release
  scripts/setup.sh asan
  plain=()             # every test, the soak included
  sanitized=(-LE soak) # the end-to-end tests too
else
  # Only what the check runs: no benchmarks, and only the unit and widget tests under the
  # sanitizers.
  TESSAVO_BENCH=OFF scripts/setup.sh release
  TESSAVO_TARGETS="tessavo-unit-tests tessavo-widget-tests" scripts/setup.sh asan
  plain=(-LE soak)
  sanitized=(-L "unit|widget")
fi

jobs=2
echo "== tests =="
ctest --test-dir build --output-on-failure -j "$jobs" "${plain[@]}"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" "${sanitized[@]}"
if $full; then
  scripts/fuzz.sh 20
fi
echo "== style and static checks =="
if $full; then scripts/lint.sh; else scripts/lint.sh --changed; fi
if $full; then
  echo "== the Debian package =="
  scripts/package.sh
  # Debian's own checks of a package; an error or a warning fails the run, each explained.
  lintian --info --fail-on error,warning dist/tessavo_*.deb
fi
