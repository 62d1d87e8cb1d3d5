#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program killed (SIGKILL) while it saves the best list, again and again
# at random moments: the file must always hold either the old list or the
# new one, complete. The old file is a valid list in a form the program does
# not write itself (LF line ends), so old and new differ byte for byte. The
# save is slowed down by a preloaded library (slowsave), so that many of the
# kills land in the middle of it; leftovers beside the file show how many did.
# Then the same for a list with a second name, which is rewritten in place:
# a kill may leave it unfinished on the disk, and the next start must take
# back the old list or the new one, complete, under both names.
set -u
BIN=${1:?usage: tst_killsave.sh PROGRAM SLOWSAVE.so}
SLOWSAVE=$(realpath "${2:?}")
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh" # write_best_list; no JACK server is started

ROUNDS=${KILLSAVE_ROUNDS:-40}
write_best_list "$E2E_TMP/new.qvb" GRETA
tr -d '\r' <"$E2E_TMP/new.qvb" >"$E2E_TMP/old.qvb"
FILE="$E2E_TMP/dataGehoer.qvb"

start_x
# The program alone gets the slow saves.
printf '#!/bin/sh\nLD_PRELOAD="%s" exec "%s" "$@"\n' "$SLOWSAVE" "$(realpath "$BIN")" >"$E2E_TMP/slowapp"
chmod +x "$E2E_TMP/slowapp"
PLAIN_BIN=$BIN
BIN="$E2E_TMP/slowapp"

# run_once DELAY_MS: start, wait for the window, SIGTERM (which ends the
# window the normal way, and saves), SIGKILL DELAY_MS later; sets RESULT.
run_once() {
  cp "$E2E_TMP/old.qvb" "$FILE"
  kill -0 "$XVFB_PID" 2>/dev/null && xdpyinfo >/dev/null 2>&1 ||
    fail "the test's X server $DISPLAY went away (pid $XVFB_PID), not the program's doing"
  start_app "$BIN"
  wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert GRETA$' 30
  kill -TERM "$APP_PID"
  if [ "$1" != none ]; then
    sleep "$(printf '0.%03d' "$1")"
    kill -9 "$APP_PID" 2>/dev/null
  fi
  wait_exit 30 2>/dev/null # no word from the shell about the kill
  if [ -n "$SECOND" ] && ! cmp -s "$FILE" "$E2E_TMP/old.qvb" && ! cmp -s "$FILE" "$E2E_TMP/new.qvb"; then
    # Cut off in the middle of the rewrite: the next start takes the whole
    # list back (it is killed at once, so it saves nothing of its own).
    CUT=$((CUT + 1))
    start_app "$PLAIN_BIN"
    wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert GRETA$' 30
    kill -9 "$APP_PID"
    wait_exit 30 2>/dev/null
  fi
  [ -z "$SECOND" ] || cmp -s "$FILE" "$SECOND" || fail "the second name no longer sees the list"
  if cmp -s "$FILE" "$E2E_TMP/old.qvb"; then
    RESULT=old
  elif cmp -s "$FILE" "$E2E_TMP/new.qvb"; then
    RESULT=new
  else
    cp "$FILE" "$E2E_TMP/broken.qvb"
    fail "after a kill $1 ms into the shutdown the file is neither list: $(head -c 300 "$E2E_TMP/broken.qvb" | od -c | head -5)"
  fi
}

# run_series: RUNS rounds of run_once; counts OLD, NEW and how many a
# kill cut off mid-way (CUT, for the rewrite in place).
run_series() {
  # A shutdown that is not cut short saves the new list; its length tells how
  # long after SIGTERM to kill.
  local start span before t0 shutdown i delay
  start=$(date +%s%N)
  run_once none
  [ "$RESULT" = new ] || fail "an uninterrupted shutdown did not save the list"
  span=$((($(date +%s%N) - start) / 1000000))
  echo "an uninterrupted start and shutdown: $span ms"
  cp "$E2E_TMP/old.qvb" "$FILE"
  before=$(date +%s%N); start_app "$BIN"; wait_window 'Es trainiert GRETA$' 30
  t0=$(date +%s%N); kill -TERM "$APP_PID"; wait_exit 30
  shutdown=$((($(date +%s%N) - t0) / 1000000))
  echo "shutdown after SIGTERM, with the slowed save: $shutdown ms"
  [ "$shutdown" -lt 999 ] || shutdown=999

  OLD=0 NEW=0 CUT=0
  for i in $(seq 1 "$ROUNDS"); do
    delay=$((RANDOM % (shutdown + 20)))
    [ "$delay" -gt 999 ] && delay=999
    run_once "$delay"
    [ "$RESULT" = old ] && OLD=$((OLD + 1)) || NEW=$((NEW + 1))
  done
  [ "$OLD" -gt 0 ] && [ "$NEW" -gt 0 ] || fail "the kills never fell both before and after the save"
}

SECOND=""
run_series
left=$(find "$E2E_TMP" -maxdepth 1 -name '.dataGehoer.qvb.*' | wc -l)
echo "$ROUNDS kills: $OLD times the old list, $NEW times the new one; $left saves cut off half-way (their leftovers beside the file)"
[ "$left" -gt 0 ] || fail "no kill fell into a save: the test proves nothing"

# A second name: the list is rewritten where it is.
rm -f "$FILE"
cp "$E2E_TMP/old.qvb" "$FILE"
SECOND="$E2E_TMP/klasse.qvb"
ln "$FILE" "$SECOND"
run_series
echo "$ROUNDS kills in place: $OLD times the old list, $NEW times the new one; $CUT rewrites cut off half-way, taken back whole at the next start"
[ "$CUT" -gt 0 ] || fail "no kill fell into a rewrite in place: the test proves nothing"
[ "$(find "$E2E_TMP" -maxdepth 1 -name '.dataGehoer.qvb.*' | wc -l)" = "$left" ] ||
  fail "a rewrite in place left a file beside the list"
echo "killed while saving: passed"
