#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A pupil answers by singing: a PulseAudio server of the test's own whose
# default source is a pipe, the singer writing into it; the game's notes go
# to the pupil's ears on JACK. The pupil chooses "Mikrofon (singen oder
# spielen)" in the MIDI settings, sings the first note heard (right: the next
# note comes), then a wrong one (the right note sounds again); the rounds kept
# hold the sung answers with their cents.
set -u
BIN=${1:?usage: tst_micround.sh PROGRAM JACKPUPIL MSGREF}
PUPIL_BIN=${2:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

command -v pulseaudio >/dev/null || { echo "SKIP: no PulseAudio here"; exit 0; }
PA_DIR=$E2E_TMP/pa
mkdir -p "$PA_DIR"
export PULSE_SERVER=unix:$PA_DIR/native
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  -L "module-native-protocol-unix socket=$PA_DIR/native auth-anonymous=1" \
  -L "module-null-sink sink_name=out" \
  -L "module-pipe-source source_name=mic file=$PA_DIR/mic.fifo format=float32le rate=48000 channels=1" \
  >"$E2E_TMP/pulse.log" 2>&1 &
PA_PID=$!
for i in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-source mic || fail "the test's sound server did not start: $(tail -3 "$E2E_TMP/pulse.log")"
mkfifo "$E2E_TMP/singer.ctl"
python3 "$HERE/singer.py" "$PA_DIR/mic.fifo" <"$E2E_TMP/singer.ctl" >"$E2E_TMP/singer.out" 2>&1 &
SINGER_PID=$!
exec 8>"$E2E_TMP/singer.ctl"
sing() { echo "sing $1 $2" >&8; }
stop_singer() { echo quit >&8 2>/dev/null; kill "$SINGER_PID" "$PA_PID" 2>/dev/null; }
trap 'stop_singer; pupil_cleanup' EXIT

start_x
start_jack
start_pupil "$PUPIL_BIN"
write_best_list "$E2E_TMP/dataGehoer.qvb" ANNA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert ANNA$' 30; main=$WIN

# The pupil's keyboard (pupil:out) is input 0, so the microphone is input 1,
# the last; the pupil's ears are output 1.
choose_ports "$main" 1 1

click_new_training "$main"
wait_log ' in 90 [0-9a-f]{2} 7f$' 1 30
first=$(heard_note 1)
sleep 0.5 # a pupil listens first, then sings
sing "$first" 400
wait_log ' in 90 [0-9a-f]{2} 7f$' 2 10
second=$(heard_note 2)
[ "$second" != "$first" ] || fail "the same note was asked twice in a row"
echo "sung $first: right, the next note $second came"

wrong=$((second == 84 ? 83 : second + 1))
# Through loudspeakers what the microphone heard of late counts as the game's
# note: the pupil lets go of the last note for a moment before the next.
sleep 1
sing "$wrong" 400
wait_log " in 90 $(printf %02x "$second") 7f$" 2 10
echo "sung $wrong for $second: wrong, $second sounded again"

# The round ends by itself; the rounds kept note the sung answers.
db=$E2E_TMP/dataGehoer.sqlite
for i in $(seq 1 400); do
  n=$(sqlite3 "$db" "SELECT count(*) FROM answers WHERE by_microphone = 1 AND cents_off IS NOT NULL" 2>/dev/null || echo 0)
  [ "${n:-0}" -ge 2 ] && break
  sleep 0.1
done
[ "${n:-0}" -ge 2 ] || fail "the rounds kept hold ${n:-0} sung answers, not 2"
got=$(sqlite3 "$db" "SELECT group_concat(note || '/' || by_midi || by_keyboard || by_microphone, ' ') FROM (SELECT * FROM answers ORDER BY seq, nr)")
[ "$got" = "$first/001 $wrong/001" ] || fail "answers kept: $got"
echo "PASS: answered by singing; kept as $got"
