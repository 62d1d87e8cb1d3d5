#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A first start in an empty directory: the help page comes first, then the
# trainer window for "Name..."; Escape ends the program with status 0 and the
# best list is written.
set -u
BIN=${1:?usage: tst_firststart.sh PROGRAM}
. "$(dirname "$0")/lib.sh"
start_x
start_app "$BIN"

wait_window '^QVB-Zaradariveda - Infos$' 30; help=$WIN
[ -z "$(xdotool search --onlyvisible --name 'Es trainiert' 2>/dev/null)" ] ||
  fail "the trainer window showed before the help page was closed"
press "$help" Escape
wait_gone '^QVB-Zaradariveda - Infos$'

wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$' 30; main=$WIN
[ -n "${SHOT:-}" ] && import -window root "$SHOT"
press "$main" Escape
wait_exit 30
[ "$RC" = 0 ] || fail "exit status $RC"
[ -f "$E2E_TMP/dataGehoer.qvb" ] || fail "no best-list file was written"
head -c 9 "$E2E_TMP/dataGehoer.qvb" | grep -q '^Name\.\.\.' || fail "the best list does not start with the player name"
echo "first start: 1 passed, 0 failed"
