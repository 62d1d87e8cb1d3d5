#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A round played from the keyboard alone, with a real accessibility bus
# (AT-SPI) as a screen reader has it: Tab to "NEUES TRAINING", Space, each
# note found by trying letters. Each answer must be told once on the bus,
# "Richtig" or "Falsch" with the points and never the note's name, and the
# round's end too; three right answers then enter the best list.
set -u
BIN=${1:?usage: tst_a11yround.sh PROGRAM}
HERE=$(dirname "$0")
. "$HERE/lib.sh"

BUS_PID=""
LAUNCHER_PID=""
a11y_cleanup() {
  [ -n "$LAUNCHER_PID" ] && kill "$LAUNCHER_PID" 2>/dev/null
  [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null
  cleanup
}
trap a11y_cleanup EXIT

start_x
# A session bus of the test's own, and the accessibility bus beside it.
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$E2E_TMP/bus.address" 4>"$E2E_TMP/bus.pid" ||
  fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_TMP/bus.address")
BUS_PID=$(head -n 1 "$E2E_TMP/bus.pid")
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_TMP/launcher.log" 2>&1 &
LAUNCHER_PID=$!
for i in $(seq 1 50); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

{
  printf 'DORA\r\n'
  for c in 1 2 3 4; do
    for p in $(seq 0 9); do printf 'N%d\r\n%3d\r\n' "$p" $((10 - p)); done
  done
} >"$E2E_TMP/dataGehoer.qvb"
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert DORA$' 30; main=$WIN

/usr/bin/python3 "$HERE/a11ypupil.py" "$main" 3 >"$E2E_TMP/heard.log" 2>&1
rc=$?
cat "$E2E_TMP/heard.log"
[ $rc -eq 0 ] || fail "the pupil's round: $(grep FAIL "$E2E_TMP/heard.log")"
grep -q '^right 3$' "$E2E_TMP/heard.log" || fail "not three right answers"

# The round's message, then the best list with the new entry; the keyboard
# closes both, as the pupil would.
wait_window '^Gratulation !$' 30
press "$WIN" Return
wait_gone '^Gratulation !$' 30
wait_window '^Bestenliste$' 30
press "$WIN" Escape
wait_gone '^Bestenliste$' 30
press "$main" Escape
wait_exit 30
grep -q $'^DORA\r$' <(sed -n '2,21p' "$E2E_TMP/dataGehoer.qvb") ||
  fail "the round's entry is not in the best list: $(head -21 "$E2E_TMP/dataGehoer.qvb" | tr -d '\r' | tr '\n' ' ')"

echo "PASS"
