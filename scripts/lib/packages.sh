# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages named that are not installed yet (with sudo unless root).
#   source scripts/lib/packages.sh; install_missing_packages NAME...
install_missing_packages() {
  local missing=() p sudo=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
