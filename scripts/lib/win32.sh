# The Windows program, cross-built with mingw-w64: the packages it needs, the
# default sound library it ships (made by the Linux build's tarvisk-tunes)
# and the build itself. The shipped program is the 32-bit one in
# build-win32/; where this machine cannot run 32-bit code, the tests run from
# the same sources built for 64-bit Windows in build-win64/. Sourced, from
# the repository's top folder, after packages.sh.

# The build, its tests and the installer.
TARVISK_WIN32_PACKAGES=(cmake make googletest g++-mingw-w64-i686 nsis)
# What the tests run under: Wine on a private X display; the 64-bit build
# for machines without 32-bit support; unzip and 7-Zip to look into the
# downloads.
TARVISK_WINE_PACKAGES=(wine wine32:i386 wine64 g++-mingw-w64-x86-64 xvfb xauth xdotool x11-utils
                       imagemagick unzip 7zip)

# Like ensure_packages; Wine's 32-bit half needs the i386 architecture first.
ensure_win32_packages() {
  if [[ " $* " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo dpkg --add-architecture i386
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  fi
  ensure_packages "$@"
}

# Whether Wine can run 32-bit programs here: some kernels can't execute
# 32-bit code at all.
wine32_runs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The default library in build/Tunes, made by the native tool; builds only
# that much of the Linux side when nothing else has.
native_tunes() {
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target tarvisk_tunes_library -j2 >/dev/null
}

# Configures and builds build-win32/ (i686, the default) or build-win64/
# (x86_64) with the tests, warnings as errors, the art of window/art and the
# library TUNES_DIR (for the installer and the zip). Output goes to the
# build folder's build.log; on failure its errors are shown.
# Usage: build_win32 TUNES_DIR [i686|x86_64]
build_win32() {
  local tunes=$1 arch=${2:-i686}
  local out=$PWD/build-win32
  [ "$arch" = x86_64 ] && out=$PWD/build-win64
  local toolchain=$PWD/cmake/mingw-$arch.cmake
  local gtest=$out/googletest/install
  local log=$out/build.log
  mkdir -p "$out"
  : >"$log"
  if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ] &&
     ! { cmake -S /usr/src/googletest -B "$out/googletest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest" &&
         cmake --build "$out/googletest/build" -j2 &&
         cmake --install "$out/googletest/build"; } >>"$log" 2>&1; then
    tail -20 "$log" >&2
    return 1
  fi
  if ! { cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           -DTARVISK_WERROR=ON -DGTest_DIR="$gtest/lib/cmake/GTest" -DTARVISK_ART_DIR="$PWD/window/art" \
           -DTARVISK_TUNES_DIR="$tunes" &&
         cmake --build "$out" -j2; } >>"$log" 2>&1; then
    grep -E "error|Error" "$log" | head -30 >&2
    return 1
  fi
}
