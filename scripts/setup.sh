#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs everything Tessavo needs to build, test and run on Debian 12, then configures and
# builds it. Usage: scripts/setup.sh [release|asan|packages]   (default: release, into build/;
# packages: install the packages only). TESSAVO_BENCH=OFF leaves the benchmarks out;
# TESSAVO_TARGETS="A B" builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # build
  cmake ninja-build pkg-config g++ clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  librsvg2-bin  # the icon's sizes, from its SVG
  libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-screensaver0-dev libxcb-xinput-dev
  libxcb-keysyms1-dev libxcb-shape0-dev libxcb-res0-dev libxcb-randr0-dev x11proto-dev
  # Hangul text
  fonts-nanum
  # end-to-end tests and the demo
  xvfb xauth openbox xdotool imagemagick feh x11-utils x11-xserver-utils trayer jq
  python3-pytest python3-xlib
  # window managers whose frames are override-redirect
  fluxbox icewm i3-wm
  # Wayland compositors with XWayland, a native Wayland window, screenshots of their output
  mutter dbus-daemon sway xwayland foot grim
  # the install check and the Debian package
  desktop-file-utils appstream groff-base file dpkg-dev lintian
)

source scripts/lib/packages.sh
install_missing_packages "${packages[@]}"

kind="${1:-release}"
case "$kind" in
  packages) exit 0 ;;
  release) dir=build; type=RelWithDebInfo; extra=(-DTESSAVO_BENCH="${TESSAVO_BENCH:-ON}") ;;
  asan) dir=build-asan; type=Debug; extra=(-DTESSAVO_SANITIZE=ON -DTESSAVO_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan|packages]" >&2; exit 2 ;;
esac
# The test command sets TESSAVO_WERROR=ON: warnings fail its build, never a user's.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DTESSAVO_WERROR="${TESSAVO_WERROR:-OFF}" \
  "${extra[@]}"
targets=()
for t in ${TESSAVO_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel 2 "${targets[@]}"
