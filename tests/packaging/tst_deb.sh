#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package made by `cpack -G DEB`: its control fields, the runtime
# dependencies a pupil's computer needs, and its file list.
set -u
BUILD=${1:?usage: tst_deb.sh BUILD_DIR}
. "$(dirname "$0")/common.sh"
T=$(mktemp -d /tmp/qvb-deb.XXXXXX)
trap 'rm -rf "$T"' EXIT

if ! cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T/out" >"$T/cpack.log" 2>&1; then
  cat "$T/cpack.log" >&2
  echo "FAIL: cpack -G DEB did not succeed" >&2
  exit 1
fi
debs=("$T"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not exactly one package: ${debs[*]}" >&2; exit 1; }
DEB=${debs[0]}
field() { dpkg-deb -f "$DEB" "$1"; }
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")

check "the package is named qvb-zaradariveda" test "$(field Package)" = qvb-zaradariveda
check "the package version is the program's ($version)" test "$(field Version)" = "$version"
check "the package is for this architecture ($arch)" test "$(field Architecture)" = "$arch"
check "the file is named as Debian names packages" \
  test "$(basename "$DEB")" = "qvb-zaradariveda_${version}_${arch}.deb"
check "the package has a maintainer" test -n "$(field Maintainer)"
check "the package has a summary and a long description" test "$(field Description | wc -l)" -gt 2
check "the package is in the education section" test "$(field Section)" = education
check "the control archive has the md5 sums" grep -q md5sums <(dpkg-deb -I "$DEB")

# Depends, one clause a line, alternatives kept together.
field Depends | tr ',' '\n' | sed 's/^ *//; s/ *$//' >"$T/depends"
# has_clause PACKAGE...: one clause offers exactly these alternatives, in this order.
has_clause() {
  local want
  want=$(printf '%s | ' "$@")
  want=${want% | }
  sed 's/ *([^)]*)//g' "$T/depends" | grep -qxF "$want"
}
while IFS='|' read -r what packages; do
  [ -z "$what" ] && continue
  # shellcheck disable=SC2086
  check "Depends names $what ($packages)" has_clause $packages
done <<'TABLE'
the Qt 6 Widgets runtime|libqt6widgets6
the built-in synthesizer|libfluidsynth3
the external MIDI ports|librtmidi6
listening to the microphone|libaubio5
the sound server the microphone is heard through|libpulse0
a General MIDI SoundFont|timgm6mb-soundfont fluid-soundfont-gm sf2-soundfont-gm
the Liberation fonts|fonts-liberation2
the light face of a new best-list entry|fonts-dejavu-extra
the C++ runtime|libstdc++6
TABLE
# Without Qt's X11 platform plugin no window opens; whichever package holds it
# here must itself be a dependency.
xcb=$(dpkg -S '*/qt6/plugins/platforms/libqxcb.so' 2>/dev/null | head -n 1 | cut -d: -f1)
check "Qt's X11 platform plugin is found here" test -n "$xcb"
check "Depends names the package of Qt's X11 platform plugin ($xcb)" has_clause "$xcb"
# Every dependency must exist in Debian 12: each clause is met on this machine,
# which has the program's build dependencies installed.
while read -r clause; do
  met=no
  for alt in $(echo "$clause" | sed 's/ *([^)]*)//g; s/|/ /g'); do
    dpkg-query -W -f='${Status}' "$alt" 2>/dev/null | grep -q "install ok installed" && met=yes && break
  done
  check "the dependency '$clause' is met here" test "$met" = yes
done <"$T/depends"

# The file list: exactly what `cmake --install` puts in place, owned by root.
dpkg-deb -c "$DEB" >"$T/contents"
diff <(expected_files | sort) \
  <(awk '$1 !~ /^d/ {print $6}' "$T/contents" | sed 's|^\./||' | sort) >&2
check "the package holds exactly the installed files" test $? -eq 0
check "every file belongs to root" test -z "$(awk '$2 != "root/root"' "$T/contents")"
check "the program is executable by everyone" \
  grep -qE '^-rwxr-xr-x .* \./usr/bin/QVB-Vevivivodarav$' "$T/contents"
check "the launcher is executable by everyone" \
  grep -qE '^-rwxr-xr-x .* \./usr/bin/qvb-zaradariveda$' "$T/contents"
check "data files are not executable" \
  test -z "$(grep '\./usr/share/.*[^/]$' "$T/contents" | grep -v '^-rw-r--r--')"

dpkg-deb -x "$DEB" "$T/root"
check "the program in the package is stripped" grep -q ', stripped' <(file -b "$T/root/usr/bin/QVB-Vevivivodarav")
check "the package carries its licence as a machine-readable copyright file" \
  grep -q '^License: GPL-3.0-or-later$' "$T/root/usr/share/doc/qvb-zaradariveda/copyright"
check "the copyright file is in the Debian copyright format" \
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$T/root/usr/share/doc/qvb-zaradariveda/copyright"
check "the menu entry in the package is valid" \
  desktop-file-validate "$T/root/usr/share/applications/qvb-zaradariveda.desktop"

finish "package"
