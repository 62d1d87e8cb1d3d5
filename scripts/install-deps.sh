#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package the program, its tests and its benchmarks need.
# Used by run.sh and test.sh; safe to run again (apt-get skips what is there).
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git
  # windows, dialogs, painting
  qt6-base-dev qt6-base-dev-tools libqt6opengl6 fonts-liberation2 libfontconfig-dev
  # a light face for the new entry in the best list (Liberation Sans has none)
  fonts-dejavu-extra
  # the rounds kept for the mistake map: Qt's SQLite driver
  libqt6sql6-sqlite
  # built-in synthesizer and its General MIDI sounds
  libfluidsynth-dev timgm6mb-soundfont libsdl2-dev
  # external MIDI ports
  librtmidi-dev libjack-jackd2-dev libasound2-dev
  # tests: a JACK server of their own, a real X server, screenshots, clicks
  jackd2 xvfb xauth x11-utils imagemagick xdotool
  # end-to-end tests: a working directory made unwritable (chattr)
  e2fsprogs
  # end-to-end tests: the rounds the program kept, read back
  sqlite3
  # benchmarks
  libbenchmark-dev
  # sanitizer and fuzzing builds
  clang libclang-rt-14-dev
  # desktop integration checks
  desktop-file-utils appstream
  # the Debian package (cpack -G DEB, its dependencies found by dpkg-shlibdeps),
  # and Qt's X11 platform plugin that the package depends on
  dpkg-dev file qt6-qpa-plugins
  # the package's check in a clean Debian root (tests/packaging/debootstrap-check.sh, by hand)
  debootstrap
  # artwork generator (tools/, only with -DQVB_BUILD_ARTWORK_TOOL=ON): the music font
  fonts-freefont-ttf
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All needed packages are installed."
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable real-time scheduling; answer for it.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $SUDO debconf-set-selections 2>/dev/null || true
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
