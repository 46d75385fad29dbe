#!/usr/bin/env bash
# Style and static checks: clang-format must leave every source file unchanged and clang-tidy
# must find nothing. Needs the configured build/ (scripts/setup.sh).
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
run-clang-tidy -quiet -p build -j 2 "$pattern" >build/clang-tidy.log 2>&1 || {
  grep -E "(warning|error):" build/clang-tidy.log | sort -u | head -n 50
  echo "clang-tidy found problems (whole output: build/clang-tidy.log)" >&2
  exit 1
}
echo "clang-tidy: nothing found"
