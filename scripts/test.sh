#!/usr/bin/env bash
# Sets up (packages, builds) and runs the tests. Exits non-zero on any failure.
#   scripts/test.sh          what a contributor runs before a commit: every test but the soak in
#                            the normal build, the unit and widget tests again under AddressSanitizer and
#                            UndefinedBehaviorSanitizer, clang-format, and clang-tidy on the
#                            files changed since the branch left origin/main
#   scripts/test.sh --full   all of that, the soak, the end-to-end tests under the sanitizers, the
#                            fuzzers for a bounded time and clang-tidy on every file (CI)
set -euo pipefail
cd "$(dirname "$0")/.."

full=false
case "${1:-}" in
  --full) full=true ;;
  "") ;;
  *) echo "usage: $0 [--full]" >&2; exit 2 ;;
esac

export TESSAVO_WERROR=ON
scripts/setup.sh release
scripts/setup.sh asan

jobs=2
echo "== tests =="
# The seeded soak runs in the full check only.
everything=(-LE soak)
if $full; then everything=(); fi
ctest --test-dir build --output-on-failure -j "$jobs" "${everything[@]}"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
sanitized=(-LE "e2e|soak")
if $full; then sanitized=(); fi
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" "${sanitized[@]}"
if $full; then
  scripts/fuzz.sh 20
fi
echo "== style and static checks =="
if $full; then scripts/lint.sh; else scripts/lint.sh --changed; fi
