#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Best-list files that are no best list: random bytes, 10 MB in one word,
# 10 MB of empty lines, and a directory in the file's place. Each time the
# help page comes first, then the trainer window with the default list for
# "Name..."; Escape ends the program normally. A bad file is replaced by the
# default list at the end; nothing of it survives. The directory is left alone.
set -u
BIN=${1:?usage: tst_badfile.sh PROGRAM}
HERE=$(dirname "$0")
. "$HERE/lib.sh"
. "$HERE/pupil.sh" # write_best_list; no JACK server is started

FILE="$E2E_TMP/dataGehoer.qvb"
write_best_list "$E2E_TMP/defaults.qvb" 'Name...'
start_x

# run_bad KIND: the program started on that file, help page, trainer, Escape.
run_bad() {
  local started=$SECONDS
  start_app "$BIN"
  wait_window '^QVB-Zaradariveda - Infos$' 60; local help=$WIN
  [ -z "$(xdotool search --onlyvisible --name 'Es trainiert' 2>/dev/null)" ] ||
    fail "$1: the trainer window showed before the help page was closed"
  press "$help" Escape
  wait_gone '^QVB-Zaradariveda - Infos$'
  wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$' 30
  press "$WIN" Escape
  wait_exit 30
  [ "$RC" = 0 ] || fail "$1: exit status $RC ($(tail -5 "$E2E_TMP/app.log"))"
  echo "$1: help page, defaults, normal end ($((SECONDS - started)) s)"
}

head -c 65536 /dev/urandom >"$FILE"
run_bad "random bytes"
cmp -s "$FILE" "$E2E_TMP/defaults.qvb" || fail "random bytes: the file was not replaced by the default list"

head -c 10485760 /dev/zero | tr '\0' 'A' >"$FILE"
run_bad "10 MB in one word"
cmp -s "$FILE" "$E2E_TMP/defaults.qvb" || fail "10 MB in one word: the file was not replaced by the default list"

head -c 10485760 /dev/zero | tr '\0' '\n' >"$FILE"
run_bad "10 MB of empty lines"
cmp -s "$FILE" "$E2E_TMP/defaults.qvb" || fail "10 MB of empty lines: the file was not replaced by the default list"

rm -f "$FILE"
mkdir "$FILE"
touch "$FILE/inside"
run_bad "a directory in its place"
[ -d "$FILE" ] && [ -f "$FILE/inside" ] || fail "the directory in the file's place was not left alone"
echo "bad best-list files: passed"
