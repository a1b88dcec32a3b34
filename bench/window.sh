#!/usr/bin/env bash
# Open, close and resident memory on the real main window, each try in a freshly started
# process: data sets of half single, half grouped joints with captions. Prints every try and the
# medians. Takes the build folder as $1; TRIES and SIZES override the defaults. Needs a display:
# without one it starts itself again under xvfb-run.
set -euo pipefail
build=${1:-build}
tries=${TRIES:-5}
sizes=${SIZES:-"2000 8000 32000"}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
probe="$build/bench/window_probe"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
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
