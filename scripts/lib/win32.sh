# The Windows program, cross-built with mingw-w64: the packages it needs, the
# default sound library it ships (made by the Linux build's tarvisk-tunes)
# and the build itself. The shipped program is the 32-bit one in
# build-win32/; where this machine cannot run 32-bit code, the tests run from
# the same sources built for 64-bit Windows in build-win64/. Sourced, from
# the repository's top folder, after packages.sh.

# The build, its tests and the installer.
TARVISK_WIN32_PACKAGES=(cmake make googletest g++-mingw-w64-i686 nsis)
# What the tests run under: 64-bit Wine with its own fonts on a private X
# display, its 32-bit half from a root of its own (scripts/lib/roots.sh)
# whose loader is pointed at the root's libraries with patchelf; the 64-bit
# build for machines without 32-bit support; unzip and 7-Zip to look into
# the downloads.
TARVISK_WINE_PACKAGES=(wine wine64 fonts-wine mmdebstrap patchelf g++-mingw-w64-x86-64
                       xvfb xauth xdotool x11-utils imagemagick unzip 7zip)
# Where the kernel runs no 32-bit code, the shipped program runs in qemu.
TARVISK_QEMU_PACKAGES=(qemu-user-static)

# Whether this machine runs Wine's 32-bit loader itself, from the loader
# folder DIR that wine_loaders made without qemu: some kernels run no 32-bit
# code, or not all that Wine needs. A binfmt handler that hands it to qemu
# doesn't count, since the whole suite would then crawl.
wine32_runs() { # DIR
  ! grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 && timeout 60 "$1/lib/wine/wine" --version >/dev/null 2>&1
}

# Fills DIR with a loader folder of Wine's whose 32-bit loader "wine" runs
# the one of ROOT, Wine's i386 root, with the root's libraries and none of
# the host's: through qemu-user where the kernel runs no 32-bit code (with
# "qemu"), otherwise through the root's own dynamic loader, named in the
# copy as its interpreter (patchelf). Wine starts a new process with the
# loader of the other width found beside its own, so what runs from
# DIR/lib/wine/wine64 or DIR/lib/wine/wine starts its 32-bit children the
# same way. Libraries and data stay Wine's own, by links; the two loaders
# are copies, since Wine finds its folder from the loader's real path.
wine_loaders() { # DIR ROOT [qemu]
  local bin=$1/lib/wine root=$2 run
  mkdir -p "$bin" "$1/share" || return 1
  ln -sfn /usr/lib/x86_64-linux-gnu "$1/lib/x86_64-linux-gnu"
  ln -sfn "$root/usr/lib/i386-linux-gnu" "$1/lib/i386-linux-gnu"
  ln -sfn /usr/share/wine "$1/share/wine"
  ln -sfn /usr/lib/wine/wineserver "$bin/wineserver"
  cp /usr/lib/wine/wine64 "$bin/wine64" && cp "$root/usr/lib/wine/wine" "$bin/wine.i386" || return 1
  if [ "${3:-}" = qemu ]; then
    # Files are looked up in the root first; the top 64 KiB stay free for
    # Wine's own use; Wine reads its name from argv[0].
    command -v qemu-i386-static >/dev/null || return 1
    run="WINELOADERNOEXEC=1 exec qemu-i386-static -L '$root' -R 0xffff0000 -0 \"\$bin/wine\" \"\$bin/wine.i386\""
  else
    patchelf --set-interpreter "$root/lib/i386-linux-gnu/ld-linux.so.2" "$bin/wine.i386" || return 1
    run="LD_LIBRARY_PATH='$root/lib/i386-linux-gnu:$root/usr/lib/i386-linux-gnu' exec -a \"\$bin/wine\" \"\$bin/wine.i386\""
  fi
  printf '%s\n' '#!/bin/bash' 'bin=$(dirname "$0")' "$run \"\$@\"" >"$bin/wine" && chmod +x "$bin/wine"
}

# Makes the Wine prefix WINEPREFIX (of WINEARCH) as the tests want it, by
# LOADER's wineboot unless it is there, and returns once it is on disk: Wine's own fonts in its
# Fonts folder (Debian's Wine doesn't look where fonts-wine puts them, and
# would take whatever the machine has instead), and no sound driver, so that
# no sound server of the machine's plays or answers.
wine_prefix() { # LOADER SECONDS
  # One made for the other width (a run of the other way) goes.
  if ! grep -qsx "#arch=${WINEARCH:-win64}" "$WINEPREFIX/system.reg"; then
    rm -rf "$WINEPREFIX"
    timeout "$2" "$1" wineboot -i >/dev/null 2>&1 || return 1
  fi
  cp -u /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" &&
    timeout "$2" "$1" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1 &&
    timeout "$2" wineserver -w
}

# How many times longer than natively the Wine under test may take.
SLOW=${TARVISK_WAIT_FACTOR:-1}

# wait_until SECONDS COMMAND...: runs the command until it succeeds, for up to
# SECONDS times SLOW; a command that answers 2 gives up at once.
wait_until() {
  local deadline=$((SECONDS + $1 * SLOW)) status
  shift
  while :; do
    "$@"
    status=$?
    [ "$status" -eq 0 ] && return 0
    [ "$status" -eq 2 ] || [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.25
  done
}

# Wine's environment for the tests: the fonts of the prefix alone (fontconfig
# lists none of the machine's), one locale, no debug output, no Mono or
# Gecko installer, and no debugger, so a crash ends its program at once
# instead of leaving winedbg waiting.
wine_environment() {
  export FONTCONFIG_FILE=$PWD/tests/win32/fonts.conf LC_ALL=C.UTF-8 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
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
  # ctest runs the 32-bit suites with the loader that runs Wine's 32-bit half.
  local emulator=()
  [ "$arch" = i686 ] && [ -n "${WINE32_LOADER:-}" ] && emulator=(-DTARVISK_WINE="$WINE32_LOADER")
  if ! { cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           "${emulator[@]}" -DTARVISK_WERROR=ON -DGTest_DIR="$gtest/lib/cmake/GTest" -DTARVISK_ART_DIR="$PWD/window/art" \
           -DTARVISK_TUNES_DIR="$tunes" &&
         cmake --build "$out" -j2; } >>"$log" 2>&1; then
    grep -E "error|Error" "$log" | head -30 >&2
    return 1
  fi
}
