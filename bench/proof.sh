#!/usr/bin/env bash
# "3D Proof" on the real main window, each try in a freshly started process: from the click to
# the 3D window's first frame on screen, and from its Close to the main window given back (the 3D
# window freed and the main window's event loop turning again), with data sets of single joints.
# Prints every try and the medians. Takes the build folder as $1; TRIES and SIZES override the
# defaults; HOVER_MS rests the pointer on the button that long before the click, as a user's
# pointer does, and times how long its arrival held the main window. Needs a display: without one
# it starts itself again under xvfb-run.
set -euo pipefail
tries=${TRIES:-5}
sizes=${SIZES:-"1000 2000 10000"}
source "$(dirname "$0")/probe-common.sh" "$@"
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
echo "load: $(uptime)"
echo "pointer on the button before the click: ${HOVER_MS:-0} ms"
for n in $sizes; do
  "$probe" write "$dir/joints-$n.txt" "$n" 0
  opens=() closes=() frames=() hovers=()
  for ((i = 1; i <= tries; i++)); do
    read -r open close count hover < <("$probe" proof "$dir/joints-$n.txt" 2>/dev/null)
    opens+=("$open") closes+=("$close") frames+=("$count") hovers+=("$hover")
  done
  echo "$n single joints, $tries fresh processes"
  echo "  \"3D Proof\" to first frame, ms: ${opens[*]}  median $(echo "${opens[*]}" | median)"
  echo "  Close to main window given back, ms: ${closes[*]}  median $(echo "${closes[*]}" | median)"
  echo "  frames before Close: ${frames[*]}"
  if [ "${HOVER_MS:-0}" -gt 0 ]; then
    echo "  pointer's arrival on the button held the window, ms: ${hovers[*]}  median $(echo "${hovers[*]}" | median)"
  fi
done
