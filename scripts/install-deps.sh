#!/usr/bin/env bash
# Installs the Debian packages the build needs, and nothing when they are all there.
# Usage: scripts/install-deps.sh [extra packages...]
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libxml2-dev            # XML DOM with XPath, iconv for every encoding
  qt6-base-dev           # the dialog and the message box
  libgtest-dev           # tests
  libbenchmark-dev       # benchmarks
  libcli11-dev nlohmann-json3-dev  # the command-line tool
  fonts-wqy-microhei     # a font with Chinese glyphs for the dialog
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
