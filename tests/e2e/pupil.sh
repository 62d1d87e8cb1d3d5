# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the end-to-end tests that play as a pupil: a JACK server of the
# test's own (dummy driver, no sound card), the pupil at its MIDI keyboard
# (jackpupil), clicks on controls by their dialog-unit places, and waits on
# what the pupil hears. Source lib.sh first.

JACK_NAME="qvbe2e$$"
JACK_PID=""
JACK_KILLED=""
PUPIL_PID=""
PUPIL_LOG="$E2E_TMP/pupil.log"
PUPIL_CTL="$E2E_TMP/pupil.ctl"
export JACK_DEFAULT_SERVER="$JACK_NAME"

# A second cleanup in front of lib.sh's: the program first (so it never meets
# a vanished server while the test tears down), then the pupil, then JACK.
pupil_cleanup() {
  # E2E_KEEP=DIR keeps a picture of the screen as it was at the end.
  [ -n "${E2E_KEEP:-}" ] && [ -n "${DISPLAY:-}" ] && import -window root "$E2E_KEEP/screen.png" 2>/dev/null
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
  APP_PID=""
  if [ -n "$PUPIL_PID" ]; then
    exec 7>&- 2>/dev/null # the end of its commands: it signs off from JACK
    local i
    for i in $(seq 1 100); do
      kill -0 "$PUPIL_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill "$PUPIL_PID" 2>/dev/null
    wait "$PUPIL_PID" 2>/dev/null
  fi
  stop_jack
  if [ -n "$JACK_KILLED" ]; then
    # A killed server keeps its place in JACK's table of servers (eight
    # places for the whole machine); a server of the same name takes the place
    # over, and a clean stop gives it back.
    JACK_KILLED=""
    start_jack_process
    wait_jack_answers 10 || true
    stop_jack
    [ -z "$JACK_KILLED" ] || echo "warning: JACK server $JACK_NAME keeps a place in JACK's table" >&2
  fi
  rm -f /dev/shm/*_"${JACK_NAME}"_* 2>/dev/null
  # E2E_KEEP=DIR keeps the logs of a run for a look afterwards.
  [ -n "${E2E_KEEP:-}" ] && cp "$PUPIL_LOG" "$E2E_TMP/app.log" "$E2E_TMP/jackd.log" "$E2E_KEEP/" 2>/dev/null
  cleanup
}
trap pupil_cleanup EXIT

start_jack_process() {
  # Ends with the test, whatever way the test ends. Synchronous, with a long
  # client timeout: without real-time rights a client on a busy machine is
  # often more than a period late, and a server that does not wait for it
  # starts the next cycle over the MIDI the client has not read yet, so a
  # pupil's key press would be lost. This one waits, up to a second.
  setpriv --pdeathsig TERM jackd -S -t 100 -n "$JACK_NAME" -d dummy -r 48000 -p 128 >"$E2E_TMP/jackd.log" 2>&1 &
  JACK_PID=$!
}

wait_jack_answers() {
  local limit=${1:-10} i
  for i in $(seq 1 $((limit * 20))); do
    jack_lsp -s "$JACK_NAME" >/dev/null 2>&1 && return 0
    kill -0 "$JACK_PID" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

start_jack() {
  start_jack_process
  wait_jack_answers 10 || fail "the JACK server did not start ($(tail -3 "$E2E_TMP/jackd.log"))"
}

# A clean stop signs the server off from JACK's table of servers. A server
# that takes too long (it waits for clients that died) is killed, and its
# place in the table is taken back in pupil_cleanup.
stop_jack() {
  [ -n "$JACK_PID" ] || return 0
  kill "$JACK_PID" 2>/dev/null
  local i
  for i in $(seq 1 400); do
    kill -0 "$JACK_PID" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$JACK_PID" 2>/dev/null; then
    kill -9 "$JACK_PID" 2>/dev/null
    JACK_KILLED=1
  fi
  wait "$JACK_PID" 2>/dev/null
  JACK_PID=""
}

# Ends the server at once, as a crash would.
kill_jack() {
  kill -9 "$JACK_PID"
  wait "$JACK_PID" 2>/dev/null
  JACK_PID=""
  JACK_KILLED=1
}

# start_pupil PROGRAM: the pupil's client "pupil" with ports pupil:in, pupil:out.
start_pupil() {
  rm -f "$PUPIL_CTL"
  mkfifo "$PUPIL_CTL"
  "$1" pupil "$PUPIL_LOG" <"$PUPIL_CTL" >"$E2E_TMP/pupil.out" 2>&1 &
  PUPIL_PID=$!
  exec 7>"$PUPIL_CTL"
  local i
  for i in $(seq 1 200); do
    grep -q '^ready' "$E2E_TMP/pupil.out" 2>/dev/null && return 0
    kill -0 "$PUPIL_PID" 2>/dev/null || fail "the pupil did not start: $(cat "$E2E_TMP/pupil.out")"
    sleep 0.05
  done
  fail "the pupil did not get ready"
}

# pupil COMMAND...: tells the pupil what to do next.
pupil() { echo "$*" >&7; }

# Lines of the pupil's log that match an extended regex, in order.
log_lines() { grep -E "$1" "$PUPIL_LOG" 2>/dev/null; }
log_count() { grep -cE "$1" "$PUPIL_LOG" 2>/dev/null || true; }

# wait_log REGEX COUNT [SECONDS]: until the log holds COUNT matching lines.
wait_log() {
  local regex=$1 count=$2 limit=${3:-30} n deadline=$((SECONDS + ${3:-30}))
  while [ "$SECONDS" -le "$deadline" ]; do
    n=$(log_count "$regex")
    [ "${n:-0}" -ge "$count" ] && return 0
    [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null &&
      fail "the program ended while waiting for $count x '$regex' ($(tail -5 "$E2E_TMP/app.log"))"
    sleep 0.02
  done
  fail "the pupil heard only ${n:-0} of $count x '$regex' within ${limit}s"
}

# The note number (decimal) of the Nth note-on the pupil heard (1-based; "last" for the latest).
heard_note() {
  local line
  if [ "$1" = last ]; then
    line=$(log_lines ' in 90 [0-9a-f]{2} 7f$' | tail -n 1)
  else
    line=$(log_lines ' in 90 [0-9a-f]{2} 7f$' | sed -n "$1p")
  fi
  [ -n "$line" ] || fail "no note-on number $1 in the pupil's log"
  echo $((16#$(echo "$line" | awk '{print $4}')))
}

# Dialog units to pixels, rounded half away from zero.
dlu_x() { echo $((($1 * 6 + 2) / 4)); }
dlu_y() { echo $((($1 * 13 + 4) / 8)); }

# click WINDOW X Y: a left click at pixel (X, Y) of the window's client area
# (no window manager runs, so a window is its client area).
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# click_dlu WINDOW X Y W H: a click in the middle of a control placed in dialog units.
click_dlu() {
  local left top width height
  left=$(dlu_x "$2"); top=$(dlu_y "$3"); width=$(dlu_x "$4"); height=$(dlu_y "$5")
  click "$1" $((left + width / 2)) $((top + height / 2))
}

# Controls of the trainer window, by their places in its template.
click_new_training() { click_dlu "$1" 635 7 61 28; }
click_practice() { click_dlu "$1" 638 56 58 9; }
click_silence() { click_dlu "$1" 635 166 61 14; }
click_midi_config() { click_dlu "$1" 635 196 61 14; }
click_best_list() { click_dlu "$1" 635 226 61 14; }

# The note of lower-staff cell k without accidentals, and the cell of a note.
cell_note() {
  local steps=(0 2 4 5 7 9 11)
  echo $((36 + 12 * ($1 / 7) + steps[$1 % 7]))
}
note_cell() {
  local k
  for k in $(seq 0 28); do
    [ "$(cell_note "$k")" = "$1" ] && { echo "$k"; return 0; }
  done
  fail "note $1 has no cell without accidentals"
}

# click_cell WINDOW K: a click in the middle of lower-staff cell k (the view
# stands at (11, 11) of the window; cell k spans view x 36+30k..36+30k+29,
# y 229..391).
click_cell() { click "$1" $((11 + 36 + 30 * $2 + 15)) $((11 + 310)); }

# wait_painted WINDOW: until two pictures of the window in a row are the same.
wait_painted() {
  local previous="" now i
  for i in $(seq 1 50); do
    now=$(import -window "$1" rgb:- 2>/dev/null | md5sum)
    [ "$now" = "$previous" ] && return 0
    previous=$now
    sleep 0.1
  done
  fail "window $1 never stopped changing"
}

# choose_ports WINDOW OUT_ROW IN_ROW: in the MIDI settings dialog, the output
# and the input device of those rows, then OK.
choose_ports() {
  wait_painted "$1"
  click_midi_config "$1"
  wait_window '^MIDI-Einstellungen$' 30
  local dlg=$WIN
  # Clicks on a window that has only just appeared can go astray.
  wait_painted "$dlg"
  # A radio button takes clicks on its circle and its text only: near the row's left end.
  click "$dlg" 228 $((45 + 20 * $2))
  click "$dlg" 428 $((45 + 20 * $3))
  click_dlu "$dlg" 79 75 50 14
  wait_gone '^MIDI-Einstellungen$' 30
}

# expect_message WINDOW CAPTION TEXT: the message box shows exactly TEXT ("\n"
# for a line break). A box with that text, shown by msgref on the same X
# server, must look the same to the pixel; any other text would not.
expect_message() {
  local win=$1 caption=$2 text=$3 ref="" pid i shot=$E2E_TMP/message.png want=$E2E_TMP/message-ref.png
  "$MSGREF_BIN" "$caption" "$text" >/dev/null 2>&1 &
  pid=$!
  for i in $(seq 1 100); do
    ref=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
    [ -n "$ref" ] && break
    sleep 0.1
  done
  [ -n "$ref" ] || { kill "$pid" 2>/dev/null; fail "the reference message box did not show"; }
  # Out of the way: a picture of a window is what the screen shows in its place.
  xdotool windowmove --sync "$ref" 0 0 2>/dev/null || xdotool windowmove "$ref" 0 0
  # Compared until both are painted alike, or the bound is reached.
  local differ=""
  for i in $(seq 1 30); do
    import -window "$win" "$shot" 2>/dev/null
    import -window "$ref" "$want" 2>/dev/null
    differ=$(compare -metric AE "$shot" "$want" null: 2>&1)
    [ "$differ" = 0 ] && break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ "$differ" = 0 ] || {
    [ -n "${E2E_KEEP:-}" ] && cp "$shot" "$want" "$E2E_KEEP/"
    fail "the message '$caption' does not read: $text ($differ pixels differ)"
  }
}

# write_best_list FILE PLAYER: the default list under the player's name, as
# the program writes it (CR LF line ends).
write_best_list() {
  local names=(Tirn Ruvenau Kelmstedt Harbolt Sondo Pirok Quendel Brassel Falkendt Mirol)
  local c p
  {
    printf '%s\r\n' "$2"
    for c in 1 2 3 4; do
      for p in $(seq 0 9); do
        printf '%s\r\n%3d\r\n' "${names[$p]}" $((10 - p))
      done
    done
  } >"$1"
}
