#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A pupil plays a whole round at a MIDI keyboard on JACK: chooses the ports
# in the MIDI settings dialog, answers five notes right, one wrong (the right
# pitch an octave too high), then nothing, until the round ends by itself.
# Checked as the pupil hears and sees it: each right answer brings the next
# note at once, the wrong one brings the same note again, five points earn
# place 7 of "1 Oktave": the congratulation, the best list with the new entry
# highlighted, and after Escape the file with the entry under the player's name.
set -u
BIN=${1:?usage: tst_pupilround.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"
. "$HERE/bestlistshots.sh"

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" ANNA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert ANNA$' 30; main=$WIN

# The list as it stands, for comparison with the award later.
wait_painted "$main"
click_best_list "$main"
wait_window '^Bestenliste$' 30
shoot_best_list "$WIN" before
press "$WIN" Escape
wait_gone '^Bestenliste$'

# The pupil was there before the program started, so its keyboard (pupil:out)
# is already input device 0; its ears (pupil:in) are output device 1, after
# the built-in synthesizer. Both are chosen as a pupil would.
choose_ports "$main" 1 0
[ "$(log_count ' in ')" = 0 ] || fail "the program played to the pupil before a round: $(cat "$PUPIL_LOG")"

pupil echo 5
click_new_training "$main"
wait_log ' out 90' 5 30
wait_log ' in 90 [0-9a-f]{2} 7f$' 6 30

# Every right answer: the next note comes at once (silence, then its
# note-on), at the next tick, never after the pause a click would cause
# (500 ms); and never the same note twice in a row. A busy machine delays a
# tick by tens of milliseconds, so the bound is half that pause, which an
# answer that waited for it could not meet.
awk '
  $2 == "out" { answered = $1; answer = $4; next }
  $2 == "in" && $3 == "b0" && answered { silenced = 1; next }
  $2 == "in" && $3 == "90" && answered {
    if (!silenced) { print "FAIL: the next note came without silence first"; bad = 1 }
    if ($4 == answer) { print "FAIL: the same note " answer " was asked twice in a row"; bad = 1 }
    gap = ($1 - answered) / 1000.0
    printf "answer %s -> next note %s after %.1f ms\n", answer, $4, gap
    gaps[++n] = gap
    answered = 0; silenced = 0
  }
  END {
    if (n != 5) { print "FAIL: " n " next notes after 5 answers"; exit 1 }
    for (i = 1; i <= n; i++) { if (gaps[i] >= 250) { print "FAIL: a next note came " gaps[i] " ms late"; bad = 1 } }
    exit bad
  }' "$PUPIL_LOG" || fail "right answers do not bring the next note at once"

# A wrong answer: the same pitch an octave higher. The right note sounds again
# at once (again well within the pause a wrong click waits), without silence
# before it.
note6=$(heard_note 6)
pupil mark wrong answer
pupil play $((note6 + 12))
wait_log " in 90 $(printf %02x "$note6") 7f$" 2 10
awk -v n="$(printf %02x "$note6")" -v w="$(printf %02x $((note6 + 12)))" '
  $2 == "mark" { marked = 1; next }
  marked && $2 == "out" && $4 == w { wrongAt = $1; next }
  wrongAt && $2 == "in" {
    if ($3 == "b0") { print "FAIL: silence after the wrong answer"; exit 1 }
    if ($3 == "90") {
      if ($4 != n) { print "FAIL: note " $4 " after the wrong answer, not " n; exit 1 }
      printf "wrong answer %s -> note %s again after %.1f ms\n", w, n, ($1 - wrongAt) / 1000.0
      if ($1 - wrongAt >= 250000) { print "FAIL: too late"; exit 1 }
      exit 0
    }
  }
  END { if (!wrongAt) { print "FAIL: the wrong answer was not played"; exit 1 } }' "$PUPIL_LOG" ||
  fail "a wrong answer is not answered with the right note"

# Now silence: the sixth note leaves the line and the round ends by itself.
# Its five points have landed on the pile long before.
wait_window '^Gratulation !$' 60; box=$WIN
last=$(tail -n 1 "$PUPIL_LOG")
echo "$last" | grep -q ' in b0 78 00$' || fail "the round did not end with silence: $last"
expect_message "$box" 'Gratulation !' 'Bravo, Du hast einen Eintrag in die Bestenliste gewonnen!'
press "$box" Return
wait_gone '^Gratulation !$'

wait_window '^Bestenliste$' 30
shoot_best_list "$WIN" award
press "$WIN" Escape
wait_gone '^Bestenliste$'
click_best_list "$main"
wait_window '^Bestenliste$' 30
shoot_best_list "$WIN" after
press "$WIN" Escape
wait_gone '^Bestenliste$'

# Column 1, place 7 holds the new entry; the places above it are untouched,
# the ones below moved down; the other columns did not change. The award
# shows the list that the "Bestenliste" button shows afterwards. (Its
# highlight font for the new entry maps to the same face and size as the
# dialog's own font here, so place 7 is not compared between those two.)
for c in 1 2 3 4; do
  for p in $(seq 1 10); do
    for part in name points; do
      if [ "$c" = 1 ] && [ "$p" -ge 7 ]; then
        cells_differ before award "$c" "$p" "$part"
      else
        cells_same before award "$c" "$p" "$part"
      fi
      if [ "$c" != 1 ] || [ "$p" != 7 ]; then
        cells_same award after "$c" "$p" "$part"
      fi
    done
  done
done

press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"

# The file: the default list with ANNA's 5 points at place 7 of column 1.
names=(Tirn Ruvenau Kelmstedt Harbolt Sondo Pirok Quendel Brassel Falkendt Mirol)
{
  printf 'ANNA\r\n'
  for p in 0 1 2 3 4 5; do printf '%s\r\n%3d\r\n' "${names[$p]}" $((10 - p)); done
  printf 'ANNA\r\n  5\r\n'
  for p in 6 7 8; do printf '%s\r\n%3d\r\n' "${names[$p]}" $((10 - p)); done
  for c in 2 3 4; do
    for p in $(seq 0 9); do printf '%s\r\n%3d\r\n' "${names[$p]}" $((10 - p)); done
  done
} >"$E2E_TMP/expected.qvb"
cmp "$E2E_TMP/expected.qvb" "$E2E_TMP/dataGehoer.qvb" ||
  fail "the best-list file is not the expected list: $(head -c 400 "$E2E_TMP/dataGehoer.qvb" | tr '\r\n' '|_')"
echo "pupil round: passed"
