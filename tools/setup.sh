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

fail() {
  echo "setup: $*" >&2
  exit 1
}

# dpkg-query exits 1 when it has never heard of one of the names, as on a machine where that
# package was never installed; what it printed for the others still holds.
declare -A installed=()
while read -r status name; do
  [ "$status" = ii ] && installed[${name%%:*}]=1
done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# refuse reason: this user cannot install; says why, and the command that installs it as root.
refuse() {
  fail "cannot install ${missing[*]}: $1. To install as root, run:
  su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'"
}
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || refuse "not root, and there is no sudo"
  # Asks sudo first whether this user may run apt-get (a password, if it wants one), so that its
  # refusal is not taken for a failing apt-get.
  sudo -l apt-get >/dev/null || refuse "sudo refused to run apt-get"
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq || fail "apt-get update failed, so ${missing[*]} could not be installed"
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" ||
  fail "apt-get install failed for ${missing[*]}"
