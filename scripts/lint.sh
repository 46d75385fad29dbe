#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Style and static checks: clang-format must leave every source file unchanged and clang-tidy
# must find nothing. Configures build-lint/, whose compile commands name every file on its own
# (the other trees compile the libraries in batches).
# Usage: scripts/lint.sh [--changed]   (--changed: clang-tidy only on the .cpp files changed
# since the branch left origin/main, committed or not)
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "== clang-format =="
clang-format --dry-run --Werror "${files[@]}"
echo "== clang-tidy =="
pattern="$PWD/(src|tests|bench)/.*\\.cpp\$"
if [ "${1:-}" = --changed ]; then
  base=$(git merge-base HEAD origin/main 2>/dev/null || git rev-parse HEAD)
  mapfile -t changed < <({ git diff --name-only "$base"; git ls-files --others --exclude-standard; } |
    grep -E '^(src|tests|bench)/.*\.cpp$' | sort -u | while read -r f; do [ -f "$f" ] && echo "$f"; done)
  if [ "${#changed[@]}" -eq 0 ]; then
    echo "clang-tidy: no changed source files"
    exit 0
  fi
  pattern="$PWD/($(printf '%s|' "${changed[@]}" | sed 's/|$//; s/\./\\./g'))\$"
fi
cmake -S . -B build-lint -G Ninja -DTESSAVO_UNITY=OFF -DTESSAVO_FUZZ=OFF >/dev/null
run-clang-tidy -quiet -p build-lint -j 2 "$pattern" >build-lint/clang-tidy.log 2>&1 || {
  grep -E "(warning|error):" build-lint/clang-tidy.log | sort -u | head -n 50
  echo "clang-tidy found problems (whole output: build-lint/clang-tidy.log)" >&2
  exit 1
}
echo "clang-tidy: nothing found"
