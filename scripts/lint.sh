#!/usr/bin/env bash
# Style and static checks over every source file: clang-format must leave each one unchanged
# and clang-tidy must find nothing. Needs the configured build/ (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "== clang-format =="
clang-format --dry-run --Werror "${files[@]}"
echo "== clang-tidy =="
run-clang-tidy -quiet -p build -j 2 "$PWD/(src|tests|bench)/.*\\.cpp\$" >build/clang-tidy.log 2>&1 || {
  grep -E "(warning|error):" build/clang-tidy.log | sort -u | head -n 50
  echo "clang-tidy found problems (whole output: build/clang-tidy.log)" >&2
  exit 1
}
echo "clang-tidy: nothing found"
