#!/usr/bin/env bash
# Sets up (packages, build) and runs every test twice: in the normal build, then in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

export TESSAVO_WERROR=ON
scripts/setup.sh release
scripts/setup.sh asan

jobs=2
echo "== tests =="
ctest --test-dir build --output-on-failure -j "$jobs"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
scripts/fuzz.sh 20
echo "== style and static checks =="
scripts/lint.sh
