#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A round in "Nur üben" answered with the mouse: the pupil's ports only
# listen, so the test knows each note from the note-on the program plays
# (90 nn 7F) and clicks its cell on the lower staff. Each right click sounds
# the clicked note at once and brings the next note after the pause of more
# than 500 ms. Three points would be place 9 of "1 Oktave": the practice
# message says so, no best-list dialog opens, and the file stays as it was.
set -u
BIN=${1:?usage: tst_practicemouse.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" CARLA
cp "$E2E_TMP/dataGehoer.qvb" "$E2E_TMP/before.qvb"
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert CARLA$' 30; main=$WIN
choose_ports "$main" 1 0

click_practice "$main"
click_new_training "$main"
wait_log ' in 90 [0-9a-f]{2} 7f$' 1 30

heard=1
for answer in 1 2 3; do
  note=$(heard_note last)
  cell=$(note_cell "$note")
  pupil mark click "$answer" on cell "$cell" for note "$note"
  click_cell "$main" "$cell"
  # The click sounds its note at once; the next, other, note follows later.
  wait_log ' in 90 [0-9a-f]{2} 7f$' $((heard + 2)) 30
  heard=$((heard + 2))
  awk -v n="$(printf %02x "$note")" -v mark="click $answer on" '
    $2 == "mark" && index($0, mark) { marked = 1; next }
    !marked || $2 != "in" || $3 != "90" { next }
    !clicked {
      if ($4 != n) { print "FAIL: the click played " $4 ", not its note " n; exit 1 }
      clicked = $1; next
    }
    {
      if ($4 == n) { print "FAIL: the same note came again"; exit 1 }
      pause = ($1 - clicked) / 1000.0
      printf "click on %s -> next note %s after %.0f ms\n", n, $4, pause
      # Both note-ons travel the same way, so their distance is the pause,
      # give or take a JACK period.
      if (pause < 495) { print "FAIL: the next note came before the pause was over"; exit 1 }
      if (pause > 1500) { print "FAIL: the next note came far too late"; exit 1 }
      exit 0
    }' "$PUPIL_LOG" || fail "a right click is not followed by the next note after the pause"
done

# No more clicks: the fourth note leaves the line, the round ends by itself.
wait_window '^Der QVB-Zazezovidavi meldet:$' 60; box=$WIN
expect_message "$box" 'Der QVB-Zazezovidavi meldet:' \
  'Bravo, Du hättest im Bereich 1 Oktave(n) den 9.Platz in der Bestenliste gewonnen!\nein Eintrag in der Bestenliste ist jedoch im Übemodus nicht möglich.\nUm den  Übemodus zu verlassen, entferne das Häkchen bei <Nur üben>!'
press "$box" Return
wait_gone '^Der QVB-Zazezovidavi meldet:$'

# Escape reaches the trainer window only when no dialog is open over it.
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
cmp "$E2E_TMP/before.qvb" "$E2E_TMP/dataGehoer.qvb" || fail "practice changed the best-list file"
# The round is kept for the mistake map, marked as practice: four notes
# asked, three right at the first click, the fourth never answered.
db="$E2E_TMP/dataGehoer.sqlite"
[ -f "$db" ] || fail "the round was not kept in dataGehoer.sqlite"
kept=$(sqlite3 "$db" "SELECT player || ' ' || practice || ' ' || cancelled FROM rounds;
  SELECT count(*) || ' ' || sum(first_right) || ' ' || count(ms_to_right) FROM asked;
  SELECT group_concat(by_midi, '') FROM answers" | tr '\n' '/')
[ "$kept" = "CARLA 1 0/4 3 3/000/" ] || fail "the round was kept as: $kept"
echo "practice round with the mouse: passed"
