# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build directory makes
# qvb-zaradariveda_<version>_<arch>.deb from the "qvb_runtime" install rules.
set(QVB_PACKAGE_MAINTAINER "QVB-Zaradariveda developers <packaging@qvb-zaradariveda.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qvb-zaradariveda)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QVB_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ear-training game for music-school pupils")
set(CPACK_PACKAGE_DESCRIPTION
  "A note sounds and slides across a staff, hidden under a white bar; the pupil
names it by clicking it on a keyboard-like scale or by playing it on a MIDI
keyboard. Right answers score points, wrong ones cost a point, and the notes
come faster and faster until one is missed. The ten best results of each
compass are kept in a best list. The program speaks German and sounds through
its built-in General MIDI synthesizer without any set-up.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only what a pupil's computer needs, whatever else the build may install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};qvb_runtime;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The shared libraries (Qt 6 Widgets, FluidSynth, RtMidi, the C++ runtime) are
# found by dpkg-shlibdeps, and Qt's X11 platform plugin comes with the Qt 6 GUI
# library among them; what the program loads at run time by other means is
# named here: the General MIDI SoundFont the built-in synthesizer plays, the
# Liberation fonts that stand in for the dialogs' fonts, the light DejaVu face
# that marks a new entry in the best list, and Qt's SQLite driver that
# the history module keeps the rounds with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "timgm6mb-soundfont | fluid-soundfont-gm | sf2-soundfont-gm, fonts-liberation2, fonts-dejavu-extra, libqt6sql6-sqlite")
# The bigger SoundFont sounds richer; it takes over the default SoundFont path.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluid-soundfont-gm")

include(CPack)
