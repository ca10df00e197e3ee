# The same program for 64-bit Windows: where a machine cannot run 32-bit
# code, its tests run from this build under 64-bit Wine instead.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARVISK_MINGW_PREFIX x86_64-w64-mingw32)
set(TARVISK_WINE_NAME wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
