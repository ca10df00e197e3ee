#!/usr/bin/env bash
# The real program on a desktop: Xvfb with a window manager, a private
# sound server (PulseAudio, or PipeWire with TARVISK_SOUND_SERVER=pipewire)
# on a null sink whose monitor is recorded, presses by X
# input. Reports, at sink rates of 48 and 44.1 kHz, the delay from a press to
# its sound (nothing sounding, a note sounding, a loop stopped by the reset),
# the largest sample step where one sound gives way to the next against the
# tones' own (pure tones), and the played pitch of the default library. Then whether the
# stream follows the user's switch of the default output.
# Usage: bench/sound/desktop_bench.sh [BUILD_DIR [PROGRAM]]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$source_dir/build}")
program=$(realpath "${2:-$build/tarvisk}")
source "$source_dir/scripts/lib/packages.sh"
ensure_packages "${TARVISK_PACKAGES[@]}"
cmake --build "$build" --target tarvisk_recording_analysis tarvisk_tunes_library -j2 >/dev/null || exit 1
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/sound_server.sh"
source "$source_dir/tests/program/app.sh"
source "$source_dir/tests/program/sound.sh"

work=$(mktemp -d)
cleanup() { stop_app; stop_sound_server; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog"
cp "$program" "$work/prog/tarvisk"
cp -r "$build/Tunes" "$work/prog/Tunes"
for rate in 48000 44100; do
  echo "== sink at $rate Hz"
  start_sound_server "$rate" || exit 1
  start_app
  sleep 6 # the opening chord
  start_recording "$work/sink.raw" || { echo "no recording"; exit 1; }
  : >"$work/events"
  # The played pitch of the default library's first set, then the steps.
  pitch_presses
  transition_presses 0 1 2 3 4 5 0 2 4
  stop_recording
  "$build/bench/sound/tarvisk_recording_analysis" "$work/sink.raw" "$rate" "$(recording_origin_ns)" "$work/events"

  if [ "$rate" = 48000 ]; then
    read -r before after other <<<"$(switch_default_sink)"
    if [ "$after" = "$other" ]; then verdict="moved"; else verdict="stayed"; fi
    echo "default output switched while a note sounds: the stream $verdict (sink $before -> $after)"
  fi
  [ -s "$work/out.txt" ] && { echo "program said:"; cat "$work/out.txt"; }
  stop_app
  stop_sound_server
done
