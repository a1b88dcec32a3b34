#!/usr/bin/env bash
# The sphere scene of the engine against OpenSceneGraph on Mesa's software renderer: installs
# Debian's OpenSceneGraph for the benchmark alone when it is missing, builds the benchmark in the
# build folder given as $1 (default: build), and runs it off screen on a private X display when
# none is there.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if ! dpkg -s libopenscenegraph-dev >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y libopenscenegraph-dev >/dev/null
  else
    echo "sphere benchmark skipped: it needs libopenscenegraph-dev (apt-get install as root)"
    exit 0
  fi
fi
# The build was configured before OpenSceneGraph was there: configure again to find it.
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target spheres_vs_osg -j "$(nproc)" >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
if [ -n "${DISPLAY:-}" ]; then
  "$build/bench/spheres_vs_osg"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/spheres_vs_osg"
fi
