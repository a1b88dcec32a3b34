# Sourced by window.sh and proof.sh with the script's own arguments: starts the script again under
# xvfb-run when there is no display, and sets `probe` (the window probe of build folder $1),
# `dir` (a folder for the data sets, removed at exit) and `median` (of the numbers it reads).
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
probe="${1:-build}/bench/window_probe"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
