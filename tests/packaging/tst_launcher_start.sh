#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed trainer started as the desktop menu starts it: through the
# launcher, from a folder it must not write to. The best list lands in the
# user's data folder, and a second start finds it again.
set -u
BUILD=${1:?usage: tst_launcher_start.sh BUILD_DIR}
HERE=$(dirname "$0")
. "$HERE/common.sh"
. "$HERE/../e2e/lib.sh"
ROOT=$E2E_TMP/root
install_into "$BUILD" "$ROOT"
unset XDG_DATA_HOME
DATA=$HOME/.local/share/qvb-zaradariveda
LAUNCHER=$ROOT/usr/bin/qvb-zaradariveda
DESKTOP=$ROOT/usr/share/applications/qvb-zaradariveda.desktop
start_x

# First start: the help page, then the trainer; Escape ends it.
start_app "$LAUNCHER"
wait_window '^QVB-Zaradariveda - Infos$' 30; help=$WIN
press "$help" Escape
wait_gone '^QVB-Zaradariveda - Infos$'
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$' 30; main=$WIN
# Docks and task bars match the window to the menu entry by its class, the
# second string of WM_CLASS.
class=$(xprop -id "$main" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
check "the window's class ($class) is the menu entry's StartupWMClass" \
  test "$class" = "$(desktop_key "$DESKTOP" StartupWMClass)"
press "$main" Escape
wait_exit 30
check "the first start ends with status 0 (got $RC)" test "$RC" = 0
check "the best list is written into the user's data folder" test -f "$DATA/dataGehoer.qvb"
check "nothing is written where the launcher was started" test ! -e "$E2E_TMP/dataGehoer.qvb"

# Second start: the best list is found, so the trainer comes up at once.
start_app "$LAUNCHER"
wait_window '^QVB-Zaradariveda 1\.1 - Es trainiert Name\.\.\.$' 30; main=$WIN
check "the second start shows no help page, the best list was found" \
  test -z "$(xdotool search --onlyvisible --name '^QVB-Zaradariveda - Infos$' 2>/dev/null)"
press "$main" Escape
wait_exit 30
check "the second start ends with status 0 (got $RC)" test "$RC" = 0

finish "launcher start"
