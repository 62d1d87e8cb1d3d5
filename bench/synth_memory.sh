#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program's resident memory with the built-in synthesizer started:
# 3 s after start (the SoundFont read, its instruments being measured), and
# 15 s after start (measured, one instrument's samples in memory), each the
# median of RUNS starts, with the peak (VmHWM) beside it.
#
#   bench/synth_memory.sh [BUILD_DIR]      (default: build)
# Knobs: RUNS=5, SOUNDFONT=PATH (as root: played in place of the default
#        SoundFont, in a mount namespace of this run alone).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$ROOT/build}")
BIN="$BUILD/QVB-Vevivivodarav"
[ -x "$BIN" ] || { echo "missing $BIN: build the target QVB-Vevivivodarav" >&2; exit 1; }
if [ -n "${SOUNDFONT:-}" ] && [ -z "${QVB_IN_NAMESPACE:-}" ]; then
  default=$(readlink -f /usr/share/sounds/sf2/default-GM.sf2)
  exec env QVB_IN_NAMESPACE=1 unshare -m --propagation private \
    sh -c 'mount --bind "$1" "$2" && shift 2 && exec bash "$@"' sh \
    "$(realpath "$SOUNDFONT")" "$default" "$0" "$BUILD"
fi
. "$ROOT/tests/e2e/lib.sh"
. "$ROOT/tests/e2e/pupil.sh"

kib() { awk -v k="$1" '$1 == k ":" { print $2 }' "/proc/$APP_PID/status"; }
median() { sort -n | awk '{ v[++n] = $1 } END { printf "%.1f", (n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2) / 1024 }'; }

start_x
write_best_list "$E2E_TMP/dataGehoer.qvb" BENCH
: >"$E2E_TMP/at3"; : >"$E2E_TMP/at15"; : >"$E2E_TMP/hwm"
for r in $(seq 1 "${RUNS:-5}"); do
  start_app "$BIN"
  sleep 3
  kib VmRSS >>"$E2E_TMP/at3"
  sleep 12
  kib VmRSS >>"$E2E_TMP/at15"
  kib VmHWM >>"$E2E_TMP/hwm"
  wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert BENCH$' 30
  press "$WIN" Escape
  wait_exit 30
done
echo "SoundFont ${SOUNDFONT:-$(readlink -f /usr/share/sounds/sf2/default-GM.sf2)} ($(stat -L -c %s /usr/share/sounds/sf2/default-GM.sf2) bytes), ${RUNS:-5} starts:"
echo "RSS 3 s after start $(median <"$E2E_TMP/at3") MiB, 15 s after start $(median <"$E2E_TMP/at15") MiB, peak (VmHWM) $(median <"$E2E_TMP/hwm") MiB"
