#!/usr/bin/env bash
# Start-up time of the organizer to its main window on screen, less the fixed
# 0.5 s of launch delays: StartupBench launched RUNS times (default 7) on a
# private X server with a tray, in a data folder of its own; the first launch
# (which makes the database and warms the caches) is dropped, and the median
# of the others is printed in milliseconds.
# Usage: bench/startup-bench.sh [build folder] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-7}
binary="$build/bench/StartupBench"
if [ ! -x "$binary" ]; then
  echo "$0: $binary is missing; build it first: cmake --build $build --target StartupBench" >&2
  exit 1
fi
exec scripts/with-display.sh bash -c '
  set -euo pipefail
  binary=$1; runs=$2
  data=$(mktemp -d); trap "rm -rf \"$data\"" EXIT
  # The first start makes the database; the wizard is then marked as done.
  sqlite3 --version >/dev/null 2>&1 || { echo "sqlite3 is needed to mark the first run done" >&2; exit 1; }
  "$binary" "$(date +%s%N)" "$data" >/dev/null 2>&1 || true
  sqlite3 "$data/Zoravel/Zoravel/Database.sql" "UPDATE Settings SET startUpWizard=0"
  times=()
  for _ in $(seq "$runs"); do
    times+=("$("$binary" "$(date +%s%N)" "$data" 2>/dev/null)")
  done
  printf "%s\n" "${times[@]:1}" | sort -n | awk "{ a[NR] = \$1 } END { printf \"start-up to the main window, less 0.5 s of delays: median %.1f ms of %d warm runs (min %.1f, max %.1f)\n\", a[int((NR + 1) / 2)], NR, a[1], a[NR] }"
' _ "$binary" "$runs"
