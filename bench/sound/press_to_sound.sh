#!/usr/bin/env bash
# Press to sound: the tuner against a bare player (a minimal Qt window that
# loops a note through one libpulse stream with a 10 ms target length), both
# pressed by X input on a private Xvfb, both heard through one private
# sound server whose null sink is recorded, in one run: PulseAudio, or
# PipeWire with TARVISK_SOUND_SERVER=pipewire. Both run side by side and
# take turns, round by round, so that what the machine and the server do to
# the recording's timing falls on both alike. For each, the delay from a
# press to its note in the recording from rest, a few seconds after a stop
# (idle), while a note sounds (busy), and from a stop to silence (stop);
# then, in ROUNDS_LONG (3) more rounds, from rest after LONG_IDLE_S (40)
# seconds, longer than the tuner keeps its output ready (long); then one
# note looped for LOOP_S (60) seconds by each, alone. And the dropouts: gaps
# in a sounding note, per minute of sound; the tuner's share of a core and its
# wakeups while the note loops; and what it holds resident once its notes
# have played and its stream rests. TARVISK_BENCH_LOAD runs it all
# beside a load: stress (stress-ng --cpu 2) or build (the project built from
# a clean folder with cmake --build -j2, again whenever it is done).
# TARVISK_BENCH_KEEP names a folder to keep the recording, the presses and
# the notes in, for the analysis to be run again.
# Usage: bench/sound/press_to_sound.sh [BUILD_DIR [PROGRAM]]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$source_dir/build}")
program=$(realpath "${2:-$build/tarvisk}")
rounds=${ROUNDS:-9}
rounds_long=${ROUNDS_LONG:-3}
long_idle_s=${LONG_IDLE_S:-40}
loop_s=${LOOP_S:-60}
load=${TARVISK_BENCH_LOAD:-none}
rest_s=2
# A stop's silence is read for up to 0.9 s after its press: the other
# program's next note comes after that.
apart_s=1
source "$source_dir/scripts/lib/packages.sh"
ensure_packages "${TARVISK_PACKAGES[@]}" "${TARVISK_BENCH_PACKAGES[@]}"
cmake --build "$build" --target tarvisk_recording_analysis tarvisk_bare_player tarvisk_tunes_library -j2 \
  >/dev/null || exit 1
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/sound_server.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
load_pid= bare=
cleanup() {
  [ -n "$load_pid" ] && kill -- -"$load_pid" 2>/dev/null && wait "$load_pid" 2>/dev/null
  [ -n "$bare" ] && kill "$bare" 2>/dev/null && wait "$bare" 2>/dev/null
  stop_app; stop_sound_server; stop_xvfb; rm -rf "$work"
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

# Presses a program's window: its events file and top-left corner are in
# PROGRAM_events, PROGRAM_x and PROGRAM_y.
press() { # program, x and y in its window, kind of press, file it should bring, button
  local events=${1}_events x=${1}_x y=${1}_y before
  xdotool mousemove $((${!x} + $2)) $((${!y} + $3)) sleep 0.1
  before=$(date +%s%N)
  xdotool click "${6:-1}"
  echo "$before $(date +%s%N) $4 $5" >>"${!events}"
}

# The tuner in loop mode: a string's note, another's in its place, the reset.
tarvisk_round() { # round number, kind of its first press
  local i=$(($1 % 6)) other=$((($1 + 3) % 6))
  press tarvisk "${string_x[$i]}" "${string_y[$i]}" "$2" "$tones/${note_files[$i]}"; sleep 1
  press tarvisk "${string_x[$other]}" "${string_y[$other]}" busy "$tones/${note_files[$other]}"; sleep 1
  press tarvisk "${string_x[$other]}" "${string_y[$other]}" stop "$reset"
}

# The bare player, pressed in the middle of its window: its left presses
# take turns between its two notes.
press_bare() { press bare 192 275 "$@"; }
bare_round() {
  press_bare "$2" "$tones/A.wav"; sleep 1
  press_bare busy "$tones/D.wav"; sleep 1
  press_bare stop "$reset" 3
}

# The rounds, each program's in turn: a note, another in its place and a
# stop, each from rest, then each after a long idle.
play_rounds() {
  local r
  for r in $(seq "$rounds"); do
    sleep "$rest_s"; tarvisk_round "$r" idle; sleep "$apart_s"; bare_round "$r" idle
  done
  for r in $(seq "$rounds_long"); do
    sleep "$long_idle_s"; tarvisk_round "$r" long; sleep "$apart_s"; bare_round "$r" long
  done
}

# What a process has run (clock ticks, all threads) and how often its
# threads went to sleep.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
wakeups() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }

