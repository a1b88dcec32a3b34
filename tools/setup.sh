#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; asks nothing and installs
# nothing when all of them are present. Name real packages only: dpkg never reports a virtual
# one installed, so naming one would install on every run.
set -euo pipefail

packages=(
  build-essential cmake ninja-build mold pkg-config
  qt6-base-dev qt6-svg-dev libqt6opengl6-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev googletest libbenchmark-dev libglm-dev
  xvfb xauth valgrind fonts-liberation2 fonts-dejavu-core
  poppler-utils
)

installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null |
  awk '$1 == "ii" { print $2 }' | sed 's/:.*//')
missing=()
for p in "${packages[@]}"; do
  grep -qx "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
