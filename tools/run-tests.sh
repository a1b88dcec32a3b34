#!/usr/bin/env bash
# Runs the whole test suite; tests that need a display get an Xvfb server of their own when none is
# there. The server picks a free display number itself (-displayfd), so runs side by side never
# share or steal one another's server.
set -euo pipefail
build=${1:-build}
shift || true  # what follows the build folder goes to ctest: -L pure, -R name
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A run that finds no test (a folder without tests, a -R that matches none) is a failure.
run=(ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)" --timeout 300 "$@")
if [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u)
  log=$(mktemp)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo" 2>"$log" &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null; rm -f "$fifo" "$log"' EXIT
  if ! read -r number <"$fifo"; then
    echo "run-tests: Xvfb did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  export DISPLAY=":$number"
fi
"${run[@]}"
