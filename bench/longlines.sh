#!/usr/bin/env bash
# Open on the real main window of data files with one long line, each try in a freshly started
# process: a joint count of 2 MiB and of 200 MiB of digits, which the window refuses (from Open
# to the message given to the box and to the box painted on screen, the length of the message
# and whether its text was painted), and a joint caption of 2 MiB, which it loads (from Open to
# the painted net). Prints every try and the medians. Takes the build folder as $1; TRIES overrides the default. Needs a
# display: without one it starts itself again under xvfb-run.
set -euo pipefail
tries=${TRIES:-3}
source "$(dirname "$0")/probe-common.sh" "$@"
mib=$((1 << 20))
# The start-up groups, then what $2 and the rest give, written to $1.
data_file() {
  local path=$1
  shift
  {
    printf 'A_VALID_VANDREMOLIX_FILE_VERSION000\r\n'
    for g in 0 1 2 3 4 5 6 7 8 9; do printf 'Group %d\r\nFalse\r\n0\r\n' "$g"; done
    "$@"
  } >"$path"
}
# $2 bytes of the character $1 and the line's end.
long_line() { head -c "$2" /dev/zero | tr '\0' "$1"; printf '\r\n'; }
caption_record() { printf '1\r\n'; long_line j $((2 * mib)); printf '1\r\n2\r\nFalse\r\n-1\r\n0\r\n'; }

for size in 2 200; do
  data_file "$dir/count-$size.txt" long_line 7 $((size * mib))
  given=() shown=() chars=() painted=()
  for ((i = 1; i <= tries; i++)); do
    read -r ms box count text < <("$probe" refuse "$dir/count-$size.txt" 2>/dev/null)
    given+=("$ms") shown+=("$box") chars+=("$count") painted+=("$text")
  done
  echo "joint count of $size MiB of digits, $tries fresh processes"
  echo "  open to message given, ms:     ${given[*]}  median $(echo "${given[*]}" | median)"
  echo "  open to message on screen, ms: ${shown[*]}  median $(echo "${shown[*]}" | median)"
  echo "  characters of the message:     ${chars[*]}"
  echo "  its text painted (1 = yes):    ${painted[*]}"
  rm "$dir/count-$size.txt"
done

data_file "$dir/caption.txt" caption_record
opens=()
for ((i = 1; i <= tries; i++)); do
  read -r open close mem < <("$probe" open "$dir/caption.txt" 2>/dev/null)
  opens+=("$open")
done
echo "joint caption of 2 MiB, $tries fresh processes"
echo "  open to painted net, ms: ${opens[*]}  median $(echo "${opens[*]}" | median)"
