#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The JACK server dies in the middle of a round, with the program's output
# and input on it. The pupil answers the first note at the keyboard; then the
# server is killed and the second note, which the pupil heard before, is
# answered with the mouse. The round goes on: only with that second point
# does it earn a place (2 points, place 10), so the congratulation shows that
# the click was judged. The settings dialog still opens and switches back to
# the built-in synthesizer, and the program ends normally and saves the list.
set -u
BIN=${1:?usage: tst_jackkilled.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" BERT
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert BERT$' 30; main=$WIN
choose_ports "$main" 1 0

pupil echo 1
click_new_training "$main"
wait_log ' out 90' 1 30
wait_log ' in 90 [0-9a-f]{2} 7f$' 2 30
note=$(heard_note 2)

kill_jack
# The pupil's client notices, as the program's do.
wait_log 'server-gone' 1 10
kill -0 "$APP_PID" 2>/dev/null || fail "the program died with the JACK server ($(tail -5 "$E2E_TMP/app.log"))"

click_cell "$main" "$(note_cell "$note")"

# The third note is not answered: the round ends by itself.
wait_window '^Gratulation !$' 60; box=$WIN
expect_message "$box" 'Gratulation !' 'Bravo, Du hast einen Eintrag in die Bestenliste gewonnen!'
press "$box" Return
wait_window '^Bestenliste$' 30
press "$WIN" Escape
wait_gone '^Bestenliste$'

# Back to the built-in synthesizer: the settings dialog opens without the
# server, and closing the dead JACK ports on OK does not hang.
choose_ports "$main" 0 0

press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC ($(tail -5 "$E2E_TMP/app.log"))"
sed -n '1p;20,21p' "$E2E_TMP/dataGehoer.qvb" | tr -d '\r' | tr '\n' '|' | grep -qx 'BERT|BERT|  2|' ||
  fail "the list was not saved with BERT's 2 points at place 10: $(sed -n '1p;18,21p' "$E2E_TMP/dataGehoer.qvb" | tr '\r\n' '|_')"
echo "JACK server killed in a round: passed"
