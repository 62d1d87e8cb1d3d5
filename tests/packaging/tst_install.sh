#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a temporary root: every file in its standard place and
# nothing else, the menu entry and the software-centre description valid, the
# icon that the menu entry names present in every size at that pixel size.
set -u
BUILD=${1:?usage: tst_install.sh BUILD_DIR}
. "$(dirname "$0")/common.sh"
T=$(mktemp -d /tmp/qvb-install.XXXXXX)
trap 'rm -rf "$T"' EXIT
ROOT=$T/root
install_into "$BUILD" "$ROOT"

# Exactly the expected files, no libraries, headers or test programs.
diff <(expected_files | sort) <(cd "$ROOT" && find . -type f -o -type l | sed 's|^\./||' | sort) >&2
check "the installed files are exactly the expected ones" test $? -eq 0

check "the program is executable" test -x "$ROOT/usr/bin/QVB-Vevivivodarav"
check "the launcher is executable" test -x "$ROOT/usr/bin/qvb-zaradariveda"
check "the launcher is a POSIX shell script" sh -n "$ROOT/usr/bin/qvb-zaradariveda"
# A program linked against build-tree libraries would break outside the build.
runpath=$(readelf -d "$ROOT/usr/bin/QVB-Vevivivodarav" 2>/dev/null | grep -E 'RPATH|RUNPATH')
check "the installed program carries no build-tree library path ($runpath)" test -z "$runpath"
# The sound and MIDI libraries come with the modules: linked into the program,
# the dynamic linker would take them in before the window could start.
soundlibs=$(readelf -d "$ROOT/usr/bin/QVB-Vevivivodarav" 2>/dev/null |
  grep -oE 'NEEDED.*\[lib(fluidsynth|rtmidi|jack|asound)[^]]*\]')
check "the program links none of FluidSynth, RtMidi, JACK and ALSA ($soundlibs)" test -z "$soundlibs"
check "the ports' module brings RtMidi" \
  grep -q 'librtmidi' <(readelf -d "$ROOT/usr/lib/qvb-zaradariveda/libqvbports.so" 2>/dev/null)

for s in $ICON_SIZES; do
  icon=$ROOT/usr/share/icons/hicolor/${s}x${s}/apps/qvb-zaradariveda.png
  [ -f "$icon" ] || continue # already reported by the file list
  check "the ${s}x${s} icon is a PNG of ${s} x ${s} pixels" \
    grep -q "PNG image data, $s x $s," <(file -b "$icon")
done

DESKTOP=$ROOT/usr/share/applications/qvb-zaradariveda.desktop
METAINFO=$ROOT/usr/share/metainfo/io.github.qvb.Zaradariveda.metainfo.xml
check "desktop-file-validate accepts the menu entry" desktop-file-validate "$DESKTOP"
check "appstreamcli accepts the description" appstreamcli validate --no-net "$METAINFO"
check "appstreamcli accepts the installed tree" appstreamcli validate-tree --no-net "$ROOT"

check "the menu entry starts the launcher" test "$(desktop_key "$DESKTOP" Exec)" = qvb-zaradariveda
check "the menu entry's TryExec is the launcher" test "$(desktop_key "$DESKTOP" TryExec)" = qvb-zaradariveda
check "the menu entry names the installed icon" test "$(desktop_key "$DESKTOP" Icon)" = qvb-zaradariveda
check "the menu entry does not set a working directory" test -z "$(desktop_key "$DESKTOP" Path)"
check "the description is named after its component id" \
  grep -q '<id>io.github.qvb.Zaradariveda</id>' "$METAINFO"
check "the description launches the installed menu entry" \
  grep -q '<launchable type="desktop-id">qvb-zaradariveda.desktop</launchable>' "$METAINFO"
check "the description names the program's licence" \
  grep -q '<project_license>GPL-3.0-or-later</project_license>' "$METAINFO"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")
check "the description's newest release is the program's version ($version)" \
  grep -q "<release version=\"$version\"" "$METAINFO"

finish "install"
