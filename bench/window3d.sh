#!/usr/bin/env bash
# The 3D window's frames while orbiting against a bare OpenGL loop, and the time from "3D Proof"
# to its first painted frame, on Mesa's software renderer: builds the benchmark in the build
# folder given as $1 (default: build) and runs it on a private X display when none is there.
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target window3d_vs_bare -j "$(nproc)" >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
if [ -n "${DISPLAY:-}" ]; then
  "$build/bench/window3d_vs_bare"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/window3d_vs_bare"
fi
