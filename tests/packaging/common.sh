# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers shared by the packaging tests: a tally of named checks that ends in
# the usual "N passed, N failed" line, and the install into a temporary root.

PASSED=0
FAILED=0

# check DESCRIPTION COMMAND...: runs the command; a non-zero status is a failure.
check() {
  local what=$1; shift
  if "$@"; then
    PASSED=$((PASSED + 1))
  else
    echo "FAIL: $what" >&2
    FAILED=$((FAILED + 1))
  fi
}

# finish NAME: prints the tally and exits non-zero if any check failed.
finish() {
  echo "$1: $PASSED passed, $FAILED failed"
  [ "$FAILED" -eq 0 ]
  exit $?
}

# install_into BUILD_DIR ROOT: what the package holds, installed under ROOT/usr.
install_into() {
  DESTDIR="$2" cmake --install "$1" --prefix /usr --component qvb_runtime >"$2.install.log" 2>&1 || {
    cat "$2.install.log" >&2
    echo "FAIL: cmake --install did not succeed" >&2
    exit 1
  }
}

# The files the trainer's installation consists of, relative to the root.
ICON_SIZES="16 24 32 48 64 128 256"
expected_files() {
  echo usr/bin/QVB-Vevivivodarav
  echo usr/bin/qvb-zaradariveda
  echo usr/lib/qvb-zaradariveda/libqvblimiter.so
  echo usr/lib/qvb-zaradariveda/libqvbsynth.so
  echo usr/lib/qvb-zaradariveda/libqvbhistory.so
  echo usr/lib/qvb-zaradariveda/libqvblisten.so
  echo usr/lib/qvb-zaradariveda/libqvbports.so
  echo usr/share/applications/qvb-zaradariveda.desktop
  echo usr/share/metainfo/io.github.qvb.Zaradariveda.metainfo.xml
  echo usr/share/doc/qvb-zaradariveda/copyright
  local s
  for s in $ICON_SIZES; do
    echo "usr/share/icons/hicolor/${s}x${s}/apps/qvb-zaradariveda.png"
  done
}

# desktop_key FILE KEY: the value of an untranslated key of the [Desktop Entry] group.
desktop_key() {
  sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n 1
}
