# Cross-compiling the 32-bit Windows program with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARVISK_MINGW_PREFIX i686-w64-mingw32)
set(TARVISK_WINE_NAME wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
