#!/usr/bin/env bash
# The real program on a private PulseAudio server that is killed and started
# again under it, as after a crash or an update: the next press is heard.
# Usage: sound_server_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/pulse.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
cleanup() { stop_app; stop_pulse; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes" "$work/prog/Tunes"

# Whether the recording holds sound: its loudest sample.
heard() { # recording
  od -An -v -f "$1" | awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } }
                           END { exit !(m > 0.05) }'
}
record_press() { # string index, recording
  start_recording "$2" || return 1
  click "${string_x[$1]}" "${string_y[$1]}"
  sleep 0.7
  click "${string_x[$1]}" "${string_y[$1]}" # again: the reset ends the loop
  stop_recording
}

start_pulse 48000 || exit 1
start_app ALSOFT_DRIVERS=pulse
sleep 1
record_press 2 "$work/before.raw"
check "a press is heard" heard "$work/before.raw"

restart_pulse || exit 1
record_press 3 "$work/after.raw"
check "after the sound server restarts, the next press is heard" heard "$work/after.raw"
check "the program still runs" kill -0 "$app"
check "nothing printed" test ! -s "$work/out.txt"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
