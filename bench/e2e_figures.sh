#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of the real program, measured from outside as a pupil meets it:
#   - tick fidelity: the first note of a round nobody answers leaves the line
#     in its 1667th tick, so its note-on to the round's closing silence
#     (B0 78 00) is 1667 tick periods: 16.67 s when a tick is 10 ms;
#   - answer latency: the pupil's note-on into the program to the next note's
#     note-on out of it, over every answer of whole rounds answered at once;
#   - start-up to the trainer window, with a best-list file in place
#     (/work/shared/tools/measure-startup.sh or MEASURE_STARTUP, median of 7);
#   - resident memory during a round with the default SoundFont.
# Everything runs on a private X server and a private JACK server.
#
#   bench/e2e_figures.sh [BUILD_DIR]      (default: build)
# Knobs: LATENCY_ROUNDS=2 TICK_ROUNDS=2 SKIP_STARTUP=1
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$ROOT/build}")
BIN="$BUILD/QVB-Vevivivodarav"
PUPIL_BIN="$BUILD/tests/e2e/jackpupil"
MSGREF_BIN="$BUILD/tests/e2e/msgref"
MEASURE_STARTUP=${MEASURE_STARTUP:-/work/shared/tools/measure-startup.sh}
for f in "$BIN" "$PUPIL_BIN"; do
  [ -x "$f" ] || { echo "missing $f: build the targets QVB-Vevivivodarav and jackpupil" >&2; exit 1; }
done
. "$ROOT/tests/e2e/lib.sh"
. "$ROOT/tests/e2e/pupil.sh"

stats() { # label, then values on stdin (one a line): n, median, p99, max
  sort -n | awk -v label="$1" '{ v[++n] = $1 }
    END {
      if (!n) { print label ": no values"; exit }
      p99 = v[int(0.99 * (n - 1)) + 1]
      med = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      printf "%s: n=%d median %.2f p99 %.2f max %.2f\n", label, n, med, p99, v[n]
    }'
}

# dismiss_award: the round's message, and the best-list dialog when one follows.
dismiss_award() {
  local id="" i title
  for i in $(seq 1 600); do
    for title in 'Gratulation !' 'Der QVB-Zaradariveda meldet:'; do
      id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
      [ -n "$id" ] && break 2
    done
    sleep 0.1
  done
  [ -n "$id" ] || fail "no message at the end of the round"
  press "$id" Return
  wait_gone "^$title\$" 30
  if [ "$title" = 'Gratulation !' ]; then
    wait_window '^Bestenliste$' 30
    press "$WIN" Escape
    wait_gone '^Bestenliste$' 30
  fi
}

memory() { # label: resident memory of the program now
  local rss hwm pss
  rss=$(awk '$1 == "VmRSS:" { print $2 }' "/proc/$APP_PID/status")
  hwm=$(awk '$1 == "VmHWM:" { print $2 }' "/proc/$APP_PID/status")
  pss=$(awk '$1 == "Pss:" { print $2 }' "/proc/$APP_PID/smaps_rollup" 2>/dev/null)
  awk -v l="$1" -v r="$rss" -v h="$hwm" -v p="${pss:-0}" \
    'BEGIN { printf "%s: RSS %.1f MiB, peak (VmHWM) %.1f MiB, PSS %.1f MiB\n", l, r / 1024, h / 1024, p / 1024 }'
}

start_x
write_best_list "$E2E_TMP/dataGehoer.qvb" BENCH
echo "program: $BIN"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- resident memory during a round with the default SoundFont --------------
# No JACK server: the built-in synthesizer plays (into a file), as on a
# pupil's computer without MIDI devices.
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert BENCH$' 30; main=$WIN
wait_painted "$main"
click_new_training "$main"
sleep 3 # a few seconds into the round
memory "resident memory 3 s into a round, built-in synthesizer with $(readlink -f /usr/share/sounds/sf2/default-GM.sf2)"
press "$main" Escape
wait_exit 30

start_jack
start_pupil "$PUPIL_BIN"
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert BENCH$' 30; main=$WIN
choose_ports "$main" 1 0

# ---- the answer latency -------------------------------------------------------
for r in $(seq 1 "${LATENCY_ROUNDS:-2}"); do
  pupil mark latency round "$r"
  pupil echo
  click_new_training "$main"
  # 200 notes a round: each answered at once, the last one brings none.
  wait_log ' out 90' $((200 * r)) 60
  [ "$r" = 1 ] && memory "resident memory during a round on JACK (its shared memory mapped by two clients)"
  pupil silent
  dismiss_award
done

awk '
  $2 == "mark" { answered = 0; next }
  $2 == "out" && $3 == "90" { answered = $1; next }
  $2 == "in" && $3 == "90" && answered { printf "%.3f\n", ($1 - answered) / 1000.0; answered = 0 }
' "$PUPIL_LOG" | stats "answer latency, note-on in -> next note-on out (ms)"

# ---- tick fidelity ----------------------------------------------------------
for r in $(seq 1 "${TICK_ROUNDS:-2}"); do
  heard=$(log_count ' in 90 [0-9a-f]{2} 7f$')
  pupil mark tick round "$r"
  click_new_training "$main"
  dismiss_award
  awk -v mark="tick round $r" '
    $2 == "mark" && index($0, mark) { on = 1; next }
    on && !t0 && $2 == "in" && $3 == "90" { t0 = $1 }
    on && t0 && $2 == "in" && $3 == "b0" { last = $1 }
    END { s = (last - t0) / 1e6
          printf "tick fidelity, round %d: first note on the line %.3f s (1667 ticks of 10 ms: 16.670 s; %+.2f%%)\n",
                 r, s, (s / 16.67 - 1) * 100 }' r="$r" "$PUPIL_LOG"
done

press "$main" Escape
wait_exit 30

# ---- start-up ---------------------------------------------------------------
if [ -z "${SKIP_STARTUP:-}" ] && [ -x "$MEASURE_STARTUP" ]; then
  dir="$E2E_TMP/startup"
  mkdir -p "$dir"
  write_best_list "$dir/dataGehoer.qvb" BENCH
  (cd "$dir" && OUT="$E2E_TMP/startup-out" LABEL=qvb XDISPLAY="$DISPLAY" RUNS=7 \
     EXTRA_ENV="QVB_SYNTH_AUDIO=file:$E2E_TMP/startup.wav" \
     "$MEASURE_STARTUP" "$BIN" 'Es trainiert BENCH' >"$E2E_TMP/startup.log" 2>&1)
  grep '^qvb: ' "$E2E_TMP/startup.log" | sed 's/^qvb: /start-up to the trainer window: /'
  grep -q '^qvb: ' "$E2E_TMP/startup.log" || tail -n 5 "$E2E_TMP/startup.log"
  cmp -s "$dir/dataGehoer.qvb" <(write_best_list /dev/stdout BENCH) || echo "warning: the start-up runs changed the best list"
else
  echo "start-up: skipped (no $MEASURE_STARTUP)"
fi
