# SPDX-License-Identifier: GPL-3.0-or-later
# Where the trainer goes on a pupil's computer: the program and its launcher in
# bin, the menu entry, the icon in every size the artwork has, and the
# software-centre description. Everything is in the component "qvb_runtime",
# which is also exactly what the Debian package holds.
include(GNUInstallDirs)

set(QVB_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QVB_ICON_SIZES 16 24 32 48 64 128 256)

if(TARGET QVB-Vevivivodarav)
  install(TARGETS QVB-Vevivivodarav
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT qvb_runtime)
  # The built-in synthesizer's module, which the program finds in ../lib/qvb-zaradariveda.
  install(TARGETS qvbsynth qvblimiter
    LIBRARY DESTINATION lib/qvb-zaradariveda
    COMPONENT qvb_runtime)
  # The MIDI ports' module (RtMidi, JACK and ALSA behind it), found the same way.
  install(TARGETS qvbports
    LIBRARY DESTINATION lib/qvb-zaradariveda
    COMPONENT qvb_runtime)
  # The history module (Qt's SQL module behind it), found the same way.
  install(TARGETS qvbhistory
    LIBRARY DESTINATION lib/qvb-zaradariveda
    COMPONENT qvb_runtime)
  # Listening to the microphone (the sound server's client library and aubio
  # behind it), found the same way.
  install(TARGETS qvblisten
    LIBRARY DESTINATION lib/qvb-zaradariveda
    COMPONENT qvb_runtime)
  # The launcher that the menu entry starts: it changes into the user's own
  # data folder first, because the best list is written to the working directory.
  install(PROGRAMS ${QVB_PACKAGING_DIR}/qvb-zaradariveda
    DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT qvb_runtime)
else()
  message(STATUS "packaging: the program target is not there yet; only the data files are installed")
endif()

install(FILES ${QVB_PACKAGING_DIR}/qvb-zaradariveda.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT qvb_runtime)
install(FILES ${QVB_PACKAGING_DIR}/io.github.qvb.Zaradariveda.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  COMPONENT qvb_runtime)

# The licence, machine-readable, where Debian keeps each package's copyright.
install(FILES ${QVB_PACKAGING_DIR}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qvb-zaradariveda
  COMPONENT qvb_runtime)

# The program icon is drawn in each hicolor size; the menu finds it by the
# name in the desktop entry's Icon= key.
foreach(size IN LISTS QVB_ICON_SIZES)
  set(icon ${PROJECT_SOURCE_DIR}/resources/pictures/icon128-${size}.png)
  if(EXISTS ${icon})
    install(FILES ${icon}
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME qvb-zaradariveda.png
      COMPONENT qvb_runtime)
  else()
    message(WARNING "packaging: the program icon is missing in ${size}x${size} (${icon})")
  endif()
endforeach()
