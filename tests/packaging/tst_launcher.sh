#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu launcher: the trainer must start in the user's own data folder,
# never in / or wherever the menu happens to start it, because it writes its
# best list into the working directory. A stand-in program beside the launcher
# records where it was started and with which arguments.
set -u
LAUNCHER=${1:?usage: tst_launcher.sh LAUNCHER_SCRIPT}
. "$(dirname "$0")/common.sh"
T=$(mktemp -d /tmp/qvb-launcher.XXXXXX)
trap 'rm -rf "$T"' EXIT

mkdir -p "$T/bin" "$T/links" "$T/start"
cp "$LAUNCHER" "$T/bin/qvb-zaradariveda"
chmod +x "$T/bin/qvb-zaradariveda"
cat >"$T/bin/QVB-Vevivivodarav" <<'STUB'
#!/bin/sh
{ pwd; echo "$#"; for a in "$@"; do echo "[$a]"; done; } >"$QVB_TEST_RECORD"
exit "${QVB_TEST_STATUS:-0}"
STUB
chmod +x "$T/bin/QVB-Vevivivodarav"
ln -s "$T/bin/qvb-zaradariveda" "$T/links/qvb-zaradariveda"
RECORD=$T/record

# launch HOME XDG_DATA_HOME [ARGS...]: runs the launcher from $T/start with
# exactly these two variables ("-" leaves one unset); prints nothing, sets STATUS.
launch() {
  local home=$1 xdg=$2; shift 2
  local env_args=(-i PATH=/usr/bin:/bin QVB_TEST_RECORD="$RECORD")
  [ "$home" != - ] && env_args+=(HOME="$home")
  [ "$xdg" != - ] && env_args+=(XDG_DATA_HOME="$xdg")
  [ -n "${QVB_TEST_STATUS:-}" ] && env_args+=(QVB_TEST_STATUS="$QVB_TEST_STATUS")
  rm -f "$RECORD"
  (cd "$T/start" && env "${env_args[@]}" "${LAUNCHER_PATH:-$T/bin/qvb-zaradariveda}" "$@") 2>"$T/stderr"
  STATUS=$?
}
started_in() { [ -f "$RECORD" ] && [ "$(head -n 1 "$RECORD")" = "$1" ]; }
not_started() { [ ! -e "$RECORD" ]; }
start_dir_untouched() { [ -z "$(ls -A "$T/start")" ]; }

# name | HOME | XDG_DATA_HOME | folder the trainer must start in
while IFS='|' read -r name home xdg want; do
  [ -z "$name" ] && continue
  rm -rf "$T/home" "$T/xdg" "$T/my home"
  mkdir -p "$T/home" "$T/my home"
  launch "$home" "$xdg"
  check "$name: exit status 0 (status $STATUS: $(cat "$T/stderr"))" test "$STATUS" -eq 0
  check "$name: started in $want" started_in "$want"
  check "$name: nothing written where the menu started it" start_dir_untouched
done <<TABLE
XDG_DATA_HOME given|$T/home|$T/xdg|$T/xdg/qvb-zaradariveda
XDG_DATA_HOME unset|$T/home|-|$T/home/.local/share/qvb-zaradariveda
XDG_DATA_HOME empty|$T/home||$T/home/.local/share/qvb-zaradariveda
XDG_DATA_HOME relative, so invalid|$T/home|relative/data|$T/home/.local/share/qvb-zaradariveda
home folder with a blank|$T/my home|-|$T/my home/.local/share/qvb-zaradariveda
TABLE

# An existing best list is left alone and found again.
mkdir -p "$T/home/.local/share/qvb-zaradariveda"
printf 'Anna\r\n' >"$T/home/.local/share/qvb-zaradariveda/dataGehoer.qvb"
launch "$T/home" -
check "an existing folder is used again" started_in "$T/home/.local/share/qvb-zaradariveda"
check "an existing best list is left as it was" \
  cmp -s <(printf 'Anna\r\n') "$T/home/.local/share/qvb-zaradariveda/dataGehoer.qvb"

# No folder for the best list: refuse with a message rather than start in /.
for home in - /; do
  launch "$home" -
  check "HOME '$home', no XDG_DATA_HOME: refused" test "$STATUS" -ne 0
  check "HOME '$home', no XDG_DATA_HOME: the trainer is not started" not_started
  check "HOME '$home', no XDG_DATA_HOME: a message says why" test -s "$T/stderr"
done
: >"$T/afile"
launch "$T/home" "$T/afile"
check "data folder cannot be made: refused" test "$STATUS" -ne 0
check "data folder cannot be made: the trainer is not started" not_started
check "data folder cannot be made: a message names the folder" grep -q "$T/afile/qvb-zaradariveda" "$T/stderr"

# Started through PATH and through a symbolic link elsewhere, the launcher
# still finds the trainer installed beside it.
(cd "$T/start" && env -i PATH="$T/bin:/usr/bin:/bin" HOME="$T/home" QVB_TEST_RECORD="$RECORD" \
  qvb-zaradariveda) 2>"$T/stderr"
check "found through PATH" started_in "$T/home/.local/share/qvb-zaradariveda"
LAUNCHER_PATH=$T/links/qvb-zaradariveda launch "$T/home" -
check "started through a symbolic link" started_in "$T/home/.local/share/qvb-zaradariveda"

# Arguments pass unchanged, and the trainer's exit status is the launcher's.
launch "$T/home" - "two words" "" last
check "arguments pass unchanged" \
  cmp -s <(printf '%s\n' "$T/home/.local/share/qvb-zaradariveda" 3 "[two words]" "[]" "[last]") "$RECORD"
QVB_TEST_STATUS=7 launch "$T/home" -
check "the trainer's exit status is passed on (got $STATUS)" test "$STATUS" -eq 7

finish "launcher"
