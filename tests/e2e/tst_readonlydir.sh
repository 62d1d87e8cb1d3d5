#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A working directory that cannot be written, with a best list in it that
# cannot be written either: the program reads the list, runs a round, and
# ends without a message and without a crash; the file and the directory are
# as they were. The tests run as root, whom permission bits do not stop, so
# the directory and the file are made immutable (chattr +i) for the run.
set -u
BIN=${1:?usage: tst_readonlydir.sh PROGRAM}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh" # for the clicks; no JACK server is started

DIR="$E2E_TMP/locked"
mkdir "$DIR"
write_best_list "$DIR/dataGehoer.qvb" EMIL
cp "$DIR/dataGehoer.qvb" "$E2E_TMP/before.qvb"
unlock() { chattr -i "$DIR/dataGehoer.qvb" "$DIR" 2>/dev/null; }
trap 'unlock; pupil_cleanup' EXIT
if ! chattr +i "$DIR/dataGehoer.qvb" "$DIR" 2>/dev/null; then
  echo "SKIP: this file system cannot make a directory immutable (chattr +i)"
  exit 77
fi
if (touch "$DIR/probe" || : >>"$DIR/dataGehoer.qvb") 2>/dev/null; then
  fail "the locked directory can still be written"
fi
listing() { ls -la --time-style=+%s.%N "$DIR" | grep -v ' \.\.$'; }
listing_before=$(listing)

start_x
start_app_in "$DIR" "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert EMIL$' 30; main=$WIN
wait_painted "$main"
click_new_training "$main"
click_dlu "$main" 635 36 61 19 # "Training abbrechen"
press "$main" Escape
# A message box would hold the program open.
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC ($(tail -5 "$E2E_TMP/app.log"))"
cmp "$E2E_TMP/before.qvb" "$DIR/dataGehoer.qvb" || fail "the best-list file changed"
! grep -qi 'dataGehoer' "$E2E_TMP/app.log" || fail "the program spoke of the file: $(cat "$E2E_TMP/app.log")"
[ "$(listing)" = "$listing_before" ] || fail "the directory changed: $(ls -la "$DIR")"
echo "working directory that cannot be written: passed"
