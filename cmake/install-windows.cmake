# Installing on Windows: tarvisk.exe and the default sound library side by
# side at the root of the install folder (the program finds its library as
# AppPath + "Tunes\"), made into an NSIS installer and a zip by CPack.
#
# The library is made on Linux by the native tarvisk-tunes; scripts/package
# and scripts/test-win32 hand it over as TARVISK_TUNES_DIR.

set(TARVISK_TUNES_DIR "" CACHE PATH "The default sound library (a Linux build's Tunes folder)")
if(NOT TARVISK_TUNES_DIR)
  message(WARNING "TARVISK_TUNES_DIR is not set: the installer and the zip will lack the sound library")
endif()

install(TARGETS tarvisk RUNTIME DESTINATION .)
if(TARVISK_TUNES_DIR)
  install(DIRECTORY ${TARVISK_TUNES_DIR}/ DESTINATION Tunes FILES_MATCHING PATTERN "*.wav")
endif()

# The notice of debian/copyright, the Debian packages', as plain text:
# who holds which files, the recorded notes' origin and the licence. The
# installer shows it as its licence page, and the zip and the installed
# folder carry it beside the program as copyright.txt.
file(READ ${PROJECT_SOURCE_DIR}/debian/copyright tarvisk_copyright)
string(REGEX REPLACE "^Format: [^\n]*\n" "" tarvisk_notice "${tarvisk_copyright}")
string(REGEX REPLACE "\n \\.\n" "\n\n" tarvisk_notice "${tarvisk_notice}")
string(REGEX REPLACE "(^|\n) " "\\1" tarvisk_notice "${tarvisk_notice}")
string(REPLACE "\n" "\r\n" tarvisk_notice "${tarvisk_notice}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/copyright.txt "${tarvisk_notice}")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/copyright.txt DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Tarvisk)
set(CPACK_PACKAGE_VENDOR Tarvisk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reference notes for tuning a guitar by ear")
# The shipped downloads are the 32-bit ones. A 64-bit build makes the same
# installer as a 64-bit program, for testing where no 32-bit code runs. CPack
# already installs a win64 build under $PROGRAMFILES64, and the installer,
# running natively, registers itself in the 64-bit registry view.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(tarvisk_windows win64)
  set(CPACK_NSIS_DEFINES "  Target amd64-unicode")
else()
  set(tarvisk_windows win32)
endif()
set(CPACK_PACKAGE_FILE_NAME tarvisk-${PROJECT_VERSION}-${tarvisk_windows})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarvisk)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarvisk)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_BINARY_DIR}/packaging/copyright.txt)
# The zip unpacks into a folder of its own, ready to run from there.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The Start-menu shortcut to tarvisk.exe at the root, not in bin\; it shows
# the program's own icon.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Tarvisk.lnk' '$INSTDIR\\\\tarvisk.exe'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$START_MENU\\\\Tarvisk.lnk'")
set(CPACK_NSIS_PACKAGE_NAME Tarvisk)
set(CPACK_NSIS_DISPLAY_NAME Tarvisk)
# Add/Remove Programs shows the program's icon.
set(CPACK_NSIS_INSTALLED_ICON_NAME tarvisk.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/window/art/tarvisk.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/window/art/tarvisk.ico)
set(CPACK_NSIS_URL_INFO_ABOUT https://tarvisk.example.org)
include(CPack)
