#!/usr/bin/env bash
# Runs a command on a private X server: Xvfb on a free display (1280x800,
# 24 bits, or ZORAVEL_SCREEN_SIZE=WIDTHxHEIGHT) with what a person's desktop
# has and a bare X server lacks: a window manager (openbox: activation,
# focus, stacking, title bars) and a panel at the top holding the system
# tray (trayer), whose strip is reserved, so the usable area is smaller
# than the screen. The command gets DISPLAY; the server and its clients stop
# when it ends, however it ends.
# Usage: scripts/with-display.sh <command> [arguments...]
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 <command> [arguments...]" >&2
  exit 2
fi
for tool in Xvfb openbox trayer xwininfo xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$0: $tool is missing; scripts/install-deps.sh installs it" >&2
    exit 1
  fi
done

screen_size=${ZORAVEL_SCREEN_SIZE:-1280x800}
if ! [[ "$screen_size" =~ ^[0-9]+x[0-9]+$ ]]; then
  echo "$0: ZORAVEL_SCREEN_SIZE must be WIDTHxHEIGHT, not '$screen_size'" >&2
  exit 2
fi
screen_width=${screen_size%x*}
screen_height=${screen_size#*x}
panel_height=24

workdir=""
xvfb_pid=""
wm_pid=""
trayer_pid=""
stop() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
stop_desktop() {
  stop "$trayer_pid"
  stop "$wm_pid"
  stop "$xvfb_pid"
  trayer_pid="" wm_pid="" xvfb_pid=""
  if [ -n "$workdir" ]; then rm -rf "$workdir"; fi
  workdir=""
}
trap stop_desktop EXIT
trap 'exit 130' INT TERM

wm_is_up() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
# The tray's panel window: the first one trayer names "panel". awk reads the
# whole listing: one that stopped early would fail the pipe.
panel_window() {
  xwininfo -root -tree 2>/dev/null | awk '/"panel"/ && !found { found = $1 } END { print found }'
}
panel_is_viewable() {
  xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}
work_area_is_reserved() {
  local area
  area=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= *//p' | cut -d, -f4 | tr -d ' ')
  [ -n "$area" ] && [ "$area" -le $((screen_height - panel_height)) ]
}

# Starts the server, the window manager and the panel; on failure says why,
# stops what it started and answers non-zero.
start_desktop() {
  workdir=$(mktemp -d)
  # Xvfb picks a free display itself and writes its number once it accepts
  # connections. It never resets when its last client leaves: the waits
  # below connect and leave, and a reset would drop what the window manager
  # put on the root window, or a connection made meanwhile.
  # Its output goes to a file: a server left holding the caller's pipe would
  # keep a reader such as `| tee` waiting.
  Xvfb -displayfd 3 -screen 0 "${screen_size}x24" -nolisten tcp -noreset 3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$workdir/display" ] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      echo "$0: Xvfb did not start:" >&2
      cat "$workdir/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
  done
  if [ ! -s "$workdir/display" ]; then
    echo "$0: Xvfb gave no display number in 10 s" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$workdir/display")"

  # The window manager first, so the panel is managed from its start. It
  # announces itself on the root window once it has taken the screen. Its
  # configuration is its Debian default; its caches go to the private folder.
  XDG_CACHE_HOME="$workdir/cache" XDG_CONFIG_HOME="$workdir/config" \
    openbox --sm-disable >"$workdir/openbox.log" 2>&1 </dev/null &
  wm_pid=$!
  for _ in $(seq 100); do
    wm_is_up && break
    if ! kill -0 "$wm_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if ! wm_is_up; then
    echo "$0: the window manager did not start:" >&2
    cat "$workdir/openbox.log" >&2
    return 1
  fi

  # A dock window with a partial strut along the top edge: the window
  # manager keeps other windows out of its strip and leaves it out of the
  # work area.
  trayer --edge top --align right --widthtype request --height "$panel_height" --transparent false \
    --SetDockType true --SetPartialStrut true \
    >"$workdir/trayer.log" 2>&1 </dev/null &
  trayer_pid=$!
  # The tray's panel window appears once trayer has taken the tray selection
  # (inside the frame the window manager puts round it), and is shown once
  # the window manager has managed it.
  local panel=""
  for _ in $(seq 100); do
    panel=$(panel_window)
    [ -n "$panel" ] && panel_is_viewable "$panel" && break
    sleep 0.1
  done
  if [ -z "$panel" ] || ! panel_is_viewable "$panel"; then
    echo "$0: the tray did not start:" >&2
    cat "$workdir/trayer.log" >&2
    return 1
  fi

  # trayer writes its strut only from some of its size changes, and when a
  # start on a loaded machine leaves it without one the work area stays the
  # whole screen (the failures seen had no strut on the panel's window). So
  # the strip is reserved here, on the panel's window, whatever trayer did:
  # the window manager reads the property when it manages the window and
  # again whenever it changes.
  xprop -id "$panel" -f _NET_WM_STRUT_PARTIAL 32c -set _NET_WM_STRUT_PARTIAL \
    "0, 0, $panel_height, 0, 0, 0, 0, 0, 0, $((screen_width - 1)), 0, 0"
  for _ in $(seq 100); do
    work_area_is_reserved && break
    sleep 0.1
  done
  if ! work_area_is_reserved; then
    echo "$0: the panel's strip is not reserved: $(xprop -root _NET_WORKAREA 2>&1);" \
      "the panel has $(xprop -id "$panel" _NET_WM_STRUT_PARTIAL 2>&1)" >&2
    return 1
  fi
}

# A desktop that fails to come up (seen about once in thirty starts on a
# busy machine) is started again from scratch rather than failing the run.
for attempt in 1 2 3; do
  if start_desktop; then break; fi
  stop_desktop
  if [ "$attempt" -eq 3 ]; then
    echo "$0: no display after three attempts" >&2
    exit 1
  fi
  echo "$0: starting the display again" >&2
done

echo "Running on display $DISPLAY with a window manager and a tray: $*" >&2
set +e
"$@"
status=$?
set -e
exit $status
