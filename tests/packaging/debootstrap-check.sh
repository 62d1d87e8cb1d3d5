#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package on a clean Debian 12: a minimal system made with
# debootstrap, the package installed into it with apt and nothing else (no
# recommended packages), then the game started as the menu starts it, by an
# ordinary user from /, on an X server of the host. It must come up, end with
# Escape and keep the best list in the user's data folder.
#
#   tests/packaging/debootstrap-check.sh [BUILD_DIR]
#
# Run by hand, as root (debootstrap and chroot need it), not by ctest: it
# downloads a minimal Debian 12 and the game's libraries and takes minutes.
# QVB_DEBOOTSTRAP_CACHE (default /var/cache/qvb-debootstrap) keeps the
# downloaded packages for the next run; QVB_DEBIAN_MIRROR overrides the mirror.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath "${1:-$HERE/../../build}")
MIRROR=${QVB_DEBIAN_MIRROR:-http://deb.debian.org/debian}
CACHE=${QVB_DEBOOTSTRAP_CACHE:-/var/cache/qvb-debootstrap}
. "$HERE/common.sh"

die() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || die "run as root: debootstrap and chroot need it"
command -v debootstrap >/dev/null || die "debootstrap is missing: ./scripts/install-deps.sh installs it"
[ -f "$BUILD/CPackConfig.cmake" ] || die "no configured build in $BUILD"

T=$(mktemp -d /var/tmp/qvb-debootstrap.XXXXXX)
ROOT=$T/root
XVFB_PID=""
APP_PID=""
MOUNTS=()
cleanup() {
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  local m
  for ((m = ${#MOUNTS[@]} - 1; m >= 0; m--)); do umount -l "${MOUNTS[m]}" 2>/dev/null; done
  rm -rf --one-file-system "$T"
}
trap cleanup EXIT
step() { echo "== $*"; }
mount_into() { # mount_into SOURCE TARGET [OPTIONS...]
  mkdir -p "$2"
  mount "${@:3}" "$1" "$2" && MOUNTS+=("$2")
}

step "making the package"
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T/out" >"$T/cpack.log" 2>&1 ||
  { cat "$T/cpack.log" >&2; die "cpack -G DEB did not succeed"; }
DEB=$(ls "$T"/out/*.deb)

step "a minimal Debian 12 in $ROOT (mirror $MIRROR)"
mkdir -p "$CACHE"
debootstrap --variant=minbase --cache-dir="$CACHE" bookworm "$ROOT" "$MIRROR" >"$T/debootstrap.log" 2>&1 ||
  { tail -20 "$T/debootstrap.log" >&2; die "debootstrap did not succeed"; }
cat >"$ROOT/etc/apt/sources.list" <<SOURCES
deb $MIRROR bookworm main
deb $MIRROR bookworm-updates main
SOURCES
mount_into proc "$ROOT/proc" -t proc
mount_into /dev "$ROOT/dev" --bind
mount_into tmpfs "$ROOT/dev/shm" -t tmpfs -o mode=1777
mount_into /tmp/.X11-unix "$ROOT/tmp/.X11-unix" --bind

step "installing the package with apt, without recommended packages"
cp "$DEB" "$ROOT/tmp/"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -q >"$T/apt.log" 2>&1 &&
  in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$DEB")" >>"$T/apt.log" 2>&1 ||
  { tail -30 "$T/apt.log" >&2; die "apt could not install the package"; }
echo "packages set up: $(grep -c '^Setting up' "$T/apt.log")"
check "the package is installed" in_root dpkg-query -W qvb-zaradariveda
check "its dependencies are consistent" in_root apt-get check -q
check "the menu entry is in place" test -f "$ROOT/usr/share/applications/qvb-zaradariveda.desktop"
check "the General MIDI SoundFont is in place" test -e "$ROOT/usr/share/sounds/sf2/default-GM.sf2"
check "the menu's icon is in place" test -f "$ROOT/usr/share/icons/hicolor/48x48/apps/qvb-zaradariveda.png"
in_root useradd --create-home --shell /bin/sh pupil || die "no user could be made"

step "starting the game as the menu does, from /, as the user pupil"
n=120
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -br >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$n"
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
start_game() {
  chroot --userspec=pupil:pupil "$ROOT" env -i PATH=/usr/bin:/bin HOME=/home/pupil USER=pupil \
    DISPLAY="$DISPLAY" QVB_SYNTH_AUDIO=file:/tmp/synth.wav \
    sh -c 'cd / && exec qvb-zaradariveda' >"$T/app.log" 2>&1 &
  APP_PID=$!
}
# window REGEX: the id of a visible window with a matching title, within 60 s.
window() {
  local i id
  for i in $(seq 1 600); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$T/app.log" >&2
  return 1
}
escape() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.3
  xdotool key --clearmodifiers Escape
}
ended() {
  local i
  for i in $(seq 1 300); do
    kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID"; RC=$?; APP_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}
MAIN='^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$'
start_game
help=$(window '^QVB-Zaradariveda - Infos$') || die "the help page of the first start did not show"
escape "$help"
main=$(window "$MAIN") || die "the trainer window did not show"
[ -n "${SHOT:-}" ] && import -window root "$SHOT"
escape "$main"
ended || die "the game did not end with Escape"
check "the game ended with status 0 (got $RC)" test "$RC" -eq 0
check "the best list is in the user's data folder" \
  test -f "$ROOT/home/pupil/.local/share/qvb-zaradariveda/dataGehoer.qvb"
check "nothing was written into /" test ! -e "$ROOT/dataGehoer.qvb"

step "starting it again: the best list is found"
start_game
main=$(window "$MAIN") || die "the trainer window did not show on the second start"
escape "$main"
ended || die "the game did not end with Escape"
check "the second start ended with status 0 (got $RC)" test "$RC" -eq 0

finish "clean Debian 12"
