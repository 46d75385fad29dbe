#!/usr/bin/env bash
# The long seeded soak: the end-to-end soak's random window commands for minutes on end, with
# Tessavo's memory and CPU (and the X server's CPU) sampled at every checkpoint.
#   bench/soak.sh [minutes] [seed]   (10 minutes; a random seed, printed; run scripts/setup.sh
#   first)
# It fails on a chat left uncovered, a stale cover or Tessavo gone; its figures and X resource
# counts are for the record and never make it fail.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/xsession.sh
source scripts/lib/soak.sh
minutes="${1:-10}"
seed="${2:-$((($(date +%s%N) / 1000) % 32768))}"
export SOAK_MODE="bench" SOAK_RERUN
SOAK_RERUN="$0 $minutes"
soak_run $((minutes * 60)) "$seed"
