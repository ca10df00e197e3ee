# Presses whose sound the recording analysis finds, and what the sound
# server shows of the program. Sourced by the sound server tests and the
# desktop benchmark after tests/program/app.sh and scripts/lib/sound_server.sh;
# the caller has started the program and the recording.

note_files=(E2.wav H.wav G.wav D.wav A.wav E.wav)

press() { # string index, kind of press, file it should bring
  xdotool mousemove $((wx + string_x[$1])) $((wy + string_y[$1])) sleep 0.1
  echo "$(date +%s%N) $2 $3" >>"$work/events"
  xdotool click 1
}

# Each string of a set (by default the first, chosen at start) in turn,
# long enough to measure its pitch.
pitch_presses() { # set folder name
  local set_dir=$work/prog/Tunes/${1:-Acoustic} i
  for i in 0 1 2 3 4 5; do
    press "$i" pitch "$set_dir/${note_files[$i]}"; sleep 2.6
    press "$i" stop "$work/prog/Tunes/reset.wav"; sleep 1.2
  done
}

# The pure tones, which move least of all by themselves, chosen (the last
# set: the wheel over the Sound list stops there); then for
# each string given one press from rest and one while it sounds.
transition_presses() { # string indices
  xdotool mousemove --sync $((wx + 60)) $((wy + 429)) sleep 0.2 click --repeat 12 --delay 50 5 sleep 0.5
  local tones=$work/prog/Tunes/Sine i other
  for i in "$@"; do
    other=$(((i + 3) % 6))
    press "$i" idle "$tones/${note_files[$i]}"; sleep 0.7
    press "$other" busy "$tones/${note_files[$other]}"; sleep 0.7
    press "$other" stop "$work/prog/Tunes/reset.wav"; sleep 1.2 # the device rests again
  done
}

# A second output becomes the default while a pure tone loops; prints the
# sink the stream was on and the one it is on after.
switch_default_sink() {
  local module before after other
  module=$(pactl load-module module-null-sink sink_name=tarvisk_other rate="$PULSE_RATE")
  other=$(pactl list sinks short | awk '$2 == "tarvisk_other" {print $1}')
  press 4 idle "$work/prog/Tunes/Sine/A.wav"; sleep 0.5
  before=$(pactl list sink-inputs short | awk '{print $2}')
  pactl set-default-sink tarvisk_other
  sleep 1
  after=$(pactl list sink-inputs short | awk '{print $2}')
  press 4 stop "$work/prog/Tunes/reset.wav"; sleep 0.3
  pactl set-default-sink tarvisk_sink
  pactl unload-module "$module"
  echo "$before $after $other"
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
