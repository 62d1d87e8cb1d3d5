#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the game needs, and with --tests also what its
# tests, benchmarks and checks need.
#
#   scripts/install-deps.sh           # building and playing the game (run.sh)
#   scripts/install-deps.sh --tests   # that, and the developer's tools (test.sh)
#
# Safe to run again: only what is missing is installed.
set -euo pipefail

GAME=(
  # the compiler and the build
  g++ cmake ninja-build pkg-config
  # windows, dialogs, painting (Qt's X11 platform plugin is part of libqt6gui6),
  # and fontconfig, which the program asks for its dialogs' fonts
  qt6-base-dev qt6-base-dev-tools libfontconfig-dev
  # the dialogs' fonts, and a light face for the new entry in the best list
  # (Liberation Sans has none)
  fonts-liberation2 fonts-dejavu-extra
  # built-in synthesizer and its General MIDI sounds; SDL is one of its sound outputs
  libfluidsynth-dev timgm6mb-soundfont libsdl2-dev
  # the limiter on its output is an effect in the LADSPA plugin format (its header)
  ladspa-sdk
  # external MIDI ports
  librtmidi-dev libjack-jackd2-dev libasound2-dev
  # Qt's SQLite driver: the history of rounds is kept in an SQLite file
  libqt6sql6-sqlite
  # the pitch of what the microphone hears, and the sound server's client
  # library it is captured through
  libaubio-dev libpulse-dev
)

TESTS=(
  # a JACK server of the tests' own, a real X server, screenshots, clicks
  jackd2 xvfb xauth x11-utils imagemagick xdotool
  # a real sound server with a null sink, and a second SoundFont
  pulseaudio pulseaudio-utils musescore-general-soundfont-small
  # PipeWire as Debian 12's GNOME runs it, serving PulseAudio's clients, with
  # WirePlumber on a session bus of the test's own
  pipewire pipewire-pulse wireplumber dbus
  # end-to-end tests: a working directory made unwritable (chattr)
  e2fsprogs
  # end-to-end tests: a session manager of the test's own (XSMP)
  libsm-dev libice-dev
  # end-to-end tests: the rounds the program kept, read back
  sqlite3
  # end-to-end tests: an accessibility bus, and a screen reader's view of it
  at-spi2-core python3-pyatspi
  # speech that the microphone's listener must not take for notes
  espeak-ng
  # benchmarks
  libbenchmark-dev
  # sanitizer and fuzzing builds
  clang libclang-rt-14-dev
  # desktop integration checks
  desktop-file-utils appstream
  # the Debian package (cpack -G DEB, its dependencies found by dpkg-shlibdeps)
  dpkg-dev file
  # the package's check in a clean Debian root (tests/packaging/debootstrap-check.sh, by hand)
  debootstrap
  # a small virtual machine with a real ALSA sequencer and virtual MIDI cards
  # (tests/guest/run-in-guest.sh): Debian's kernel booted by qemu, busybox in its initramfs
  qemu-system-x86 linux-image-amd64 busybox-static xz-utils cpio alsa-utils
  # artwork generator (tools/, only with -DQVB_BUILD_ARTWORK_TOOL=ON): the music font
  fonts-freefont-ttf
)

case "${1:-}" in
  "") PACKAGES=("${GAME[@]}") ;;
  --tests) PACKAGES=("${GAME[@]}" "${TESTS[@]}") ;;
  *)
    echo "usage: $0 [--tests]" >&2
    exit 2
    ;;
esac

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
