#!/usr/bin/env bash
# A short seeded soak on a private X server: random window commands against the stand-in
# messenger and another program; at each checkpoint every visible chat must show its cover
# and no cover may stand where no chat is; Tessavo must still run at the end and hold no more
# X windows and pixmaps than its covers then need.
#   soak.sh [seconds] [seed]   (45 s of commands; a random seed, printed)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/xsession.sh"
source "$(dirname "$0")/../../scripts/lib/soak.sh"
seconds="${1:-45}"
seed="${2:-$((($(date +%s%N) / 1000) % 32768))}"
export SOAK_MODE="test" SOAK_RERUN
SOAK_RERUN="$0 $seconds"
soak_run "$seconds" "$seed"
