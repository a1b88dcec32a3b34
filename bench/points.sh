#!/usr/bin/env bash
# The engine's static point cloud against a plain vertex array on Mesa's software renderer:
# builds the benchmark in the build folder given as $1 (default: build) and runs it off screen on
# a private X display when none is there.
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target points_vs_plain -j "$(nproc)" >/dev/null
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
if [ -n "${DISPLAY:-}" ]; then
  "$build/bench/points_vs_plain"
else
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/points_vs_plain"
fi
