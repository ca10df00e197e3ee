#!/usr/bin/env bash
# The real program on a private sound server, PulseAudio or PipeWire as
# TARVISK_SOUND_SERVER says, at 48 kHz: presses are heard, files of every
# rate from 8 to 96 kHz at their pitch, with no step where one sound gives
# way to the next; the stream follows the user's switch of the default
# output, and the server lists the program by its name and icon; a server
# that comes after the program is used, and after each server process is
# killed and started again under it, as after a crash or an update, a loop
# that sounded sounds again and the next press is heard; closing the window
# while a loop sounds fades it; sinks at 96 and 192 kHz play at pitch with
# the server never short of frames. Each sound is found by what it is (the recording
# analysis), so a dropout on a busy machine is counted, never judged; the
# same recording read as a player at fault would have made it fails.
# Usage: sound_server_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/sound_server.sh"
source "$source_dir/tests/program/app.sh"
source "$source_dir/tests/program/sound.sh"

work=$(mktemp -d)
cleanup() { stop_app; stop_sound_server; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes" "$work/prog/Tunes"
# A set chosen at start (it sorts first) of pure tones at every rate a file
# may have, and one recorded note.
write_tone() { # file, Hz, rate: three seconds, 16-bit mono
  python3 - "$@" <<'PY'
import math, struct, sys, wave
path, hz, rate = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
with wave.open(path, "wb") as out:
    out.setnchannels(1); out.setsampwidth(2); out.setframerate(rate)
    out.writeframes(b"".join(struct.pack("<h", round(16383 * math.sin(2 * math.pi * hz * i / rate)))
                             for i in range(3 * rate)))
PY
}
rates="$work/prog/Tunes/1 Rates"
mkdir -p "$rates"
write_tone "$rates/E2.wav" 329.63 8000
write_tone "$rates/H.wav" 246.94 22050
write_tone "$rates/G.wav" 196.00 44100
write_tone "$rates/D.wav" 146.83 48000
write_tone "$rates/A.wav" 110.00 96000
cp "$work/prog/Tunes/Acoustic/E.wav" "$rates/E.wav"

# The recording's verdicts once more, as a player at fault would have made
# it: each must fail. The wrong note: every file another string's; late:
# every sound half a second after its click went out, which the click's own
# time to go out must not excuse; nothing: silence throughout.
mutant_fails() { # kind
  local events=$work/events.$1 recording=$work/sink.raw ns sent kind path file took
  while read -r ns sent kind path; do
    file=${path##*/}
    case $1 in
      wrong) case $file in
               E2.wav) file=H.wav ;; H.wav) file=G.wav ;; G.wav) file=D.wav ;;
               D.wav) file=A.wav ;; A.wav) file=E.wav ;; E.wav) file=E2.wav ;;
             esac ;;
      late) took=$((sent - ns)) ns=$((ns - 500000000 - took)) sent=$((sent - 500000000 - took)) ;;
    esac
    echo "$ns $sent $kind ${path%/*}/$file"
  done <"$work/events" >"$events"
  if [ "$1" = nothing ]; then
    recording=$work/silence.raw
    head -c "$(stat -c %s "$work/sink.raw")" /dev/zero >"$recording"
  fi
  analyse "$recording" "$origin" "$events" "$work/analysis.$1"
  ! grep -q "^verdict .*: ok$" "$work/analysis.$1" || { grep "^verdict" "$work/analysis.$1" | sed 's/^/  /'; return 1; }
}
follows() { read -r before after <<<"$1"; [ "$before" = tarvisk_sink ] && [ "$after" = tarvisk_other ]; }
# The program's own properties, the user's beside them.
named() { # kind
  local props
  props=$(program_properties "$1")
  grep -qx 'application.name="Tarvisk"' <<<"$props" &&
    grep -qx 'application.icon_name="tarvisk"' <<<"$props" &&
    grep -qx "application.version=\"user's own\"" <<<"$props" || { sed 's/^/  /' <<<"$props"; return 1; }
}
# No property whose value is another's name, as pipewire-pulse 0.3.65
# misreads an empty value, and none empty, as PulseAudio lists one.
none_garbled() { # kind
  program_properties "$1" | awk -F= '{ key[NR] = $1; value[NR] = $2; if ($2 == "hex:") { print "  " $0; bad = 1 } }
    END { for (i in key) for (j in value) if (index(value[j], key[i])) { print "  " key[j] "=" value[j]; bad = 1 }
          exit bad }'
}
stream_named() { program_properties sink-inputs | grep -qx 'media.name="Reference notes"'; }

start_sound_server 48000 || exit 1
# Recorded from before the program starts, so the opening chord is heard
# whenever it comes.
start_recording "$work/sink.raw" || exit 1
: >"$work/events"
# A property of the user's own, which the program's are added to.
start_app "PULSE_PROP_OVERRIDE=application.version=\"user's own\"" || exit 1
opening_chord_over || exit 1
pitch_presses "1 Rates"
transition_presses 0 1 2 3 4 5
stop_recording
origin=$(recording_origin_ns)
analyse "$work/sink.raw" "$origin" "$work/events" "$work/analysis"
sed 's/^/  /' "$work/analysis"
check "every press brings its file within 0.4 s, however dropouts cut it" verdict heard "$work/analysis"
check "every file, 8 to 96 kHz, plays at its own pitch within 0.01 cent" verdict pitch "$work/analysis"
check "no click where a sound gives way: no step above 1.5 times the tones' own" verdict clicks "$work/analysis"
check "against a player that plays the wrong note, every check fails" mutant_fails wrong
check "against one that plays late, every check fails" mutant_fails late
check "against one that plays nothing, every check fails" mutant_fails nothing

