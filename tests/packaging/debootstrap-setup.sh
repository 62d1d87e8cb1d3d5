#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The set-up of ./run.sh and ./test.sh on a clean Debian 12: a minimal system
# made with debootstrap, the sources copied into it, then
#   1. scripts/install-deps.sh, what ./run.sh installs: the packages and
#      megabytes it adds; the game configured as ./run.sh configures it, built,
#      and started on an X server of the host (help page, trainer, Escape);
#   2. scripts/install-deps.sh --tests, what ./test.sh adds: its packages and
#      megabytes; the build configured with the tests and benchmarks.
# The figures are those of the README's set-up section.
#
#   tests/packaging/debootstrap-setup.sh [SOURCE_DIR]
#
# Run by hand, as root, not by ctest: it downloads about 300 MB of packages and builds
# the game on the machine's cores. QVB_DEBOOTSTRAP_CACHE, QVB_DEBIAN_MIRROR:
# see debianroot.sh.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(realpath "${1:-$HERE/../..}")
. "$HERE/common.sh"
. "$HERE/debianroot.sh"

need_root_and_debootstrap
[ -x "$SRC/scripts/install-deps.sh" ] || die "no sources in $SRC"

T=$(mktemp -d /var/tmp/qvb-setup.XXXXXX)
trap cleanup_root EXIT

# installed: "PACKAGES KIB" of what dpkg has installed in the root.
# not_installed PACKAGE: dpkg knows of no installed PACKAGE in the root.
not_installed() {
  ! in_root dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null | grep -qx installed
}
installed() {
  in_root dpkg-query -W -f='${db:Status-Status} ${Installed-Size}\n' |
    awk '$1 == "installed" { n++; kib += $2 } END { print n, kib }'
}
# added BEFORE AFTER: "N packages, M MB" between two readings of installed,
# in apt's megabytes of 1000 kB.
added() {
  local n0 k0 n1 k1
  read -r n0 k0 <<<"$1"
  read -r n1 k1 <<<"$2"
  echo "$((n1 - n0)) packages, $((((k1 - k0) * 1024 + 500000) / 1000000)) MB"
}

step "a minimal Debian 12 in $T/root (mirror $MIRROR)"
make_root "$T/root"
mkdir -p "$ROOT/usr/src/qvb"
tar -C "$SRC" --exclude='./build*' --exclude=./.git -c . | tar -x -C "$ROOT/usr/src/qvb" ||
  die "the sources could not be copied into the root"
base=$(installed)
echo "the clean root: $base (packages, KiB)"

step "what ./run.sh installs"
in_root /usr/src/qvb/scripts/install-deps.sh >"$T/game.log" 2>&1 ||
  { tail -30 "$T/game.log" >&2; die "the game's packages could not be installed"; }
game=$(installed)
GAME_ADDED=$(added "$base" "$game")
echo "the game: $GAME_ADDED ($(grep -o 'After this operation.*' "$T/game.log"))"
check "a second run finds everything installed" \
  grep -q 'All needed packages are installed' <(in_root /usr/src/qvb/scripts/install-deps.sh)
check "Google Benchmark is not among them" not_installed libbenchmark-dev
check "clang is not among them" not_installed clang
check "no JACK server is among them" not_installed jackd2
check "no X server is among them" not_installed xvfb

step "building the game as ./run.sh does, with only those packages"
RUN_CMAKE=$(grep -E '^cmake -S \. -B build ' "$SRC/run.sh")
[ -n "$RUN_CMAKE" ] || die "no cmake line in run.sh"
in_root sh -c "cd /usr/src/qvb && $RUN_CMAKE" >"$T/configure.log" 2>&1 ||
  { tail -30 "$T/configure.log" >&2; die "the game could not be configured ($RUN_CMAKE)"; }
in_root nice cmake --build /usr/src/qvb/build >"$T/build.log" 2>&1 ||
  { tail -30 "$T/build.log" >&2; die "the game could not be built"; }
echo "built: $(grep -c '^\[' "$T/build.log") build steps"
check "the program is built" test -x "$ROOT/usr/src/qvb/build/QVB-Vevivivodarav"
check "no test program is built" test ! -e "$ROOT/usr/src/qvb/build/tests"

step "starting it on an X server of the host"
start_xvfb
mkdir -p "$ROOT/tmp/player/home"
chroot "$ROOT" env -i PATH=/usr/bin:/bin HOME=/tmp/player/home DISPLAY="$DISPLAY" \
  QVB_SYNTH_AUDIO=file:/tmp/player/synth.wav \
  sh -c 'cd /tmp/player && exec /usr/src/qvb/build/QVB-Vevivivodarav' >"$T/app.log" 2>&1 &
APP_PID=$!
help=$(window "$HELP_TITLE" "$T/app.log") || die "the help page of the first start did not show"
escape "$help"
main=$(window "$MAIN_TITLE" "$T/app.log") || die "the trainer window did not show"
escape "$main"
ended || die "the game did not end with Escape"
check "the game ended with status 0 (got $RC)" test "$RC" -eq 0
check "the best list was written" test -f "$ROOT/tmp/player/dataGehoer.qvb"

step "what ./test.sh adds"
in_root /usr/src/qvb/scripts/install-deps.sh --tests >"$T/tests.log" 2>&1 ||
  { tail -30 "$T/tests.log" >&2; die "the tests' packages could not be installed"; }
tests=$(installed)
TESTS_ADDED=$(added "$game" "$tests")
echo "the tests: $TESTS_ADDED ($(grep -o 'After this operation.*' "$T/tests.log"))"
TEST_CMAKE=$(grep -E '^cmake -S \. -B build ' "$SRC/test.sh")
[ -n "$TEST_CMAKE" ] || die "no cmake line in test.sh"
in_root sh -c "cd /usr/src/qvb && $TEST_CMAKE" >"$T/configure-tests.log" 2>&1
check "the build is configured with the tests and benchmarks ($TEST_CMAKE)" test $? -eq 0
check "a JACK server is there for the tests" test -x "$ROOT/usr/bin/jackd"

echo "./run.sh adds $GAME_ADDED to a minimal Debian 12; ./test.sh adds $TESTS_ADDED more"
finish "set-up on a clean Debian 12"
