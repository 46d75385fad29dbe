#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Line coverage of src/ by every test (unit, widget, end-to-end and the soak): builds a coverage
# tree in build-cov/ (each file on its own, so every line counts for its own file), runs the
# tests there and prints gcovr's summary, without and with the simulated desktop.
#   scripts/coverage.sh            (about 10 minutes on 2 cores)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh packages
source scripts/lib/packages.sh
install_missing_packages gcovr
cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSAVO_BENCH=OFF -DTESSAVO_UNITY=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build build-cov --parallel 2
find build-cov -name '*.gcda' -delete
ctest --test-dir build-cov --output-on-failure || echo "some tests failed: coverage is of what ran" >&2
echo "src/ without the simulated desktop:"
gcovr -r . --filter 'src/' --exclude 'src/sim/' build-cov --print-summary -o build-cov/coverage.txt
echo "src/ with it:"
gcovr -r . --filter 'src/' build-cov --print-summary -o build-cov/coverage-all.txt
