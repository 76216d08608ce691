#!/usr/bin/env bash
# Installs the Debian packages Zoravel builds, tests and runs with.
# Does nothing when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  clang libclang-rt-14-dev llvm
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6
  libsqlite3-dev sqlite3 libssl-dev libical-dev libcpp-httplib-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-dejavu-extra tzdata locales xvfb xauth openbox trayer x11-utils
  # the real-window tests ask the X server what the window manager did
  libxcb1-dev
  # the web-service client verifies HTTPS against the system's trusted certificates
  ca-certificates
  # the calendar-store tests check the files they write with an independent reader
  python3 python3-icalendar python3-recurring-ical-events
  # and the round trips of series also with khal's reader
  khal
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Tests pin the C.UTF-8 locale, which Debian always has; en_US is generated for
# the 12-hour clock checks when it is missing.
if ! locale -a 2>/dev/null | grep -qi '^en_US.utf8$'; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
  $sudo_cmd locale-gen >/dev/null
fi
