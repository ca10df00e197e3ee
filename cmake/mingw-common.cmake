# What the mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR
# and TARVISK_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model gives std::mutex and std::thread, which GoogleTest
# needs; the plain names are the fallback.
find_program(TARVISK_MINGW_CXX NAMES ${TARVISK_MINGW_PREFIX}-g++-posix ${TARVISK_MINGW_PREFIX}-g++)
find_program(TARVISK_MINGW_CC NAMES ${TARVISK_MINGW_PREFIX}-gcc-posix ${TARVISK_MINGW_PREFIX}-gcc)
set(CMAKE_C_COMPILER ${TARVISK_MINGW_CC})
set(CMAKE_CXX_COMPILER ${TARVISK_MINGW_CXX})
set(CMAKE_RC_COMPILER ${TARVISK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVISK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything in one file: no compiler runtime DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets ctest run the test programs.
find_program(TARVISK_WINE NAMES ${TARVISK_WINE_NAME} PATHS /usr/lib/wine)
if(TARVISK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVISK_WINE})
endif()
