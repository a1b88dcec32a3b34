#!/usr/bin/env bash
# Builds the whole project with address and undefined-behaviour sanitizers into build-asan and
# runs every test there (under Xvfb when there is no display). Leak checking is off: Qt, fontconfig
# and Mesa keep allocations until exit that are no leaks of ours.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
tools/run-tests.sh build-asan
