#!/usr/bin/env bash
# Open, close and resident memory on the real main window, each try in a freshly started
# process: data sets of half single, half grouped joints with captions. Prints every try and the
# medians. Takes the build folder as $1; TRIES and SIZES override the defaults. Needs a display:
# without one it starts itself again under xvfb-run.
set -euo pipefail
tries=${TRIES:-5}
sizes=${SIZES:-"2000 8000 32000"}
source "$(dirname "$0")/probe-common.sh" "$@"
for n in $sizes; do
  "$probe" write "$dir/joints-$n.txt" $((n / 2)) $((n - n / 2))
  opens=() closes=() rss=()
  for ((i = 1; i <= tries; i++)); do
    read -r open close mem < <("$probe" open "$dir/joints-$n.txt" 2>/dev/null)
    opens+=("$open") closes+=("$close") rss+=("$mem")
  done
  echo "$n joints, $tries fresh processes"
  echo "  open to painted net, ms: ${opens[*]}  median $(echo "${opens[*]}" | median)"
  echo "  close, ms:               ${closes[*]}  median $(echo "${closes[*]}" | median)"
  echo "  resident after open, MB: ${rss[*]}  median $(echo "${rss[*]}" | median)"
done
