#!/usr/bin/env bash
# Runs a command on a private X server: Xvfb on a free display (1280x800,
# 24 bits, or ZORAVEL_SCREEN_SIZE=WIDTHxHEIGHT) with a system tray (trayer),
# since a bare X server has none. The command gets DISPLAY; both servers
# stop when it ends, however it ends.
# Usage: scripts/with-display.sh <command> [arguments...]
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 <command> [arguments...]" >&2
  exit 2
fi
for tool in Xvfb trayer xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$0: $tool is missing; scripts/install-deps.sh installs it" >&2
    exit 1
  fi
done

workdir=$(mktemp -d)
xvfb_pid=""
trayer_pid=""
stop() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop "$trayer_pid"
  stop "$xvfb_pid"
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number once it accepts
# connections.
# Its output goes to a file: a server left holding the caller's pipe would
# keep a reader such as `| tee` waiting.
screen_size=${ZORAVEL_SCREEN_SIZE:-1280x800}
if ! [[ "$screen_size" =~ ^[0-9]+x[0-9]+$ ]]; then
  echo "$0: ZORAVEL_SCREEN_SIZE must be WIDTHxHEIGHT, not '$screen_size'" >&2
  exit 2
fi
Xvfb -displayfd 3 -screen 0 "${screen_size}x24" -nolisten tcp 3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$workdir/display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "$0: Xvfb did not start:" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$workdir/display" ]; then
  echo "$0: Xvfb gave no display number in 10 s" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$workdir/display")"

trayer --edge top --align right --widthtype request --height 24 --transparent false \
  >"$workdir/trayer.log" 2>&1 </dev/null &
trayer_pid=$!
# The tray's panel window appears once trayer has taken the tray selection.
for _ in $(seq 100); do
  xwininfo -root -children 2>/dev/null | grep -q '"panel"' && break
  sleep 0.1
done
if ! xwininfo -root -children 2>/dev/null | grep -q '"panel"'; then
  echo "$0: the tray did not start:" >&2
  cat "$workdir/trayer.log" >&2
  exit 1
fi

echo "Running on display $DISPLAY with a tray: $*" >&2
set +e
"$@"
status=$?
set -e
exit $status
