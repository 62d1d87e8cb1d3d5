#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A flood at the MIDI input: 5000 note-ons a second through a whole round,
# all of a note no round asks (MIDI 20). Each timer message takes at most one
# of them and judges it wrong, which plays the right note again: so the pupil
# hears that note once per timer message, not thousands of times. Meanwhile
# the window answers clicks, the view goes on moving, the first note still
# leaves the line in its 1667th tick, and the round ends with 0 points and the
# message. A busy machine delivers fewer timer messages a second; so the
# replays are held against the ticks the note took to cross the line, not
# against the seconds that took.
set -u
BIN=${1:?usage: tst_midiflood.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

FLOOD_RATE=5000

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" DORA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert DORA$' 30; main=$WIN
choose_ports "$main" 1 0

# The flood runs before the round starts (the input is not started yet and
# takes nothing), so every timer message of the round finds a note waiting.
pupil flood "$FLOOD_RATE" 600 20
wait_log 'flood-start' 1 10
click_new_training "$main"
wait_log ' in 90 [0-9a-f]{2} 7f$' 1 30

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
wait_window '^Der QVB-Zaradariveda meldet:$' 60; box=$WIN
pupil stop
wait_log 'flood-end' 1 10

# From the first note-on to the silence that ends the round: the first note's
# replays, one per timer message that found a note. The round's timer moved
# the note 1667 times (913 to below 80, half a pixel a tick) and the
# one-second timer came once a second: more replays than those messages, and
# a message judged several notes. Every JACK cycle brings notes, but a message
# that follows the one before within a JACK period finds the mailbox empty:
# the one-second timer's beside a tick, on a busy machine a late tick's
# successor. Up to 5% of the ticks may do so; more, and notes were lost.
# The flood itself is held against the JACK frames it lasted.
first=$(printf %02x "$(heard_note 1)")
awk -v n="$first" -v rate="$FLOOD_RATE" '
  $2 == "flood-end" { sent = $3; frames = $4; next }
  !t0 && $2 == "in" && $3 == "90" && $4 == n { t0 = $1; next }
  t0 && $2 == "in" && $3 == "90" && $4 == n { replays++; next }
  t0 && $2 == "in" && $3 == "b0" { last = $1; judged = replays }
  END {
    span = (last - t0) / 1e6
    expected = rate * frames / 48000
    printf "flood: %d note-ons in %d JACK frames (%.0f expected)\n", sent, frames, expected
    if (sent < expected - rate * 128 / 48000 * 20 || sent > expected + 1) { print "FAIL: the pupil did not flood at its rate"; exit 1 }
    low = int(1667 * 0.95); high = 1667 + int(span) + 2
    printf "first note on the line for %.3f s: %d judged, %d timer messages at most\n", span, judged, high
    if (judged > high) { print "FAIL: more judged notes than timer messages"; exit 1 }
    if (judged < low) { print "FAIL: fewer than " low " judged notes in 1667 ticks"; exit 1 }
  }' "$PUPIL_LOG" || fail "the flood was not judged once per timer message"

expect_message "$box" 'Der QVB-Zaradariveda meldet:' \
  'Bravo, Du hast 0 Punkte errungen!\nLeider reicht es diesmal nicht für einen Eintrag in der Bestenliste.\nWeiterüben!!!'
press "$box" Return
wait_gone '^Der QVB-Zaradariveda meldet:$'
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
echo "MIDI flood: passed"
