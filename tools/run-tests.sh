#!/usr/bin/env bash
# Runs the whole test suite; tests that need a display get an Xvfb server when none is there.
set -euo pipefail
build=${1:-build}
export LANG=C.UTF-8 LC_ALL=C.UTF-8
run=(ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" "${run[@]}"
fi
exec "${run[@]}"
