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
# QVB_DEBOOTSTRAP_CACHE and QVB_DEBIAN_MIRROR: see debianroot.sh.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath "${1:-$HERE/../../build}")
. "$HERE/common.sh"
. "$HERE/debianroot.sh"

need_root_and_debootstrap
[ -f "$BUILD/CPackConfig.cmake" ] || die "no configured build in $BUILD"

T=$(mktemp -d /var/tmp/qvb-debootstrap.XXXXXX)
trap cleanup_root EXIT

step "making the package"
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T/out" >"$T/cpack.log" 2>&1 ||
  { cat "$T/cpack.log" >&2; die "cpack -G DEB did not succeed"; }
DEB=$(ls "$T"/out/*.deb)

step "a minimal Debian 12 in $T/root (mirror $MIRROR)"
make_root "$T/root"

step "installing the package with apt, without recommended packages"
cp "$DEB" "$ROOT/tmp/"
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$DEB")" >"$T/apt.log" 2>&1 ||
  { tail -30 "$T/apt.log" >&2; die "apt could not install the package"; }
echo "packages set up: $(grep -c '^Setting up' "$T/apt.log")"
check "the package is installed" in_root dpkg-query -W qvb-zaradariveda
check "its dependencies are consistent" in_root apt-get check -q
check "the menu entry is in place" test -f "$ROOT/usr/share/applications/qvb-zaradariveda.desktop"
check "the General MIDI SoundFont is in place" test -e "$ROOT/usr/share/sounds/sf2/default-GM.sf2"
check "the menu's icon is in place" test -f "$ROOT/usr/share/icons/hicolor/48x48/apps/qvb-zaradariveda.png"
in_root useradd --create-home --shell /bin/sh pupil || die "no user could be made"

step "starting the game as the menu does, from /, as the user pupil"
start_xvfb
start_game() {
  chroot --userspec=pupil:pupil "$ROOT" env -i PATH=/usr/bin:/bin HOME=/home/pupil USER=pupil \
    DISPLAY="$DISPLAY" QVB_SYNTH_AUDIO=file:/tmp/synth.wav \
    sh -c 'cd / && exec qvb-zaradariveda' >"$T/app.log" 2>&1 &
  APP_PID=$!
}
start_game
help=$(window "$HELP_TITLE" "$T/app.log") || die "the help page of the first start did not show"
escape "$help"
main=$(window "$MAIN_TITLE" "$T/app.log") || die "the trainer window did not show"
[ -n "${SHOT:-}" ] && import -window root "$SHOT"
escape "$main"
ended || die "the game did not end with Escape"
check "the game ended with status 0 (got $RC)" test "$RC" -eq 0
check "the best list is in the user's data folder" \
  test -f "$ROOT/home/pupil/.local/share/qvb-zaradariveda/dataGehoer.qvb"
check "nothing was written into /" test ! -e "$ROOT/dataGehoer.qvb"

step "starting it again: the best list is found"
start_game
main=$(window "$MAIN_TITLE" "$T/app.log") || die "the trainer window did not show on the second start"
escape "$main"
ended || die "the game did not end with Escape"
check "the second start ended with status 0 (got $RC)" test "$RC" -eq 0

finish "clean Debian 12"
