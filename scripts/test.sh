#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Each test binary runs
# headless, in a pinned locale and a zone with daylight saving (CTest sets them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 300
