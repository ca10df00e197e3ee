#!/usr/bin/env bash
# The installed program, started through bin/tarvisk from another working
# folder under Xvfb, finds the library beside the installed program file.
# strace records the files it opens: the listing of the installed Tunes/
# and, after a press on the G string, G.wav from the first set by name.
# A copy of the tree whose only visible set is "Zither" proves that the
# library is looked up beside the program actually started, and that a
# hidden folder (one that would sort first) is not offered.
# Usage: installed_program_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/install/common.sh"

work=$(mktemp -d)
cleanup() { stop_installed; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT
start_xvfb wm || exit 1
trap cleanup EXIT

# A prefix with a space in it: nothing may assume plain paths.
prefix="$work/the prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.txt" 2>&1 ||
  { cat "$work/install.txt"; exit 1; }
prefix=$(realpath "$prefix")
tunes="$prefix/lib/tarvisk/Tunes"

check "program starts through the bin/tarvisk link" start_installed "$prefix/bin/tarvisk"
check "it lists the installed library" opened "$tunes/"
check "it plays the installed opening chord" opened "$tunes/Chord.wav"
press_g_string
check "the first set by name is chosen" opened "$tunes/Acoustic/G.wav"
stop_installed
check "nothing printed" test ! -s "$work/out.txt"

copy="$work/copy"
cp -a "$prefix" "$copy"
mv "$copy/lib/tarvisk/Tunes/Acoustic" "$copy/lib/tarvisk/Tunes/Zither"
mv "$copy/lib/tarvisk/Tunes/Electric" "$copy/lib/tarvisk/Tunes/.Electric"
for set in "${default_sets[@]}"; do rm -rf "$copy/lib/tarvisk/Tunes/$set"; done
# Found on PATH, as the desktop entry's Exec=tarvisk is.
export PATH="$copy/bin:$PATH"
check "the copy starts by name from PATH" start_installed tarvisk
press_g_string
check "the copy plays from its own library's only visible set" \
  opened "$copy/lib/tarvisk/Tunes/Zither/G.wav"
stop_installed
check "nothing opened from the first tree" bash -c '! grep -F "\"$1/" "$2" | grep -qv "= -1"' _ \
  "$prefix" "$work/trace.txt"
check "the hidden folder is not offered" bash -c '! grep -qF "/.Electric/" "$1"' _ "$work/trace.txt"

finish