# One note looped for a minute, then stopped, its presses in a file of
# their own; the tuner's share of a core and its wakeups while it loops.
tarvisk_loop() {
  local tarvisk_events=$work/loop.tarvisk
  press tarvisk "${string_x[4]}" "${string_y[4]}" idle "$tones/A.wav"; sleep 1
  local ticks wakes start=$EPOCHREALTIME
  ticks=$(cpu_ticks "$app") wakes=$(wakeups "$app")
  sleep "$((loop_s - 1))"
  looping=$(awk -v t0="$ticks" -v t1="$(cpu_ticks "$app")" -v w0="$wakes" -v w1="$(wakeups "$app")" \
              -v s0="$start" -v s1="$EPOCHREALTIME" -v hz="$(getconf CLK_TCK)" \
              'BEGIN { s = s1 - s0; printf "%.1f%% of a core, %d wakeups a second", 100 * (t1 - t0) / hz / s, (w1 - w0) / s }')
  press tarvisk "${string_x[4]}" "${string_y[4]}" stop "$reset"
}
bare_loop() {
  local bare_events=$work/loop.bare
  press_bare idle "$tones/A.wav"; sleep "$loop_s"; press_bare stop "$reset" 3
}

# The project built from a clean folder, over and over, in a process group
# of its own.
build_load() {
  while :; do
    rm -rf "$work/load"
    cmake -S "$source_dir" -B "$work/load" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null 2>&1
    cmake --build "$work/load" -j2 >/dev/null 2>&1
  done
}

rate=48000
start_sound_server "$rate" || exit 1
case $load in
  stress) setsid stress-ng --cpu 2 --quiet & load_pid=$!; echo "== beside stress-ng --cpu 2" ;;
  build) setsid bash -c "$(declare -f build_load); work=$work source_dir=$source_dir build_load" &
         load_pid=$!; echo "== beside cmake --build -j2 from a clean folder" ;;
esac
echo "== on $TARVISK_SOUND_SERVER"
start_recording "$work/sink.raw" || { echo "no recording"; exit 1; }

tarvisk_events="$work/events.tarvisk" bare_events="$work/events.bare"
: >"$tarvisk_events"; : >"$bare_events"
start_app || { echo "the tuner did not start"; exit 1; }
tarvisk_x=$wx tarvisk_y=$wy
sleep 6 # the opening chord
# Each loops alone: on PipeWire the bare player's stream, running from its
# start, sets the graph's pace (a 5 ms quantum) for every stream.
tarvisk_loop
"$build/bench/sound/tarvisk_bare_player" "$tones/A.wav" "$tones/D.wav" >"$work/bare.txt" 2>&1 &
bare=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Bare player$' | head -n 1)
[ -n "$window" ] || { echo "the bare player did not start"; cat "$work/bare.txt"; exit 1; }
# Clear of the tuner's window, which stands in the middle of the screen.
xdotool windowmove --sync "$window" 0 0
read -r bare_x bare_y < <(xwininfo -id "$window" |
                            awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
play_rounds
# What the tuner holds once its notes have played and its stream rests.
sleep 16
tarvisk_rss=$(awk '/^VmRSS:/ {printf "%.1f MiB", $2 / 1024}' "/proc/$app/status")
[ -s "$work/out.txt" ] && { echo "the tuner said:"; cat "$work/out.txt"; }
stop_app
bare_loop
kill "$bare"; wait "$bare" 2>/dev/null; bare=
stop_recording
origin=$(recording_origin_ns)

# The dropouts per minute of sounding notes beside the analysis's own lines.
analyse() { # events file
  local_press_times "$1" >"$1.local"
  TARVISK_BENCH_VERBOSE=1 "$build/bench/sound/tarvisk_recording_analysis" "$work/sink.raw" "$rate" "$origin" \
    "$1.local" |
    grep -E "^(latency|dropout|idle|busy|stop|long|gap)" |
    awk '{ print } /^dropouts: / { printf "dropouts per minute: %.2f\n", 60 * $2 / ($(NF - 4) > 0 ? $(NF - 4) : 1) }'
}
echo "== tarvisk (resident after its notes: $tarvisk_rss; while a note loops: $looping)"
echo "-- its rounds, the bare player beside it"; analyse "$work/events.tarvisk"
echo "-- its loop, alone"; analyse "$work/loop.tarvisk"
echo "== bare player (one libpulse stream, 10 ms target length)"
echo "-- its rounds, the tuner beside it"; analyse "$work/events.bare"
echo "-- its loop, alone"; analyse "$work/loop.bare"
if [ -n "${TARVISK_BENCH_KEEP:-}" ]; then
  mkdir -p "$TARVISK_BENCH_KEEP/prog"
  cp "$work"/sink.raw* "$TARVISK_BENCH_KEEP"/
  cp -r "$work/prog/Tunes" "$TARVISK_BENCH_KEEP/prog/"
  for f in "$work"/events.* "$work"/loop.*; do
    sed "s|$work/prog/|$TARVISK_BENCH_KEEP/prog/|" "$f" >"$TARVISK_BENCH_KEEP/${f##*/}"
  done
  echo "$origin" >"$TARVISK_BENCH_KEEP/origin"
fi
