#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; does nothing when all
# of them are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6-dev libqt6opengl6-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev googletest libbenchmark-dev libglm-dev
  xvfb xauth fonts-liberation2 fonts-dejavu-core
  poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
