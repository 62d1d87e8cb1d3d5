# SPDX-License-Identifier: GPL-3.0-or-later
# A clean Debian 12 for the checks run by hand as root: a minimal system made
# with debootstrap in a temporary folder, apt inside it, and an X server of
# the host for the game's windows. Sourced after common.sh; the caller sets
# T (the temporary folder, removed at the end) before calling make_root.
#
# QVB_DEBOOTSTRAP_CACHE (default /var/cache/qvb-debootstrap) keeps the
# downloaded packages for the next run; QVB_DEBIAN_MIRROR overrides the mirror.
MIRROR=${QVB_DEBIAN_MIRROR:-http://deb.debian.org/debian}
CACHE=${QVB_DEBOOTSTRAP_CACHE:-/var/cache/qvb-debootstrap}
XVFB_PID=""
APP_PID=""
MOUNTS=()

die() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

need_root_and_debootstrap() {
  [ "$(id -u)" -eq 0 ] || die "run as root: debootstrap and chroot need it"
  command -v debootstrap >/dev/null || die "debootstrap is missing: ./scripts/install-deps.sh --tests installs it"
}

cleanup_root() {
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  local m
  for ((m = ${#MOUNTS[@]} - 1; m >= 0; m--)); do umount -l "${MOUNTS[m]}" 2>/dev/null; done
  # Some bound folders are on the host's own file system, where
  # --one-file-system does not stop rm: nothing is removed while one is mounted.
  if grep -qF " $T/" /proc/mounts; then
    echo "still mounted under $T, left in place:" >&2
    grep -F " $T/" /proc/mounts >&2
    return
  fi
  rm -rf --one-file-system "$T"
}

mount_into() { # mount_into SOURCE TARGET [OPTIONS...]
  mkdir -p "$2"
  mount "${@:3}" "$1" "$2" && MOUNTS+=("$2")
}

# make_root ROOT: a minimal Debian 12 with apt's package lists read, the
# host's X server reachable, and apt's downloads kept in the cache.
make_root() {
  ROOT=$1
  mkdir -p "$CACHE/apt-archives/partial"
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
  mount_into "$CACHE/apt-archives" "$ROOT/var/cache/apt/archives" --bind
  in_root apt-get update -q >"$T/apt-update.log" 2>&1 ||
    { tail -20 "$T/apt-update.log" >&2; die "apt-get update did not succeed in the clean root"; }
}

in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }

# start_xvfb: an X server of the host that the root's programs reach through
# the bound /tmp/.X11-unix; sets DISPLAY.
start_xvfb() {
  local n=120
  while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -br >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  die "no X server could be started"
}

# window REGEX LOG: the id of a visible window with a matching title, within
# 60 s; the program's LOG is shown when none appears.
window() {
  local i id
  for i in $(seq 1 600); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$2" >&2
  return 1
}

escape() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.3
  xdotool key --clearmodifiers Escape
}

# ended: the game (APP_PID) ends within 30 s; sets RC to its status.
ended() {
  local i
  for i in $(seq 1 300); do
    kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID"; RC=$?; APP_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}

HELP_TITLE='^QVB-Zaradariveda - Infos$'
MAIN_TITLE='^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$'
