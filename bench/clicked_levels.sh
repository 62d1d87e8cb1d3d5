#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The loudness of the 18 instruments as the real program plays them: each
# chosen in the combobox (as a pupil does, with the keyboard), its preview
# left to end, then C, C' and C'' clicked on the lower staff at velocity 127,
# each silenced ("Ruhe jetzt!") after its first 400 ms have sounded. The
# built-in synthesizer writes what it plays into a WAV file, which
# clicked_levels measures note by note against the offline levels.
#
#   bench/clicked_levels.sh [BUILD_DIR]      (default: build)
# Knobs: KEYS="36 60 72" (the notes clicked), WAV=PATH (keep the recording),
#        SETTLE=8 (seconds from the window to the first choice),
#        SOUNDFONT=PATH (as root: played in place of the default SoundFont, in
#        a mount namespace of this run alone, so nothing else on the machine
#        hears it).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$ROOT/build}")
BIN="$BUILD/QVB-Vevivivodarav"
MEASURE="$BUILD/bench/clicked_levels"
for f in "$BIN" "$MEASURE"; do
  [ -x "$f" ] || { echo "missing $f: build the targets QVB-Vevivivodarav and clicked_levels" >&2; exit 1; }
done
if [ -n "${SOUNDFONT:-}" ] && [ -z "${QVB_IN_NAMESPACE:-}" ]; then
  default=$(readlink -f /usr/share/sounds/sf2/default-GM.sf2)
  exec env QVB_IN_NAMESPACE=1 unshare -m --propagation private \
    sh -c 'mount --bind "$1" "$2" && shift 2 && exec bash "$@"' sh \
    "$(realpath "$SOUNDFONT")" "$default" "$0" "$BUILD"
fi
KEYS=${KEYS:-36 60 72}
. "$ROOT/tests/e2e/lib.sh"
. "$ROOT/tests/e2e/pupil.sh"

start_x
write_best_list "$E2E_TMP/dataGehoer.qvb" BENCH
start_app "$BIN"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert BENCH$' 30; main=$WIN
wait_painted "$main"
# The SoundFont read and measured before the first choice: the levelling's own
# first moments are not what a pupil meets later (a compressed SoundFont on a
# busy machine takes longer: SETTLE=25).
sleep "${SETTLE:-8}"

for i in $(seq 0 17); do
  # Into the combobox's field; "Klavier" is chosen anew by going down and up.
  click_dlu "$main" 636 152 50 12
  if [ "$i" = 0 ]; then press "$main" Down; press "$main" Up; else press "$main" Down; fi
  # The preview is silenced after two to three seconds.
  sleep 3.5
  for key in $KEYS; do
    click_cell "$main" "$(note_cell "$key")"
    sleep 0.8
    click_silence "$main"
    sleep 0.3
  done
done
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
[ -n "${WAV:-}" ] && cp "$E2E_TMP/synth.wav" "$WAV"
# shellcheck disable=SC2086
"$MEASURE" "$E2E_TMP/synth.wav" $KEYS
