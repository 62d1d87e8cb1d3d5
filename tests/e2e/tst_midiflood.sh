#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A flood at the MIDI input: 5000 note-ons a second for six seconds, all of a
# note no round asks (MIDI 20). Each timer message takes at most one of them
# and judges it wrong, which plays the right note again: so the pupil hears
# that note once per timer message (100 a second from the round's timer, one
# from the one-second timer), not thousands of times. Meanwhile the window
# answers clicks, the view goes on moving, the first note still leaves the
# line in its 1667th tick, and the round ends with 0 points and the message.
set -u
BIN=${1:?usage: tst_midiflood.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

FLOOD_RATE=5000
FLOOD_SECONDS=6

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" DORA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert DORA$' 30; main=$WIN
choose_ports "$main" 1 0

click_new_training "$main"
wait_log ' in 90 [0-9a-f]{2} 7f$' 1 30
pupil flood "$FLOOD_RATE" "$FLOOD_SECONDS" 20
wait_log 'flood-start' 1 10

# While it floods: "Ruhe jetzt!" is heard within half a second, three times,
# and the view shows the bar moving.
view_shot() { import -window "$main" -crop 938x403+11+11 +repage "$E2E_TMP/view-$1.png"; }
view_shot 1
for i in 1 2 3; do
  before=$(log_count ' in b0 78 00$')
  pupil mark silence "$i"
  click_silence "$main"
  wait_log ' in b0 78 00$' $((before + 1)) 10
  awk -v mark="silence $i" '
    $2 == "mark" && $3 " " $4 == mark { at = $1; next }
    at && $2 == "in" && $3 == "b0" {
      printf "silence %d ms after the click\n", ($1 - at) / 1000; exit ($1 - at > 500000) }' "$PUPIL_LOG" ||
    fail "the window took more than half a second to answer a click during the flood"
done
view_shot 2
[ "$(compare -metric AE "$E2E_TMP/view-1.png" "$E2E_TMP/view-2.png" null: 2>&1)" != 0 ] ||
  fail "the view stood still during the flood"
wait_log 'flood-end' 1 30

# The first note's own replays during the flood: one per timer message.
first=$(printf %02x "$(heard_note 1)")
awk -v n="$first" -v rate="$FLOOD_RATE" -v secs="$FLOOD_SECONDS" '
  $2 == "flood-start" { start = $1; next }
  $2 == "flood-end" { end = $1; sent = $3; next }
  start && !end && $2 == "in" && $3 == "90" && $4 == n { replays++ }
  END {
    span = (end - start) / 1e6
    perSecond = replays / span
    printf "flood: %d note-ons in %.2f s; %d judged (%.1f per second)\n", sent, span, replays, perSecond
    if (sent < rate * secs) { print "FAIL: the pupil sent only " sent; exit 1 }
    # 101 timer messages a second, within 5%
    if (perSecond < 101 * 0.95 || perSecond > 101 * 1.05) { print "FAIL: not one judged note per timer message"; exit 1 }
  }' "$PUPIL_LOG" || fail "the flood was not judged at the timer's rate"

wait_window '^Der QVB-Zaradariveda meldet:$' 60; box=$WIN
# The first note leaves the line in its 1667th tick, flood or not.
awk -v n="$first" '
  !t0 && $2 == "in" && $3 == "90" && $4 == n { t0 = $1 }
  $2 == "in" && $3 == "b0" { last = $1 }
  END {
    s = (last - t0) / 1e6
    printf "first note on the line for %.3f s\n", s
    if (s < 16.67 * 0.95 || s > 16.67 * 1.05) { print "FAIL: the ticks lost their rate"; exit 1 }
  }' "$PUPIL_LOG" || fail "the round did not keep its time"
expect_message "$box" 'Der QVB-Zaradariveda meldet:' \
  'Bravo, Du hast 0 Punkte errungen!\nLeider reicht es diesmal nicht für einen Eintrag in der Bestenliste.\nWeiterüben!!!'
press "$box" Return
wait_gone '^Der QVB-Zaradariveda meldet:$'
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
echo "MIDI flood: passed"
