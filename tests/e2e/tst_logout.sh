#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A logout that asks first (the session's commit-data request) and is then
# cancelled: the best list is saved at the request, and the window stays and
# goes on as before. The session's real end, SIGTERM, still ends it normally.
# Then the same in the middle of a round, and the session really ends (the
# session manager's "die"): the round is kept as cancelled, with its answer.
set -u
BIN=${1:?usage: tst_logout.sh PROGRAM SESSIONMANAGER}
SM_BIN=$(realpath "${2:?}")
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh" # write_best_list; no JACK server is started

SM_PID=""
trap '[ -n "$SM_PID" ] && kill "$SM_PID" 2>/dev/null; cleanup' EXIT

# wait_said LINE [COUNT]: the session manager has said LINE (COUNT times).
wait_said() {
  local i
  for i in $(seq 1 200); do
    [ "$(grep -cx "$1" "$E2E_TMP/sm.out" 2>/dev/null)" -ge "${2:-1}" ] && return 0
    sleep 0.05
  done
  fail "the session manager never said '$1': $(tr '\n' '|' <"$E2E_TMP/sm.out")"
}

start_x
mkfifo "$E2E_TMP/sm.in"
"$SM_BIN" <"$E2E_TMP/sm.in" >"$E2E_TMP/sm.out" 2>&1 &
SM_PID=$!
exec 8>"$E2E_TMP/sm.in"
for i in $(seq 1 100); do [ -s "$E2E_TMP/sm.out" ] && break; sleep 0.05; done
SESSION_MANAGER=$(head -n 1 "$E2E_TMP/sm.out")
[ -n "$SESSION_MANAGER" ] || fail "the session manager did not start"
export SESSION_MANAGER

write_best_list "$E2E_TMP/dataGehoer.qvb" HANNA
cp "$E2E_TMP/dataGehoer.qvb" "$E2E_TMP/expected.qvb"
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert HANNA$' 30; main=$WIN
wait_said registered

rm "$E2E_TMP/dataGehoer.qvb"
echo logout >&8
wait_said saved
wait_said cancelled
cmp -s "$E2E_TMP/expected.qvb" "$E2E_TMP/dataGehoer.qvb" ||
  fail "the request to save did not write the best list"
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended at a logout that was only asked for"
[ "$(xdotool search --onlyvisible --name '^QVB-Zaradariveda 1\.1 - Es trainiert HANNA$' 2>/dev/null)" = "$main" ] ||
  fail "the window went away at a logout that was only asked for"

# Still playable: the help page opens and closes.
click_dlu "$main" 635 181 61 14
wait_window '^QVB-Zaradariveda - Infos$' 30
press "$WIN" Escape
wait_gone '^QVB-Zaradariveda - Infos$'

rm "$E2E_TMP/dataGehoer.qvb"
kill -TERM "$APP_PID"
wait_exit 10
[ "$RC" = 0 ] || fail "the end of the session: exit status $RC"
cmp -s "$E2E_TMP/expected.qvb" "$E2E_TMP/dataGehoer.qvb" || fail "the end of the session did not save the list"

# A round runs: one click on the lower staff's C' (right or wrong, an answer
# either way). The logout is asked for and cancelled: the round goes on and
# is not kept yet. Then the session ends.
db="$E2E_TMP/dataGehoer.sqlite"
rm -f "$db"
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert HANNA$' 30; main=$WIN
wait_said registered 2
wait_painted "$main"
click_new_training "$main"
sleep 0.5
click_cell "$main" "$(note_cell 60)"
sleep 0.2
echo logout >&8
wait_said saved 2
wait_said cancelled 2
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended at a logout in a round that was only asked for"
[ ! -s "$db" ] || [ "$(sqlite3 "$db" 'SELECT count(*) FROM rounds')" = 0 ] ||
  fail "the round was kept at a logout that was only asked for, while it went on"
echo die >&8
wait_said died
wait_exit 10
[ "$RC" = 0 ] || fail "the end of the session in a round: exit status $RC"
[ -f "$db" ] || fail "the end of the session in a round: the round was not kept"
kept=$(sqlite3 "$db" "SELECT player || ' ' || practice || ' ' || cancelled FROM rounds;
  SELECT count(*) FROM asked; SELECT note || ' ' || by_midi FROM answers" | tr '\n' '/')
[ "$kept" = "HANNA 0 1/1/60 0/" ] || fail "the end of the session in a round: kept as $kept"
echo "a logout asked for and cancelled, also in a round; the session's end in a round: passed"
