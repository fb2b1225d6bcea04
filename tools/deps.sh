#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the tool need, when
# any of them is missing. Uses sudo unless run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libsdl2-dev libmpg123-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-microhei
  xvfb xdotool x11-utils imagemagick
  espeak-ng sox lame python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
