#!/usr/bin/env bash
# The Windows downloads as CPack makes them from build-win32/: the zip holds
# the program and its library side by side; the NSIS installer, run silently
# in a fresh Wine prefix, puts them at the root of Program Files\Tarvisk (the
# 32-bit one, "Program Files (x86)", in a 64-bit prefix), adds the Start-menu
# shortcut and the Add/Remove Programs entry, the installed program starts
# with its library, and the silent uninstaller takes it all away again.
# Run by scripts/test-win32, which gives the display, the 32-bit Wine loader
# as WINE (through qemu where the kernel runs no 32-bit code), the loader of
# PROBE_EXE and of Wine's reg as PROBE_WINE (WINE by default), optionally a
# fresh prefix of its own making as INSTALL_PREFIX, and TARVISK_WAIT_FACTOR
# for a slow Wine. Prints ok, FAIL and SKIP lines, then
# "N passed, M failed[, K skipped]".
# Usage: installer_test.sh BUILD_DIR SOURCE_DIR PROBE_EXE
set -uo pipefail
build=$1
source "$2/tests/install/common.sh"
source "$2/scripts/lib/win32.sh"
probe_exe=$3
wine=$WINE
probe_wine=${PROBE_WINE:-$WINE}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

work=$(mktemp -d)
export WINEPREFIX=${INSTALL_PREFIX:-$work/prefix}
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
  'unzip -p "$1" "tarvisk-$2-win32/copyright.txt" | grep -qF "2000-2002, 2008 Frank Wen"' \
  _ "$zip" "$version"

# What NSIS packed, by 7-Zip (7zz in Debian 12's 7zip, 7z in Debian 13's),
# and the script CPack gave it.
sevenzip=$(command -v 7zz 7z | head -n 1)
check "7-Zip is installed" test -n "$sevenzip"
"${sevenzip:-7zz}" l -slt "$installer" | sed -n 's/^Path = //p' | tr '\\' / >"$work/packed.txt"
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

which="32-bit installer"

# Everything in the prefix runs with its output elsewhere, so Wine's helper
# processes hold no pipe of the caller's open.
wine_quiet() { timeout $((120 * SLOW)) "$wine" "$@" >>"$work/wine.txt" 2>&1; }
probe() { timeout $((60 * SLOW)) "$probe_wine" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
[ -n "${INSTALL_PREFIX:-}" ] || check "a fresh Wine prefix" wine_prefix "$probe_wine" $((300 * SLOW))
check "$which: silent install" wine_quiet "$installer" /S
timeout $((120 * SLOW)) wineserver -w

programs="Program Files"
[ -d "$WINEPREFIX/drive_c/Program Files (x86)" ] && programs="Program Files (x86)"
dir="$WINEPREFIX/drive_c/$programs/Tarvisk"
check "$which: tarvisk.exe at the root of $programs\\Tarvisk" test -f "$dir/tarvisk.exe"
check "$which: Tunes\\reset.wav beside it" test -f "$dir/Tunes/reset.wav"
check "$which: no bin\\ folder" test ! -e "$dir/bin"
shortcut=$(find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/Tarvisk/Tarvisk.lnk" 2>/dev/null | head -1)
check "$which: Start-menu shortcut to tarvisk.exe" bash -c '[ -n "$1" ] && grep -aqi "tarvisk.exe" "$1"' _ "$shortcut"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvisk'
# In the registry's 32-bit view, as the 32-bit uninstaller wrote it.
reg_query() { timeout $((60 * SLOW)) "$probe_wine" reg query "$uninstall_key" /reg:32 "$@"; }
registered() { # value, then how it ends
  reg_query /v "$1" 2>/dev/null | tr -d '\r' |
    grep -qiE "^ +$1 +REG_SZ +.*$2\$"
}
check "$which: Add/Remove Programs: version $version" registered DisplayVersion " $version"
check "$which: Add/Remove Programs: the program's icon" registered DisplayIcon 'Tarvisk.tarvisk\.exe'

# The installed program, started from elsewhere, finds its library.
(cd / && exec "$wine" "C:\\$programs\\Tarvisk\\tarvisk.exe" >>"$work/wine.txt" 2>&1) &
app=$!
shows_sets() {
  kill -0 "$app" 2>/dev/null || return 2
  probe window | grep -q "visible 1$" && probe combo | grep -qx "text Acoustic"
}
check "$which: installed program shows its window with the sets listed" wait_until 60 shows_sets
probe close >/dev/null
app_gone() { ! kill -0 "$app" 2>/dev/null; }
wait_until 20 app_gone
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null

# NSIS's uninstaller copies itself to a temporary folder and runs from there.
check "$which: silent uninstall" wine_quiet "C:\\$programs\\Tarvisk\\Uninstall.exe" /S
timeout $((120 * SLOW)) wineserver -w
check "$which: program and library removed" test ! -e "$dir/tarvisk.exe" -a ! -e "$dir/Tunes"
check "$which: shortcut removed" test ! -e "$shortcut"
check "$which: Add/Remove Programs entry removed" eval '! reg_query >/dev/null 2>&1'

finish
