#!/usr/bin/env bash
# Start-up times of the organizer, each the median of RUNS launches of
# StartupBench (default 7, one launch per process) on a private X server with
# a tray, from the process's start:
#   - a first start, in a new data folder each time, to the welcome panel;
#   - a start with no items (the template's data), and one with the loading
#     benchmark's 50,000 items, to the splash on screen and to the main
#     window on screen (also given less the launch's fixed 0.5 s: the main
#     view is built 0.4 s after the launch and its window opens 0.1 s later).
# Before the timed starts of a folder one start warms the disk cache and is
# not counted. The load of the machine (uptime) is printed with the figures;
# run it under `taskset -c 0,1` for the figures on two cores.
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
sqlite3 --version >/dev/null 2>&1 || { echo "$0: sqlite3 is needed to mark the first run done" >&2; exit 1; }
exec scripts/with-display.sh bash -c '
  set -euo pipefail
  binary=$1; runs=$2
  root=$(mktemp -d); trap "rm -rf \"$root\"" EXIT
  launch() { "$binary" "$(date +%s%N)" "$1" 2>/dev/null; }
  median() { sort -n | awk "{ a[NR] = \$1 } END { printf \"%.1f ms (min %.1f, max %.1f)\", a[int((NR + 1) / 2)], a[1], a[NR] }"; }

  echo "load: $(uptime | sed "s/.*load average/load average/"); cpus: $(nproc)"

  firsts=()
  for i in $(seq "$runs"); do
    first=$(launch "$root/first$i" | awk "/^wizard/ { print \$2 }" || true)
    [ -n "$first" ] && firsts+=("$first")
  done
  echo "first start to the welcome panel: median $(printf "%s\n" "${firsts[@]}" | median) of ${#firsts[@]}"

  for data in empty 50000; do
    folder="$root/$data"
    launch "$folder" >/dev/null || true
    sqlite3 "$folder/Zoravel/Zoravel/Database.sql" "UPDATE Settings SET startUpWizard=0"
    [ "$data" = 50000 ] && "$binary" --fill "$folder"
    launch "$folder" >/dev/null || true
    splashes=(); mains=(); lesses=(); failed=0
    for _ in $(seq "$runs"); do
      figures=$(launch "$folder" || true)
      read -r _ splash _ main <<<"$figures" || true
      if [ -z "${main:-}" ]; then failed=$((failed + 1)); continue; fi
      splashes+=("$splash"); mains+=("$main")
      lesses+=("$(awk "BEGIN { printf \"%.1f\", $main - 500 }")")
    done
    if [ ${#mains[@]} -eq 0 ]; then echo "$data items: no launch gave a figure"; continue; fi
    echo "$data items: to the splash $(printf "%s\n" "${splashes[@]}" | median);" \
         "to the main window $(printf "%s\n" "${mains[@]}" | median)," \
         "less 0.5 s of delays $(printf "%s\n" "${lesses[@]}" | median); ${#mains[@]} runs, $failed failed"
  done
  echo "load: $(uptime | sed "s/.*load average/load average/")"
' _ "$binary" "$runs"
