#!/usr/bin/env bash
# Runs every fuzz driver of the sanitizer build (build-asan/, configured and
# built here when missing) for the given number of seconds (default 20), as
# many side by side as there are cores, each on a scratch copy of its seed
# corpus so that the repository is never written. Fails on any crash, hang,
# leak or sanitizer report; the reproducer is left in
# build-asan/findings/<driver>/ and the end of the driver's log is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${ZORAVEL_ASAN_BUILD:-build-asan}
jobs=$(nproc 2>/dev/null || echo 2)

# Configured afresh when missing, or when made before it held the fuzz drivers.
if ! grep -q '^ZORAVEL_FUZZ:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DZORAVEL_SANITIZE=ON -DZORAVEL_FUZZ=ON -DZORAVEL_BENCH=OFF
fi
cmake --build "$build" --parallel "$jobs" --target fuzzers

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
# Every report stops the run; leaks count as failures too. An input that
# runs 30 s is a hang; less would also catch a busy machine's stall.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export build seconds

# One driver: its own corpus copy, findings folder and log; the exit status
# says whether it found anything.
run_driver() {
  local driver=$1
  local corpus="$build/corpus/$driver" findings="$build/findings/$driver"
  mkdir -p "$corpus" "$findings"
  if [ -d "fuzz/corpus/$driver" ]; then cp -r "fuzz/corpus/$driver/." "$corpus/"; fi
  if "$build/fuzz/$driver" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" >"$build/$driver.log" 2>&1; then
    echo "== $driver: ${seconds}s, $(grep -E '^stat::number_of_executed_units' "$build/$driver.log" | awk '{print $2}') runs, $(grep -E '^stat::peak_rss_mb' "$build/$driver.log" | awk '{print $2}') MB"
  else
    echo "== $driver: FAILED"
    tail -n 60 "$build/$driver.log"
    touch "$build/findings/$driver.failed"
  fi
}
export -f run_driver

rm -f "$build"/findings/*.failed
drivers=()
for source in fuzz/*Fuzzer.cpp; do drivers+=("$(basename "$source" .cpp)"); done
echo "Fuzzing ${#drivers[@]} drivers for ${seconds}s each, $jobs at a time"
printf '%s\n' "${drivers[@]}" | xargs -P "$jobs" -I{} bash -c 'run_driver "$1"' _ {}

failed=()
for driver in "${drivers[@]}"; do
  [ -f "$build/findings/$driver.failed" ] && failed+=("$driver")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "Every driver ran ${seconds}s without a finding."
