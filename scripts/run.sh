#!/usr/bin/env bash
# Installs what is missing, builds and starts the organizer: its icon in the
# desktop's tray, the splash, then the main window under the icon (on a first
# start, the wizard instead). Quit from the icon's right-click menu.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ ! -x build/Sources/App/zoravel ]; then
  echo "$0: the program was not built (see the cmake output above)" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "$0: no desktop to show the organizer on (DISPLAY is not set)." >&2
  echo "To try it on a private X server with a tray: scripts/with-display.sh build/Sources/App/zoravel" >&2
  exit 1
fi
exec build/Sources/App/zoravel "$@"
