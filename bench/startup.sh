#!/usr/bin/env bash
# Start-up time: from launching the program to a main window on screen whose net is painted
# (the primitive circle's leftmost pixel is dark). Runs on a private Xvfb; takes the build
# folder as $1. Needs xdotool and ImageMagick (benchmark-only tools, not part of the set-up).
set -euo pipefail
build=${1:-build}
runs=${RUNS:-5}
for tool in xdotool import Xvfb; do
  command -v $tool >/dev/null || { echo "startup.sh needs $tool" >&2; exit 1; }
done
display=:$((90 + RANDOM % 100))
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 0.5
export DISPLAY=$display
for ((i = 1; i <= runs; i++)); do
  start=$(date +%s.%N)
  "$build/app/vandremolix" >/dev/null 2>&1 &
  app=$!
  window=$(xdotool search --sync --onlyvisible --name '^Vandremolixic projection$' | head -n 1)
  # Around the circle's west point: the chart starts at x = 3, the net's centre row is near
  # y = 225 below the menu bar; any dark pixel there means the net has been painted.
  until import -window "$window" -crop 16x40+2+200 -depth 8 txt:- 2>/dev/null |
      awk -F'[(),]' 'NR > 1 && $2 + $3 + $4 < 150 { found = 1 } END { exit !found }'; do
    sleep 0.01
  done
  end=$(date +%s.%N)
  kill $app
  wait $app 2>/dev/null || true
  printf 'start-up to painted window: %.0f ms\n' "$(echo "($end - $start) * 1000" | bc)"
done
