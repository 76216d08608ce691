#!/usr/bin/env bash
# Start-up times of the organizer, each the median of RUNS launches of
# StartupBench (default 7, one launch per process) on a private X server with
# a tray, from the process's start:
#   - a first start, in a new data folder each time, to the welcome panel;
#   - a start with no items (the template's data), and one with the loading
#     benchmark's 50,000 items, to the splash on screen and to the main
#     window on screen (also given less the launch's fixed 0.5 s: the main
#     view is built 0.4 s after the launch and its window opens 0.1 s later);
#   - the 50,000 items without a calendar store (its folder cannot be made,
#     so the sync is off) and with a store that holds their files (written
#     by a start beforehand), in paired rounds: each round starts both, in
#     turn first, and the medians and the median of the rounds' ratios are
#     given.
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
  ratio() { sort -n | awk "{ a[NR] = \$1 } END { printf \"%.2f (min %.2f, max %.2f)\", a[int((NR + 1) / 2)], a[1], a[NR] }"; }

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
  # The same items with and without their store. The store folder of the
  # first is one that cannot be made; the second start writes the files
  # (its wait has no time limit), later ones find them there.
  nostore=/proc/zoravel-no-calendar-store
  for data in plain stored; do
    folder="$root/$data"
    launch "$folder" >/dev/null || true
    sqlite3 "$folder/Zoravel/Zoravel/Database.sql" "UPDATE Settings SET startUpWizard=0"
    "$binary" --fill "$folder"
    if [ "$data" = plain ]; then
      ZORAVEL_CALENDAR_STORE=$nostore launch "$folder" >/dev/null || true
    else
      "$binary" --settle "$(date +%s%N)" "$folder" >/dev/null 2>&1 || true
      launch "$folder" >/dev/null || true
    fi
  done
  plains=(); storeds=(); ratios=(); failed=0
  for round in $(seq "$runs"); do
    if [ $((round % 2)) -eq 1 ]; then order="plain stored"; else order="stored plain"; fi
    plain=; stored=
    for data in $order; do
      if [ "$data" = plain ]; then
        figures=$(ZORAVEL_CALENDAR_STORE=$nostore launch "$root/plain" || true)
      else
        figures=$(launch "$root/stored" || true)
      fi
      read -r _ _ _ main <<<"$figures" || true
      if [ "$data" = plain ]; then plain=${main:-}; else stored=${main:-}; fi
      main=
    done
    if [ -z "$plain" ] || [ -z "$stored" ]; then failed=$((failed + 1)); continue; fi
    plains+=("$plain"); storeds+=("$stored")
    ratios+=("$(awk "BEGIN { printf \"%.3f\", $stored / $plain }")")
  done
  files=$(find "$root/stored/calendars" -name "*.ics" 2>/dev/null | wc -l)
  if [ ${#plains[@]} -eq 0 ]; then
    echo "50000 items with and without the store: no round gave both figures"
  else
    echo "50000 items to the main window, without the store $(printf "%s\n" "${plains[@]}" | median);" \
         "with the store ($files files) $(printf "%s\n" "${storeds[@]}" | median);" \
         "ratio of the rounds $(printf "%s\n" "${ratios[@]}" | ratio); ${#plains[@]} rounds, $failed failed"
  fi
  echo "load: $(uptime | sed "s/.*load average/load average/")"
' _ "$binary" "$runs"
