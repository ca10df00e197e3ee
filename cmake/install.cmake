# Installing: Windows has rules of its own (the installer and the zip).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/install-windows.cmake)
  return()
endif()

# Installing on Linux: the program with its default sound library in
# lib/tarvisk/, a bin/ link that starts it, the library tool, the desktop's
# files (entry, icons, AppStream metainfo), the manual pages and the
# copyright notice. The Debian packages are made from this install by
# debian/, whose tools compress, split and declare what they need.
#
# The program looks for Tunes/ beside its own file (it reads /proc/self/exe,
# so the bin/ link is followed), hence program and library share one folder.

include(${PROJECT_SOURCE_DIR}/packaging/linux/identity.cmake)
# Its size, read from the PNG's header, so a new screenshot needs no edit here.
file(READ ${PROJECT_SOURCE_DIR}/docs/screenshot.png tarvisk_png_size OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING "${tarvisk_png_size}" 0 8 tarvisk_png_width)
string(SUBSTRING "${tarvisk_png_size}" 8 8 tarvisk_png_height)
math(EXPR TARVISK_SCREENSHOT_WIDTH "0x${tarvisk_png_width}")
math(EXPR TARVISK_SCREENSHOT_HEIGHT "0x${tarvisk_png_height}")

# Fixed rather than GNUInstallDirs: the bin/ link is relative to the program
# folder, and a multiarch lib/ would break it.
set(TARVISK_INSTALL_BINDIR bin)
set(TARVISK_INSTALL_PROGDIR lib/tarvisk)
set(TARVISK_INSTALL_DATADIR share)

install(TARGETS tarvisk RUNTIME DESTINATION ${TARVISK_INSTALL_PROGDIR})
install(TARGETS tarvisk-tunes RUNTIME DESTINATION ${TARVISK_INSTALL_BINDIR})

# The library made by the build (tools/tunes); only its WAV files, so
# nothing else left in the build folder goes along.
install(DIRECTORY ${CMAKE_BINARY_DIR}/Tunes/ DESTINATION ${TARVISK_INSTALL_PROGDIR}/Tunes
        FILES_MATCHING PATTERN "*.wav")

# bin/tarvisk: a relative link, so the tree works under any prefix and
# inside the package's staging folder.
file(RELATIVE_PATH tarvisk_link_target /prefix/${TARVISK_INSTALL_BINDIR}
     /prefix/${TARVISK_INSTALL_PROGDIR}/tarvisk)
set(tarvisk_link ${CMAKE_CURRENT_BINARY_DIR}/packaging/tarvisk)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(CREATE_LINK ${tarvisk_link_target} ${tarvisk_link} SYMBOLIC)
install(FILES ${tarvisk_link} DESTINATION ${TARVISK_INSTALL_BINDIR})

# The desktop entry, and the metainfo with the version and its release date
# (cmake/release.cmake).
set(tarvisk_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
configure_file(${tarvisk_packaging}/tarvisk.desktop.in
               ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.desktop @ONLY)
configure_file(${tarvisk_packaging}/tarvisk.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.desktop
        DESTINATION ${TARVISK_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.metainfo.xml
        DESTINATION ${TARVISK_INSTALL_DATADIR}/metainfo)
# The notice the licence asks to go with every copy, the recorded notes'
# origin among it.
install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright DESTINATION ${TARVISK_INSTALL_DATADIR}/doc/tarvisk)

foreach(page tarvisk.1 tarvisk-tunes.1)
  configure_file(${tarvisk_packaging}/${page}.in ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page} @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page} DESTINATION ${TARVISK_INSTALL_DATADIR}/man/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/window/art/icon.png
        DESTINATION ${TARVISK_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME tarvisk.png)
install(FILES ${PROJECT_SOURCE_DIR}/window/art/icon-256.png
        DESTINATION ${TARVISK_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME tarvisk.png)
