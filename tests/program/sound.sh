# Presses whose sound the recording analysis finds, and what the sound
# server shows of the program. Sourced by the sound server tests and the
# desktop benchmark after tests/program/app.sh and scripts/lib/sound_server.sh;
# the caller has started the program and the recording.

note_files=(E2.wav H.wav G.wav D.wav A.wav E.wav)
analysis=${build:-}/bench/sound/tarvisk_recording_analysis

# The pauses between presses below are how long a guitarist lets a note
# sound: what the recording holds, not a wait for the program. The analysis
# finds each press's note wherever it begins.

# One X client moves and clicks, so the click lands where it moved to.
# Its time, and the time by which it had surely gone out (starting xdotool
# on a busy machine can take a while).
press() { # string index, kind of press, file it should bring
  local before
  before=$(date +%s%N)
  xdotool mousemove $((wx + string_x[$1])) $((wy + string_y[$1])) click 1
  echo "$before $(date +%s%N) $2 $3" >>"$work/events"
}

# Each string of a set (by default the first, chosen at start) in turn,
# sounding long enough to measure its pitch, then stopped and the device
# left in silence a while: the next press comes from rest.
pitch_presses() { # set folder name
  local set_dir=$work/prog/Tunes/${1:-Acoustic} i
  for i in 0 1 2 3 4 5; do
    press "$i" pitch "$set_dir/${note_files[$i]}"; sleep 2.6
    press "$i" stop "$work/prog/Tunes/reset.wav"; sleep 1.2
  done
}

# The pure tones, which move least of all by themselves, chosen (the last
# set: the wheel over the Sound list stops there, before the presses after
# it, which X delivers in order); then for each string given one press from
# rest and one while it sounds, each sounding a while.
transition_presses() { # string indices
  xdotool mousemove $((wx + 60)) $((wy + 429)) click --repeat 12 --delay 50 5
  local tones=$work/prog/Tunes/Sine i other
  for i in "$@"; do
    other=$(((i + 3) % 6))
    press "$i" idle "$tones/${note_files[$i]}"; sleep 0.7
    press "$other" busy "$tones/${note_files[$other]}"; sleep 0.7
    press "$other" stop "$work/prog/Tunes/reset.wav"; sleep 1.2
  done
}
# The loudest sample of the recording's last tenth of a second.
tail_peak() {
  tail -c $((PULSE_RATE * 8 / 10)) "$RECORD_FILE" | od -An -v -f |
    awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } } END { print m + 0 }'
}
sounding() { awk -v p="$(tail_peak)" 'BEGIN { exit !(p > 0.01) }'; }
silent() { awk -v p="$(tail_peak)" 'BEGIN { exit !(p < 1e-4) }'; }

# The opening chord sounds and ends, so that the presses come from rest.
opening_chord_over() {
  wait_for "the opening chord in the recording" sounding && wait_for "the opening chord to end" silent
}

# Analyses a recording against the presses made while it ran.
analyse() { # recording, origin, events, output
  "$analysis" "$1" "$PULSE_RATE" "$2" "$3" >"$4"
}
verdict() { grep -qx "verdict $1: ok" "$2"; }

# Records one press from rest on a string of the Sine set and its stop, and
# whether the analysis heard both.
heard_press() { # string index, recording
  start_recording "$2" || return 1
  : >"$work/events"
  press "$1" idle "$work/prog/Tunes/Sine/${note_files[$1]}"; sleep 0.7
  press "$1" stop "$work/prog/Tunes/reset.wav"; sleep 0.5
  stop_recording
  analyse "$2" "$(recording_origin_ns)" "$work/events" "$2.analysis"
  verdict heard "$2.analysis" || { sed 's/^/  /' "$2.analysis"; return 1; }
}

# The sink the program's stream plays on, by name.
stream_sink() {
  local index
  index=$(pactl list sink-inputs short | awk '{ print $2; exit }')
  [ -n "$index" ] && pactl list sinks short | awk -v i="$index" '$1 == i { print $2 }'
}
on_sink() { [ "$(stream_sink)" = "$1" ]; }

# A second output becomes the default while a pure tone loops; the stream
# follows it there, and a press after is heard on it. Prints the sink the
# stream was on and the one it is on after; answers whether the press was
# heard on the new one.
switch_default_sink() {
  local module before after file=$RECORD_FILE
  module=$(pactl load-module module-null-sink sink_name=tarvisk_other rate="$PULSE_RATE")
  press 4 idle "$work/prog/Tunes/Sine/A.wav"
  wait_for "the program's stream on tarvisk_sink" on_sink tarvisk_sink >&2
  before=$(stream_sink)
  pactl set-default-sink tarvisk_other
  wait_for "the stream to follow the default output to tarvisk_other" on_sink tarvisk_other >&2
  after=$(stream_sink)
  start_recording "$work/other.raw" tarvisk_other.monitor >&2
  : >"$work/events"
  press 3 busy "$work/prog/Tunes/Sine/D.wav"; sleep 0.7
  press 3 stop "$work/prog/Tunes/reset.wav"; sleep 0.5
  stop_recording
  pactl set-default-sink tarvisk_sink
  pactl unload-module "$module" >/dev/null
  analyse "$work/other.raw" "$(recording_origin_ns)" "$work/events" "$work/other.analysis"
  RECORD_FILE=$file
  echo "$before $after"
  verdict heard "$work/other.analysis"
}

# The properties of the program's client or streams (clients, sink-inputs)
# as the server lists them, one key=value a line.
program_properties() { # kind
  pactl list "$1" | awk '
    /^[A-Z]/ { flush(); n = 0; ours = 0 }
    /^\t\t[a-z][^ ]* = / { line = $0; sub(/^\t\t/, "", line); key = line; sub(/ = .*/, "", key)
                           value = line; sub(/^[^=]* = /, "", value); props[++n] = key "=" value
                           if (key == "application.process.binary" && value == "\"tarvisk\"") ours = 1 }
    function flush(  i) { if (ours) for (i = 1; i <= n; i++) print props[i] }
    END { flush() }'
}
