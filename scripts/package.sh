#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: a Release build without tests or benchmarks in build-package/,
# then cpack. The .deb ends up in dist/. Install it with `sudo apt install ./dist/tessavo_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh packages
dir=build-package
# Debian's hardening flags (fortified functions, stack protector, read-only relocations bound at
# start), given on every configure so that a build tree made without them gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSAVO_TESTS=OFF -DTESSAVO_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$dir" --parallel 2
rm -f "$dir"/tessavo_*.deb
(cd "$dir" && cpack -G DEB)
mkdir -p dist
rm -f dist/tessavo_*.deb
mv "$dir"/tessavo_*.deb dist/
ls dist/tessavo_*.deb
