#!/usr/bin/env bash
# The Windows downloads as CPack makes them from build-win32/: the zip holds
# the program and its library side by side; the NSIS installer, run silently
# in a fresh Wine prefix, puts them at the root of Program Files\Tarvisk, adds
# the Start-menu shortcut and the Add/Remove Programs entry, the installed
# program starts with its library, and the silent uninstaller takes it all
# away again. The shipped installer is a 32-bit program: where this machine
# runs no 32-bit code, CPack makes the same installer as a 64-bit program
# from the 64-bit build, and that one goes through those steps under 64-bit
# Wine instead. PROBE_EXE must match the Wine that runs.
# Run by scripts/test-win32, which gives the display. Prints ok, FAIL and
# SKIP lines, then "N passed, M failed[, K skipped]".
# Usage: installer_test.sh BUILD_DIR SOURCE_DIR PROBE_EXE [BUILD64_DIR]
set -uo pipefail
build=$1
source "$2/tests/install/common.sh"
source "$2/scripts/lib/win32.sh"
probe_exe=$3
build64=${4:-$2/build-win64}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

(cd "$build" && cpack -G "NSIS;ZIP" -B "$work/cpack") >"$work/cpack.txt" 2>&1 ||
  { cat "$work/cpack.txt"; echo "0 passed, 1 failed"; exit 1; }
installer=$work/cpack/tarvisk-$version-win32.exe
zip=$work/cpack/tarvisk-$version-win32.zip
check "32-bit installer and zip carry version $version" test -f "$installer" -a -f "$zip"

unzip -Z1 "$zip" >"$work/zip.txt" 2>&1
zipped_side_by_side() {
  local file
  for file in tarvisk.exe Tunes/reset.wav Tunes/Chord.wav Tunes/Acoustic/E.wav copyright.txt; do
    grep -qxF "tarvisk-$version-win32/$file" "$work/zip.txt" || return 1
  done
}
check "zip: tarvisk.exe, Tunes and copyright.txt side by side in one folder" zipped_side_by_side
check "zip: copyright.txt holds FluidR3 GM's notice for the recorded notes" bash -c \
  'unzip -p "$1" "tarvisk-$2-win32/copyright.txt" | grep -qF "Copyright: 2000-2002, 2008 Frank Wen"' \
  _ "$zip" "$version"

# What NSIS packed, by 7-Zip, and the script CPack gave it.
7zz l -slt "$installer" | sed -n 's/^Path = //p' | tr '\\' / >"$work/packed.txt"
packed_side_by_side() {
  local file
  for file in tarvisk.exe Tunes/reset.wav Tunes/Acoustic/E.wav copyright.txt; do
    grep -qxF "$file" "$work/packed.txt" || return 1
  done
  ! grep -q '^bin/' "$work/packed.txt"
}
check "32-bit installer packs tarvisk.exe, Tunes and copyright.txt side by side" packed_side_by_side
nsi=$work/cpack/_CPack_Packages/win32/NSIS/project.nsi
script_registers() {
  grep -qF "CreateShortCut '\$SMPROGRAMS\\\$STARTMENU_FOLDER\\Tarvisk.lnk' '\$INSTDIR\\tarvisk.exe'" "$nsi" &&
    grep -A1 'Push "DisplayVersion"' "$nsi" | grep -qxF "  Push \"$version\"" &&
    grep -A1 'Push "DisplayIcon"' "$nsi" | grep -qxF '  Push "$INSTDIR\tarvisk.exe"'
}
check "32-bit installer script: Start-menu shortcut to tarvisk.exe, uninstaller with version and icon" \
  script_registers
check "32-bit installer's licence page shows copyright.txt" grep -q 'MUI_PAGE_LICENSE ".*copyright\.txt"' "$nsi"

if wine32_runs; then
  bits=32 wine=wine
  export WINEARCH=win32
elif [ -f "$build64/CMakeCache.txt" ]; then
  bits=64 wine=/usr/lib/wine/wine64
  export WINEARCH=win64
  (cd "$build64" && cpack -G NSIS -B "$work/cpack64") >"$work/cpack64.txt" 2>&1
  installer=$work/cpack64/tarvisk-$version-win64.exe
  check "64-bit installer made from $(basename "$build64")" \
    bash -c 'x86_64-w64-mingw32-objdump -f "$1" | grep -q "format pei-x86-64"' _ "$installer"
  [ -f "$installer" ] || cat "$work/cpack64.txt"
else
  for step in "silent install" "files, shortcut and Add/Remove Programs entry" \
              "installed program shows its window" "silent uninstall removes it all"; do
    skip "$step" "this machine runs no 32-bit code and there is no 64-bit build"
  done
  finish
  exit
fi
which="$bits-bit installer"

# Everything in the prefix runs with its output elsewhere, so Wine's helper
# processes hold no pipe of the caller's open.
wine_quiet() { timeout 120 "$wine" "$@" >>"$work/wine.txt" 2>&1; }
probe() { timeout 60 "$wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
check "$which: silent install" wine_quiet "$installer" /S
timeout 120 wineserver -w

dir="$WINEPREFIX/drive_c/Program Files/Tarvisk"
check "$which: tarvisk.exe at the root of Program Files\\Tarvisk" test -f "$dir/tarvisk.exe"
check "$which: Tunes\\reset.wav beside it" test -f "$dir/Tunes/reset.wav"
check "$which: no bin\\ folder" test ! -e "$dir/bin"
shortcut=$(find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/Tarvisk/Tarvisk.lnk" 2>/dev/null | head -1)
check "$which: Start-menu shortcut to tarvisk.exe" bash -c '[ -n "$1" ] && grep -aqi "tarvisk.exe" "$1"' _ "$shortcut"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvisk'
registered() { # value, then how it ends
  timeout 60 "$wine" reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
    grep -qiE "^ +$1 +REG_SZ +.*$2\$"
}
check "$which: Add/Remove Programs: version $version" registered DisplayVersion " $version"
check "$which: Add/Remove Programs: the program's icon" registered DisplayIcon 'Tarvisk.tarvisk\.exe'

# The installed program, started from elsewhere, finds its library.
(cd / && exec "$wine" 'C:\Program Files\Tarvisk\tarvisk.exe' >>"$work/wine.txt" 2>&1) &
app=$!
started() {
  for _ in $(seq 120); do
    probe window | grep -q "visible 1$" && probe combo | grep -qx "text Acoustic" && return 0
    kill -0 "$app" 2>/dev/null || return 1
    sleep 0.5
  done
  return 1
}
check "$which: installed program shows its window with the sets listed" started
probe close >/dev/null
for _ in $(seq 40); do kill -0 "$app" 2>/dev/null || break; sleep 0.5; done
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null

# NSIS's uninstaller copies itself to a temporary folder and runs from there.
check "$which: silent uninstall" wine_quiet "C:\\Program Files\\Tarvisk\\Uninstall.exe" /S
timeout 120 wineserver -w
check "$which: program and library removed" test ! -e "$dir/tarvisk.exe" -a ! -e "$dir/Tunes"
check "$which: shortcut removed" test ! -e "$shortcut"
check "$which: Add/Remove Programs entry removed" bash -c "! timeout 60 $wine reg query '$uninstall_key' >/dev/null 2>&1"

finish
