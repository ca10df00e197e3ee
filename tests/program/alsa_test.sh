#!/usr/bin/env bash
# The real program where no sound server answers: it plays through ALSA's
# default device, which a private configuration routes to a file, and a
# press writes its note there; a server that takes the connection and never
# answers holds neither the press nor the end of the program. Without
# libsamplerate, the program says why a note is silent.
# Usage: alsa_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
hung=
cleanup() { stop_app; [ -z "$hung" ] || { kill "$hung"; wait "$hung"; } 2>/dev/null; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog/Tunes"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes/Sine" "$build/Tunes/reset.wav" "$work/prog/Tunes/"
# What reaches the device, as the program writes it: 16-bit stereo at 48 kHz.
cat >"$work/asound.conf" <<EOF
pcm.!default { type file slave.pcm { type null } file "$work/device.raw" format "raw" }
EOF

# Whether the device has been given half a second of the note at HZ, its
# pitch read from the last half second of sound it was given.
given_note() { # Hz
  python3 - "$work/device.raw" "$1" <<'PY'
import array, sys
samples = array.array("h")
data = open(sys.argv[1], "rb").read()
samples.frombytes(data[:len(data) // 4 * 4])
left = samples[0::2]
loud = [i for i, v in enumerate(left) if abs(v) > 1000]
if len(loud) < 24000:
    sys.exit(1)
part = left[max(0, loud[-1] - 24000):loud[-1]]
hz = sum((a < 0) != (b < 0) for a, b in zip(part, part[1:])) / 2 / (len(part) / 48000)
if abs(hz - float(sys.argv[2])) >= 2:
    sys.exit(1)
print(f"  the device's last note: {hz:.1f} Hz")
PY
}
note_given() { wait_for "the A string's note on ALSA's default device" given_note "$@"; }

# A sound server that takes the connection and never answers: the press
# goes on to ALSA, and quitting is not held by it.
python3 - "$work/hung" <<'PY' &
import socket, sys, time
server = socket.socket(socket.AF_UNIX)
server.bind(sys.argv[1])
server.listen(16)
held = []
while True:
    held.append(server.accept()[0])
PY
hung=$!
wait_for "the silent server's socket" test -S "$work/hung"

start_app ALSA_CONFIG_PATH="$work/asound.conf" PULSE_SERVER="unix:$work/hung" || exit 1
click 319 424 # loop mode off: single shots
click "${string_x[4]}" "${string_y[4]}" # the A string of the only set, a pure tone
check "past a server that never answers, a press writes its note to ALSA's default device" note_given 110
check "the program still runs" kill -0 "$app"
check "nothing printed" test ! -s "$work/out.txt"
read -r _ right top _ < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',')
xdotool mousemove --sync $((wx + ww + right - 10)) $((wy - top / 2)) click 1
check "the close box ends it, the silent server still connected" ended

# Without libsamplerate (a library of that name without its functions) a
# note at another rate than the device's, as the Sine set's 44.1 kHz, is
# silent, and the program says why.
mkdir "$work/no-resampler"
cc -shared -o "$work/no-resampler/libsamplerate.so.0" -x c /dev/null
said_why() { grep -q "libsamplerate.so.0 cannot be loaded" "$work/out.txt"; }
start_app ALSA_CONFIG_PATH="$work/asound.conf" LD_LIBRARY_PATH="$work/no-resampler" || exit 1
click "${string_x[4]}" "${string_y[4]}"
check "without libsamplerate a press says why its note is silent" wait_for "the program's word on it" said_why
stop_app

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
