#!/usr/bin/env bash
# The real program on a desktop: Xvfb with a window manager, a private
# PulseAudio server on a null sink whose monitor is recorded, presses by X
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
source "$source_dir/scripts/lib/pulse.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
cleanup() { stop_app; stop_pulse; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog"
cp "$program" "$work/prog/tarvisk"
cp -r "$build/Tunes" "$work/prog/Tunes"
set_dir="$work/prog/Tunes/Acoustic"
note_files=(E2.wav H.wav G.wav D.wav A.wav E.wav)

press() { # string index, kind of press, file it should bring
  xdotool mousemove $((wx + string_x[$1])) $((wy + string_y[$1])) sleep 0.1
  echo "$(date +%s%N) $2 $3" >>"$work/events"
  xdotool click 1
}

for rate in 48000 44100; do
  echo "== sink at $rate Hz"
  start_pulse "$rate" || exit 1
  start_app
  sleep 6 # the opening chord
  start_recording "$work/sink.raw" || { echo "no recording"; exit 1; }
  origin=$(recording_origin_ns)
  : >"$work/events"
  # The played pitch of the default library's first set.
  for i in 0 1 2 3 4 5; do
    press "$i" pitch "$set_dir/${note_files[$i]}"; sleep 2.6
    press "$i" stop "$work/prog/Tunes/reset.wav"; sleep 1.2
  done
  # Steps are judged on the pure tones, which move least of all by themselves.
  xdotool mousemove $((wx + 60)) $((wy + 429)) click 1 sleep 0.5 key Down Down Return sleep 0.5
  tones="$work/prog/Tunes/Sine"
  for i in 0 1 2 3 4 5 0 2 4; do
    other=$(((i + 3) % 6))
    press "$i" idle "$tones/${note_files[$i]}"; sleep 0.7
    press "$other" busy "$tones/${note_files[$other]}"; sleep 0.7
    press "$other" stop "$work/prog/Tunes/reset.wav"; sleep 1.2 # the device rests again
  done
  stop_recording
  "$build/bench/sound/tarvisk_recording_analysis" "$work/sink.raw" "$rate" "$origin" "$work/events"

  if [ "$rate" = 48000 ]; then
    # A second output becomes the default while a note loops.
    pactl load-module module-null-sink sink_name=tarvisk_other rate="$rate" >/dev/null
    press 4 idle "$tones/A.wav"; sleep 0.5
    before=$(pactl list sink-inputs short | awk '{print $2}')
    pactl set-default-sink tarvisk_other
    sleep 1
    after=$(pactl list sink-inputs short | awk '{print $2}')
    other_sink=$(pactl list sinks short | awk '$2 == "tarvisk_other" {print $1}')
    if [ "$after" = "$other_sink" ]; then verdict="moved"; else verdict="stayed"; fi
    echo "default output switched while a note sounds: the stream $verdict (sink $before -> $after)"
    press 4 stop "$work/prog/Tunes/reset.wav"; sleep 0.3
  fi
  [ -s "$work/out.txt" ] && { echo "program said:"; cat "$work/out.txt"; }
  stop_app
  stop_pulse
done
