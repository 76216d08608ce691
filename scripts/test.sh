#!/usr/bin/env bash
# Installs what is missing, builds and runs every test twice: the g++ build in
# build/, then a clang build with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/, where any sanitizer report fails its test. Then every fuzz
# driver runs for 20 seconds (ZORAVEL_FUZZ_SECONDS changes that). Each test binary
# runs headless, in a pinned locale and a zone with daylight saving (CTest sets them).
# The tests that need real windows (CTest label xcb) run apart, on a private
# X server with a tray (scripts/with-display.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 300 -LE xcb
scripts/with-display.sh ctest --test-dir build --output-on-failure --timeout 300 -L xcb

# -O1 with line tables only: reports keep their files and lines, and it
# compiles about a fifth faster than -O2 -g. The benchmarks test nothing and
# stay out.
if [ ! -f build-asan/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
    -DZORAVEL_SANITIZE=ON -DZORAVEL_BENCH=OFF
fi
cmake --build build-asan --parallel "$jobs"
ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --timeout 300 -LE xcb
scripts/with-display.sh ctest --test-dir build-asan --output-on-failure --timeout 300 -L xcb

scripts/fuzz.sh "${ZORAVEL_FUZZ_SECONDS:-20}"
