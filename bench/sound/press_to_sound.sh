#!/usr/bin/env bash
# Press to sound: the tuner against a bare player (a minimal Qt window whose
# press calls alSourcePlay on a preloaded buffer, OpenAL Soft as it comes),
# both pressed by X input on a private Xvfb, both heard through one private
# PulseAudio server whose null sink is recorded, in one run. For each, the
# delay from a press to its note in the recording with nothing sounding
# (idle) and while a note sounds (busy), and the dropouts: gaps in a
# sounding note. TARVISK_BENCH_STRESS=1 runs it all beside stress-ng --cpu 2.
# Usage: bench/sound/press_to_sound.sh [BUILD_DIR [PROGRAM]]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$source_dir/build}")
program=$(realpath "${2:-$build/tarvisk}")
rounds=${ROUNDS:-9}
source "$source_dir/scripts/lib/packages.sh"
ensure_packages "${TARVISK_PACKAGES[@]}" "${TARVISK_BENCH_PACKAGES[@]}"
cmake --build "$build" --target tarvisk_recording_analysis tarvisk_bare_player tarvisk_tunes_library -j2 \
  >/dev/null || exit 1
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/pulse.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
stress_pid=
cleanup() {
  [ -n "$stress_pid" ] && kill "$stress_pid" 2>/dev/null && wait "$stress_pid" 2>/dev/null
  stop_app; stop_pulse; stop_xvfb; rm -rf "$work"
}
start_xvfb || exit 1
trap cleanup EXIT
# The pure tones alone: the first set, and the clearest onsets.
mkdir -p "$work/prog/Tunes"
cp "$program" "$work/prog/tarvisk"
cp -r "$build/Tunes/Sine" "$build/Tunes/reset.wav" "$build/Tunes/Chord.wav" "$work/prog/Tunes/"
tones="$work/prog/Tunes/Sine"
reset="$work/prog/Tunes/reset.wav"
note_files=(E2.wav H.wav G.wav D.wav A.wav E.wav)

press() { # string index, kind of press, file it should bring, button
  xdotool mousemove $((wx + string_x[$1])) $((wy + string_y[$1])) sleep 0.1
  echo "$(date +%s%N) $2 $3" >>"$events"
  xdotool click "${4:-1}"
}

rate=48000
start_pulse "$rate" || exit 1
if [ "${TARVISK_BENCH_STRESS:-0}" = 1 ]; then
  stress-ng --cpu 2 --quiet &
  stress_pid=$!
  echo "== beside stress-ng --cpu 2"
fi
start_recording "$work/sink.raw" || { echo "no recording"; exit 1; }
origin=$(recording_origin_ns)

# The tuner in loop mode: a note, another in its place, the reset.
events="$work/events.tarvisk"
: >"$events"
start_app || { echo "the tuner did not start"; exit 1; }
sleep 6 # the opening chord
for r in $(seq "$rounds"); do
  i=$((r % 6)) other=$(((r + 3) % 6))
  press "$i" idle "$tones/${note_files[$i]}"; sleep 1
  press "$other" busy "$tones/${note_files[$other]}"; sleep 1
  press "$other" stop "$reset"; sleep 1.2 # the device rests again
done
[ -s "$work/out.txt" ] && { echo "the tuner said:"; cat "$work/out.txt"; }
stop_app

# The bare player: its note, another in its place, a stop.
events="$work/events.bare"
: >"$events"
"$build/bench/sound/tarvisk_bare_player" "$tones/A.wav" "$tones/D.wav" >"$work/bare.txt" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Bare player$' | head -n 1)
[ -n "$window" ] || { echo "the bare player did not start"; cat "$work/bare.txt"; exit 1; }
sleep 1
read -r wx wy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
for r in $(seq "$rounds"); do
  press 0 idle "$tones/A.wav"; sleep 1
  press 0 busy "$tones/D.wav"; sleep 1
  press 0 stop "$reset" 3; sleep 1.2
done
stop_app
stop_recording

analyse() { # events file
  "$build/bench/sound/tarvisk_recording_analysis" "$work/sink.raw" "$rate" "$origin" "$1" |
    grep -E "^(latency|dropouts|idle|busy|stop|gap)"
}
echo "== tarvisk"
analyse "$work/events.tarvisk"
echo "== bare player (alSourcePlay, OpenAL Soft's default settings)"
analyse "$work/events.bare"
