#!/usr/bin/env bash
# Runs every benchmark binary of the build given as $1 (default: build).
set -euo pipefail
build=${1:-build}
for b in "$build"/bench/*_bench; do
  "$b" --benchmark_counters_tabular=true
done
"$(dirname "$0")/window.sh" "$build"
"$(dirname "$0")/proof.sh" "$build"
"$(dirname "$0")/longlines.sh" "$build"
"$(dirname "$0")/spheres.sh" "$build"
"$(dirname "$0")/points.sh" "$build"
"$(dirname "$0")/window3d.sh" "$build"
if command -v xdotool >/dev/null && command -v import >/dev/null; then
  "$(dirname "$0")/startup.sh" "$build"
else
  echo "start-up benchmark skipped: it needs xdotool and ImageMagick"
fi