press 4 idle "$work/prog/Tunes/Sine/A.wav"
wait_for "the program's stream" stream_named
check "the server lists the program by its name and icon" named clients
check "and its stream" named sink-inputs
check "no property of the program's is garbled" none_garbled clients
check "nor of its stream" none_garbled sink-inputs
check "the stream says what it plays" stream_named
press 4 stop "$work/prog/Tunes/reset.wav"
moves=$(switch_default_sink)
heard_there=$?
check "the stream follows the user's switch of the default output ($moves)" follows "$moves"
check "and a press after is heard there" test "$heard_there" -eq 0

# A server that starts after the program: without one a press plays
# through ALSA (whose device plays nothing here), and the press after the
# server has come is heard on it.
sound_server_down
click "${string_x[2]}" "${string_y[2]}"
click "${string_x[2]}" "${string_y[2]}"
sound_server_up || exit 1
check "a server that starts after the program is used from the next press" heard_press 1 "$work/late.raw"

# A loop that sounds when its server ends sounds again on the new one,
# without a press.
loop_sounds() { # recording
  start_recording "$1" || return 1
  wait_for "the loop in the recording" sounding
}
for process in $(sound_server_restarts); do
  press 4 idle "$work/prog/Tunes/Sine/A.wav"
  loop_sounds "$work/before.raw" || exit 1
  restart_sound_server "$process" || exit 1
  check "after $process restarts, the loop sounds again" loop_sounds "$work/resumed.raw"
  stop_recording
  press 4 stop "$work/prog/Tunes/reset.wav"
  check "and the next press is heard" heard_press 3 "$work/after.raw"
done
check "the program still runs" kill -0 "$app"
# What --verbose asks for, and nothing else.
printed_nothing() {
  ! grep -v '^tarvisk: sound server stream at [0-9]* Hz: tlength' "$work/out.txt" | sed 's/^/  /' | grep .
}
check "nothing printed" printed_nothing

# Closing the window while a loop sounds: the loop fades, steps no further
# where it ends than the tone itself does, and the program ends.
# Where the sound ends in a recording, its last sample against the tone's
# own step (the 99th percentile of its steps over the first half, which a
# dropout does not move): a fade ends near nothing, a cut anywhere.
end_step_ratio() { # recording
  python3 - "$1" <<'PY'
import array, sys
a = array.array("f"); a.frombytes(open(sys.argv[1], "rb").read()); left = a[0::2]
loud = [i for i, v in enumerate(left) if abs(v) > 0.01]
if not loud:
    sys.exit(print("no sound"))
steps = sorted(abs(y - x) for x, y in zip(left[loud[0]:(loud[0] + loud[-1]) // 2], left[loud[0] + 1:]))
last = max(i for i, v in enumerate(left) if v != 0.0)
print(f"{abs(left[last]) / steps[len(steps) * 99 // 100]:.2f}")
PY
}
start_recording "$work/quit.raw" || exit 1
press 4 idle "$work/prog/Tunes/Sine/A.wav"
wait_for "the loop in the recording" sounding || exit 1
read -r _ right top _ < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',')
xdotool mousemove --sync $((wx + ww + right - 10)) $((wy - top / 2)) click 1
check "the close box ends the program while a loop sounds" ended
wait_for "silence after the program" silent
stop_recording
ratio=$(end_step_ratio "$work/quit.raw")
check "its loop fades: where it ends, no step larger than 1.5 times the tone's own ($ratio)" \
  awk -v r="$ratio" 'BEGIN { exit !(r <= 1.5) }'

# Sinks at 96 and 192 kHz: the stream takes the rate, and a loop plays at
# its pitch. How often the server ran short is a figure, as dropouts are:
# a busy machine decides it, not the program (bench/sound measures it).
at_pitch() { verdict pitch "$1" || { sed 's/^/  /' "$1"; false; }; }
# PipeWire's graph keeps its own pace (requests of the most frames within
# 20 ms that are a power of two, 10.7 ms at these rates), as it would not
# under a stream asking 5 ms.
asks=5 request='5\.0'
[ "$TARVISK_SOUND_SERVER" = pipewire ] && asks=10.7 request='10\.7'
for rate in 96000 192000; do
  stop_sound_server
  start_sound_server "$rate" || exit 1
  start_recording "$work/rate.raw" || exit 1
  : >"$work/events"
  start_app -- --verbose || exit 1
  opening_chord_over || exit 1
  press 4 pitch "$rates/A.wav"; sleep 2.6
  press 4 stop "$work/prog/Tunes/reset.wav"; sleep 1.2
  stop_recording
  analyse "$work/rate.raw" "$(recording_origin_ns)" "$work/events" "$work/rate.analysis"
  check "at $rate Hz the note is heard at its pitch" at_pitch "$work/rate.analysis"
  check "and the stream runs at $rate Hz, asking $asks ms at a time" \
    grep -q "^tarvisk: sound server stream at $rate Hz: .* minreq $request ms" "$work/out.txt"
  echo "     the server ran short of frames $(grep -c 'ran out of frames' "$work/out.txt") times at $rate Hz"
  stop_app
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
