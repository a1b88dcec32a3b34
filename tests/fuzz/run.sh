#!/usr/bin/env bash
# Fuzzes each reader of damaged input (libFuzzer, with address and undefined-behaviour
# sanitizers) for a bounded time, starting from the corpus that the tests replay: the engine's
# binary readers, the texture-image files, the data file, the layout text and the behaviours and
# effects a layout stores as binary values.
# Usage: tests/fuzz/run.sh [seconds per target, default 60] [target...]. New inputs gather in
# build-fuzz/corpus/<target>; a crash is written to build-fuzz/crashes/<target>/ and stops the run.
# Copy a crash into the target's corpus folder once it is fixed, so the tests replay it.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
# target, the folder of its binary in the build, the folder of its corpus
all=(
  "binary-reader tests/engine/base tests/data/filer-fuzz"
  "object-list tests/engine/base tests/data/filer-fuzz"
  "vector-lists tests/engine/base tests/data/filer-fuzz"
  "xcollection tests/engine/base tests/data/filer-fuzz"
  "cube-map tests/engine/base tests/data/filer-fuzz"
  "blank-image tests/engine/base tests/data/filer-fuzz"
  "float-data-image tests/engine/base tests/data/filer-fuzz"
  "material-library tests/engine/base tests/data/filer-fuzz"
  "data-file tests/fuzz tests/data/fuzz"
  "layout-text tests/fuzz tests/data/fuzz"
  "scene-collections tests/fuzz tests/data/fuzz"
)
shift || true
chosen=("$@")
# A misspelt target or a missing time would fuzz other targets than asked for, or without end.
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: '$seconds' is not a number of seconds" >&2; exit 1; }
known=" ${all[*]%% *} "
for t in "${chosen[@]}"; do
  [[ $known == *" $t "* ]] || { echo "run.sh: there is no target '$t'; there are:$known" >&2; exit 1; }
done
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
tools/setup.sh
cmake -S . -B build-fuzz -DVM_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
runs=()
for entry in "${all[@]}"; do
  read -r t _ _ <<<"$entry"
  if [ ${#chosen[@]} -eq 0 ] || [[ " ${chosen[*]} " == *" $t "* ]]; then runs+=("$entry"); fi
done
names=()
for entry in "${runs[@]}"; do read -r t _ _ <<<"$entry"; names+=("fuzz_$t"); done
cmake --build build-fuzz -j "$(nproc)" --target "${names[@]}"
for entry in "${runs[@]}"; do
  read -r t binary corpus <<<"$entry"
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/crashes/$t"
  echo "== $t: $seconds s"
  "build-fuzz/$binary/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$t/" "build-fuzz/corpus/$t" "$corpus/$t"
done
