#!/usr/bin/env bash
# Builds the Debian package: a Release build without tests or benchmarks in build-package/,
# then cpack. The .deb ends up in dist/. Install it with `sudo apt install ./dist/tessavo_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh packages
dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAVO_TESTS=OFF -DTESSAVO_BENCH=OFF
cmake --build "$dir" --parallel 2
rm -f "$dir"/tessavo_*.deb
(cd "$dir" && cpack -G DEB)
mkdir -p dist
rm -f dist/tessavo_*.deb
mv "$dir"/tessavo_*.deb dist/
ls dist/tessavo_*.deb
