#!/usr/bin/env bash
# Fuzzes each reader of damaged input of the engine, the binary filer's and the texture-image
# files' (libFuzzer, with address and undefined-behaviour sanitizers), for a bounded time,
# starting from the corpus that the tests replay.
# Usage: tests/fuzz/run.sh [seconds per target, default 60]. New inputs gather in
# build-fuzz/corpus/<target>; a crash is written to build-fuzz/crashes/<target>/ and stops the run.
# Copy a crash into tests/data/filer-fuzz/<target>/ once it is fixed, so the tests replay it.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
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
targets=(binary-reader object-list vector-lists xcollection cube-map blank-image float-data-image material-library)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/crashes/$t"
  echo "== $t: $seconds s"
  "build-fuzz/tests/engine/base/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$t/" "build-fuzz/corpus/$t" "tests/data/filer-fuzz/$t"
done
