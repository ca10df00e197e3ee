# Installing: Windows has rules of its own (the installer and the zip).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/install-windows.cmake)
  return()
endif()

# Installing on Linux: the program with its default sound library in
# lib/tarvisk/, a bin/ link that starts it, the library tool, the desktop's
# files (entry, icons, AppStream metainfo) and the Debian package by CPack.
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

# The desktop entry, and the metainfo with the version from project() and
# the release date from identity.cmake.
set(tarvisk_packaging ${PROJECT_SOURCE_DIR}/packaging/linux)
configure_file(${tarvisk_packaging}/tarvisk.desktop.in
               ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.desktop @ONLY)
configure_file(${tarvisk_packaging}/tarvisk.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.desktop
        DESTINATION ${TARVISK_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${TARVISK_APP_ID}.metainfo.xml
        DESTINATION ${TARVISK_INSTALL_DATADIR}/metainfo)
install(FILES ${tarvisk_packaging}/copyright DESTINATION ${TARVISK_INSTALL_DATADIR}/doc/tarvisk)

# The changelog, from the version and its release date, and the man pages;
# compressed as Debian wants them, with gzip -9n (no name or time inside, so
# the same sources give the same package).
set(TARVISK_MAINTAINER "Tarvisk maintainers <maintainers@tarvisk.example.org>")
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" tarvisk_date "${TARVISK_RELEASE_DATE}")
set(tarvisk_year ${CMAKE_MATCH_1})
set(tarvisk_day_text ${CMAKE_MATCH_3})
math(EXPR tarvisk_month "${CMAKE_MATCH_2} - 1") # from 0, without the leading zero
math(EXPR tarvisk_day "${CMAKE_MATCH_3}")
# The day of the week (Sakamoto's method), which the changelog's date names.
set(tarvisk_month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(tarvisk_month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(tarvisk_weekday_names Sun Mon Tue Wed Thu Fri Sat)
list(GET tarvisk_month_offsets ${tarvisk_month} tarvisk_month_offset)
list(GET tarvisk_month_names ${tarvisk_month} tarvisk_month_name)
set(tarvisk_y ${tarvisk_year})
if(tarvisk_month LESS 2)
  math(EXPR tarvisk_y "${tarvisk_y} - 1")
endif()
math(EXPR tarvisk_weekday
     "(${tarvisk_y} + ${tarvisk_y} / 4 - ${tarvisk_y} / 100 + ${tarvisk_y} / 400 + ${tarvisk_month_offset} + ${tarvisk_day}) % 7")
list(GET tarvisk_weekday_names ${tarvisk_weekday} tarvisk_weekday_name)
set(TARVISK_CHANGELOG_DATE "${tarvisk_weekday_name}, ${tarvisk_day_text} ${tarvisk_month_name} ${tarvisk_year} 00:00:00 +0000")

find_program(TARVISK_GZIP gzip REQUIRED)
set(tarvisk_docs ${CMAKE_CURRENT_BINARY_DIR}/packaging/doc)
foreach(doc changelog tarvisk.1 tarvisk-tunes.1)
  configure_file(${tarvisk_packaging}/${doc}.in ${tarvisk_docs}/${doc} @ONLY)
  execute_process(COMMAND ${TARVISK_GZIP} -9nkf ${tarvisk_docs}/${doc} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${tarvisk_docs}/changelog.gz DESTINATION ${TARVISK_INSTALL_DATADIR}/doc/tarvisk)
install(FILES ${tarvisk_docs}/tarvisk.1.gz ${tarvisk_docs}/tarvisk-tunes.1.gz
        DESTINATION ${TARVISK_INSTALL_DATADIR}/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/window/art/icon.png
        DESTINATION ${TARVISK_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME tarvisk.png)
install(FILES ${PROJECT_SOURCE_DIR}/window/art/icon-256.png
        DESTINATION ${TARVISK_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME tarvisk.png)

# The Debian package: scripts/package runs cpack and puts it in dist/.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvisk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvisk")
set(CPACK_PACKAGE_CONTACT "${TARVISK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reference notes for tuning a guitar")
set(CPACK_PACKAGE_HOMEPAGE_URL ${TARVISK_HOMEPAGE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary first and indents each line of the long description.
set(CPACK_PACKAGE_DESCRIPTION "Tarvisk shows a guitar headstock: press a string and hear its note,
once or repeating until the next press. Its sound sets at A4 = 440 Hz are
recorded acoustic, electric and nylon-string guitars and a pure sine tone in
standard tuning, and Drop D, DADGAD, Open G, Open D and E flat;
tarvisk-tunes makes libraries at a concert pitch from 415 to 466 Hz and sets
in any tuning.")
# The libraries linked, found by dpkg-shlibdeps; Qt's X11 and Wayland
# platform plugins are only recommended by Qt itself, but the window needs them.
# The program opens libpulse, ALSA, libsndfile and libsamplerate at run time,
# which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libpulse0, libasound2, libsndfile1, libsamplerate0")
# The shipped library is made already; tarvisk-tunes needs the recordings
# only to make another, and says so without them.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluid-soundfont-gm")
include(CPack)
