#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A kill (SIGTERM) or the end of the session while a dialog is open over the
# trainer window: the program still ends at once and the best list is saved,
# with what the open dialog was about. Twice: during the help page of a
# first start, and during the congratulation for a new entry, which must not
# be lost. Then a kill that saves nothing (SIGKILL) right after an award:
# the entry was saved when the best list closed. Last, SIGTERM in the middle
# of a round: the round is kept as cancelled, with the answers it got.
set -u
BIN=${1:?usage: tst_terminate.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
MSGREF_BIN=${3:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

# end_by_signal: SIGTERM, then the program must be gone within ten seconds.
end_by_signal() {
  kill -TERM "$APP_PID"
  local i
  for i in $(seq 1 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$APP_PID" 2>/dev/null &&
    fail "$1: still running 10 s after SIGTERM (windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
  wait_exit 5
  [ "$RC" = 0 ] || fail "$1: exit status $RC"
}

start_x

# 1. The help page of a first start.
start_app "$BIN"
wait_window '^QVB-Zaradariveda - Infos$' 30
end_by_signal "help page"
write_best_list "$E2E_TMP/defaults.qvb" 'Name...'
cmp -s "$E2E_TMP/defaults.qvb" "$E2E_TMP/dataGehoer.qvb" || fail "help page: the default list was not saved"

# 2. The congratulation for two points, answered at the keyboard.
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" FRIDA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert FRIDA$' 30; main=$WIN
choose_ports "$main" 1 0
pupil echo 2
click_new_training "$main"
wait_window '^Gratulation !$' 60
end_by_signal "congratulation"
sed -n '1p;20,21p' "$E2E_TMP/dataGehoer.qvb" | tr -d '\r' | tr '\n' '|' | grep -qx 'FRIDA|FRIDA|  2|' ||
  fail "congratulation: the new entry was lost: $(sed -n '1p;18,21p' "$E2E_TMP/dataGehoer.qvb" | tr '\r\n' '|_')"

# 3. Killed outright (SIGKILL, as a crash or a power cut) right after an
# award: the entry reached the file as the best list closed, not at the end.
write_best_list "$E2E_TMP/dataGehoer.qvb" GRETA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert GRETA$' 30; main=$WIN
choose_ports "$main" 1 0
pupil echo 2
click_new_training "$main"
wait_window '^Gratulation !$' 60
press "$WIN" Return
wait_gone '^Gratulation !$'
wait_window '^Bestenliste$' 30
press "$WIN" Escape
wait_gone '^Bestenliste$'
entry() { sed -n '1p;20,21p' "$E2E_TMP/dataGehoer.qvb" | tr -d '\r' | tr '\n' '|'; }
for i in $(seq 1 50); do
  [ "$(entry)" = 'GRETA|GRETA|  2|' ] && break
  sleep 0.1
done
kill -9 "$APP_PID"
wait_exit 10 2>/dev/null
[ "$(entry)" = 'GRETA|GRETA|  2|' ] || fail "killed after the award: the entry is not in the file: $(entry)"
[ "$(tr -d '\r' <"$E2E_TMP/dataGehoer.qvb" | wc -l)" = 81 ] || fail "killed after the award: the file is not complete"

# 4. SIGTERM while a round runs: three notes answered at the keyboard, the
# fourth still sliding. The round is in the history as a cancelled one, its
# three answers with it, and the fourth note, never judged, is not.
rm -f "$E2E_TMP/dataGehoer.sqlite"
write_best_list "$E2E_TMP/dataGehoer.qvb" HELGA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert HELGA$' 30; main=$WIN
choose_ports "$main" 1 0
heard=$(log_count ' in 90 [0-9a-f]{2} 7f$')
pupil echo 3
click_new_training "$main"
wait_log ' in 90 [0-9a-f]{2} 7f$' $((heard + 4)) 30
end_by_signal "a round"
db="$E2E_TMP/dataGehoer.sqlite"
[ -f "$db" ] || fail "a round: the running round was not kept"
kept=$(sqlite3 "$db" "SELECT player || ' ' || practice || ' ' || cancelled FROM rounds;
  SELECT count(*) || ' ' || sum(first_right) || ' ' || count(ms_to_right) FROM asked;
  SELECT group_concat(by_midi, '') FROM answers" | tr '\n' '/')
[ "$kept" = "HELGA 0 1/3 3 3/111/" ] || fail "a round: kept as $kept"
echo "ended by a signal with a dialog open or in a round, killed after an award: passed"
