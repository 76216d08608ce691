#!/usr/bin/env bash
# Builds the libraries and the tests of the start-up, the data manager, the
# web sync and the calendar store with ThreadSanitizer (clang, its own build
# in build-tsan/) and runs those test binaries. Any data race or lock-order
# report fails the run; the only reports let through are those the
# suppressions in scripts/tsan.supp name, each one with both sides in Qt's
# own code, which is not instrumented. Not part of CI (the build takes as long as the
# sanitizer build): run it after a change to what the threads share (the
# calendar-store worker, the web sync's queue, the record lock, the main
# queue). Arguments go to every test binary (e.g. --gtest_filter=...).
# Without a filter of its own the kill tests (*CrashTest) are left out: they
# test what a killed process leaves on disk, not what threads share, and the
# runtime of clang 14 stops the whole binary at Qt's start of a child (a
# clone that shares the parent's memory).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ZORAVEL_TSAN_JOBS:-$(nproc 2>/dev/null || echo 2)}
binaries=(ModelTests CalendarStoreTests CalendarSyncTests)

if [ ! -f build-tsan/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DCMAKE_C_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
    -DZORAVEL_BENCH=OFF
fi
cmake --build build-tsan --parallel "$jobs" --target "${binaries[@]}"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 TZ=Europe/Paris
# Every report is printed (a run shows them all), and any one fails the binary.
# Qt's own bookkeeping (its thread pool's queues, the data moveToThread and
# a delivered event carry) is guarded by its uninstrumented locks: the C
# library calls Qt makes on it are not judged, only our code's accesses,
# which include every inline QString and container operation we compile.
export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp halt_on_error=0 exitcode=66 second_deadlock_stack=1 history_size=4 ignore_noninstrumented_modules=1 ${TSAN_OPTIONS:-}"
filter=(--gtest_filter=-*CrashTest.*)
for argument in "$@"; do
  case "$argument" in --gtest_filter=*) filter=() ;; esac
done
failed=()
for binary in "${binaries[@]}"; do
  log="build-tsan/${binary}.tsan.log"
  echo "== ${binary}"
  if ! "build-tsan/tests/${binary}" "${filter[@]}" "$@" >"$log" 2>&1; then
    failed+=("$binary")
  fi
  reports=$(grep -c '^WARNING: ThreadSanitizer' "$log" || true)
  tail -n 3 "$log"
  echo "   ${reports} ThreadSanitizer reports (log: ${log})"
  [ "$reports" -eq 0 ] || failed+=("$binary")
done
if [ "${#failed[@]}" -ne 0 ]; then
  echo "ThreadSanitizer run failed: ${failed[*]}" >&2
  exit 1
fi
echo "ThreadSanitizer: no report"
