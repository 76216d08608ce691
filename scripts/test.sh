#!/usr/bin/env bash
# Installs what is missing, builds and runs every test twice: the g++ build in
# build/, then a clang build with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/, where any sanitizer report fails its test. The same
# build-asan/ holds the fuzz drivers, which then run for 20 seconds each
# (ZORAVEL_FUZZ_SECONDS changes that), as many at a time as there are cores.
# Each test binary runs headless, in a pinned locale and a zone with daylight
# saving (CTest sets them). The tests that need real windows (CTest label xcb)
# run apart, on a private X server with a tray and a window manager
# (scripts/with-display.sh). The time of each phase is printed at the end,
# also when a phase fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

phases=()
phase_start=$SECONDS
phase_name=""
# Closes the running phase and opens the next one.
phase() {
  if [ -n "$phase_name" ]; then
    phases+=("$(printf '%-22s %4d s' "$phase_name" $((SECONDS - phase_start)))")
  fi
  phase_name=$1
  phase_start=$SECONDS
}
report() {
  local status=$?
  phase ""
  echo "---- time of each phase (${jobs} cores) ----"
  printf '%s\n' "${phases[@]}"
  printf '%-22s %4d s\n' "total" "$SECONDS"
  [ "$status" -eq 0 ] || echo "failed in the phase above the total" >&2
}
trap report EXIT

phase "install"
scripts/install-deps.sh

phase "build"
scripts/build.sh
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8

phase "tests"
ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 300 -LE xcb
scripts/with-display.sh ctest --test-dir build --output-on-failure --timeout 300 -L xcb

# -O1 with line tables only: reports keep their files and lines, and it
# compiles about a fifth faster than -O2 -g. The benchmarks test nothing and
# stay out; the fuzz drivers are built here, from the same libraries.
phase "sanitizer build"
# Configured afresh when missing, or when made before it held the fuzz drivers.
if ! grep -q '^ZORAVEL_FUZZ:BOOL=ON' "build-asan/CMakeCache.txt" 2>/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DZORAVEL_SANITIZE=ON -DZORAVEL_FUZZ=ON -DZORAVEL_BENCH=OFF
fi
cmake --build build-asan --parallel "$jobs"

phase "sanitizer tests"
ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --timeout 300 -LE xcb
scripts/with-display.sh ctest --test-dir build-asan --output-on-failure --timeout 300 -L xcb

phase "fuzzing"
scripts/fuzz.sh "${ZORAVEL_FUZZ_SECONDS:-20}"
