#!/usr/bin/env bash
# Builds the fuzz drivers with clang into build-fuzz/ and runs each one for the
# given number of seconds (default 20) on a scratch copy of its seed corpus, so
# the repository is never written. Fails on any crash, hang, leak or
# sanitizer report; the reproducer is left in build-fuzz/findings/<driver>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build-fuzz

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORAVEL_FUZZ=ON
fi
cmake --build "$build" --parallel 4

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
# Every report stops the run; leaks count as failures too. An input that
# runs 30 s is a hang; less would also catch a busy machine's stall.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

failed=()
for source in fuzz/*Fuzzer.cpp; do
  driver=$(basename "$source" .cpp)
  corpus="$build/corpus/$driver"
  findings="$build/findings/$driver"
  mkdir -p "$corpus" "$findings"
  if [ -d "fuzz/corpus/$driver" ]; then cp -r "fuzz/corpus/$driver/." "$corpus/"; fi
  echo "== $driver: ${seconds}s"
  if ! "$build/fuzz/$driver" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" 2>"$build/$driver.log"; then
    tail -n 60 "$build/$driver.log"
    failed+=("$driver")
  else
    grep -E "^stat::number_of_executed_units" "$build/$driver.log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "Every driver ran ${seconds}s without a finding."
