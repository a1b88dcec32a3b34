#!/usr/bin/env bash
# Proves the suites free of memory faults, in two parts:
# - builds the whole project with address and undefined-behaviour sanitizers into build-asan and
#   runs every test there (under Xvfb when there is no display);
# - runs the recorded suites (CTest label `recorded`) of the normal build under valgrind, which
#   also sees a value computed from memory nobody wrote, such as a read the recorder left unanswered.
# Leak checking is off in both: Qt, fontconfig and Mesa keep allocations until exit that are no
# leaks of ours. JOBS sets how many build and valgrind jobs run at once (all cores by default).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
tools/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

[ -f build-asan/CMakeCache.txt ] || cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  tools/run-tests.sh build-asan

[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
mapfile -t suites < <(ctest --test-dir build -L recorded -N -V |
  sed -n 's/^[0-9]*: Test command: \([^ ]*\) .*/\1/p' | sort -u)
[ ${#suites[@]} -gt 0 ] || { echo "no recorded suite found in build" >&2; exit 1; }
under_valgrind() {
  local output
  if output=$(valgrind -q --error-exitcode=1 --errors-for-leak-kinds=none "$1" --gtest_brief=1 2>&1); then
    echo "valgrind clean: ${1##*/}"
  else
    printf '%s under valgrind:\n%s\n' "${1##*/}" "$output"
    return 1
  fi
}
export -f under_valgrind
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\n' "${suites[@]}" | xargs -P "$jobs" -I{} bash -c 'under_valgrind "$1"' _ {} | tee "$log" || true
passed=$(grep -c '^valgrind clean: ' "$log" || true)
echo "valgrind: ${passed} passed, $(( ${#suites[@]} - passed )) failed"
[ "$passed" -eq ${#suites[@]} ]
