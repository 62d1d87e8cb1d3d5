#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program with its synthesizer writing a WAV file: "E-Gitarre" (before the
# levelling the quietest instrument, some 20 dB below other programs) chosen
# in the combobox with the keyboard, its preview left to end, then C'' clicked
# on the lower staff. The click's note in the file is as loud as the levelled
# synthesizer promises, and as loud as the other instruments.
set -u
BIN=${1:?usage: tst_levelledclick.sh PROGRAM WAVLEVEL}
WAVLEVEL=${2:?}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh"

start_x
write_best_list "$E2E_TMP/dataGehoer.qvb" CARLA
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert CARLA$' 30; main=$WIN
wait_painted "$main"

# Into the combobox's field, then down from "Klavier" to entry 6, "E-Gitarre".
click_dlu "$main" 636 152 50 12
for _ in 1 2 3 4 5 6; do press "$main" Down; done
# The preview (a' at velocity 100) is silenced after two to three seconds.
sleep 3.5
click_cell "$main" "$(note_cell 72)"
sleep 1
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
# E-Gitarre is program 27.
"$WAVLEVEL" "$E2E_TMP/synth.wav" 27 72 || fail "the click was not heard at its level"
echo "an instrument chosen, then a click: passed"
