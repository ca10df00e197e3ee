# A private PulseAudio server with one null sink, whose monitor is recorded.
# Sourced. start_pulse RATE sets PULSE_SERVER for the caller's children;
# stop_pulse ends the server and its recorder and removes their files.

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

start_pulse() { # sink rate (default 48000)
  PULSE_RATE=${1:-48000}
  RECORD_LATENCY_MS=5
  PULSE_DIR=$(mktemp -d)
  mkdir -p "$PULSE_DIR/.config/pulse"
  # The sink keeps its rate: no switching to the stream's.
  printf 'default-sample-rate = %s\nalternate-sample-rate = %s\nexit-idle-time = -1\n' \
    "$PULSE_RATE" "$PULSE_RATE" >"$PULSE_DIR/.config/pulse/daemon.conf"
  printf 'autospawn = no\n' >"$PULSE_DIR/client.conf"
  export PULSE_SERVER="unix:$PULSE_DIR/native" PULSE_CLIENTCONFIG="$PULSE_DIR/client.conf"
  launch_pulse
}

launch_pulse() {
  HOME="$PULSE_DIR" XDG_RUNTIME_DIR="$PULSE_DIR" PULSE_STATE_PATH="$PULSE_DIR/state" \
    PULSE_RUNTIME_PATH="$PULSE_DIR/runtime" \
    pulseaudio -n --daemonize=no --use-pid-file=no \
      -L "module-null-sink sink_name=tarvisk_sink rate=$PULSE_RATE" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_DIR/native" \
      >>"$PULSE_DIR/log" 2>&1 &
  PULSE_PID=$!
  wait_for "PulseAudio to answer on $PULSE_SERVER" --log "$PULSE_DIR/log" pulse_answers
}

pulse_answers() { pactl info >/dev/null 2>&1; }

# Ends the server as a crash or an update would, and starts a new one.
restart_pulse() {
  stop_recording
  kill -9 "$PULSE_PID" 2>/dev/null
  wait "$PULSE_PID" 2>/dev/null
  launch_pulse
}

# Records a sink's monitor (by default the test sink's) as raw stereo float
# at the sink's rate, in fragments of RECORD_LATENCY_MS (the server's start
# sets it). Beside the recorder, a clock watches the file grow:
# a recorder is handed its frames late now and then, never early, so the
# least of now - recorded/rate over the whole recording is the wall time of
# its first frame (recording_origin_ns), however the machine delayed it.
# The clock also notes each growth (FILE.clock), for local_press_times.
start_recording() { # file [source]
  # A recording of the same name before this one must not be taken for its start.
  rm -f "$1" "$1.origin"
  parec --raw --format=float32le --channels=2 --rate="$PULSE_RATE" --latency-msec="${RECORD_LATENCY_MS:-5}" \
    -d "${2:-tarvisk_sink.monitor}" >"$1" &
  RECORD_PID=$!
  RECORD_FILE=$1
  # The first data, so that presses fall inside the recording.
  wait_for "the recorder's first data from ${2:-tarvisk_sink.monitor}" test -s "$1" || return 1
  python3 - "$1" "$PULSE_RATE" <<'PY' &
import os, sys, time
path, rate = sys.argv[1], int(sys.argv[2])
best = None
last = -1
series = open(path + ".clock", "w")
while True:
    frames = os.stat(path).st_size // 8
    now = time.time_ns()
    origin = now - frames * 1_000_000_000 // rate  # the time after the size
    if frames != last:
        last = frames
        series.write(f"{now} {frames}\n")
        series.flush()
    if best is None or origin < best:
        best = origin
        with open(path + ".origin.new", "w") as out:
            out.write(f"{best}\n")
        os.replace(path + ".origin.new", path + ".origin")
    time.sleep(0.002)
PY
  RECORD_CLOCK_PID=$!
  wait_for "the recording's clock" test -s "$1.origin"
}

stop_recording() {
  [ -n "${RECORD_PID:-}" ] || return 0
  kill "$RECORD_CLOCK_PID" "$RECORD_PID" 2>/dev/null
  wait "$RECORD_CLOCK_PID" "$RECORD_PID" 2>/dev/null
  RECORD_PID= RECORD_CLOCK_PID=
}

# Whether the recording holds sound: its loudest sample.
heard() { # recording
  od -An -v -f "$1" | awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } }
                           END { exit !(m > 0.05) }'
}

# The wall time (ns) of the first frame of the recording last made, best
# known once it has ended.
recording_origin_ns() { cat "$RECORD_FILE.origin"; }

# An events file (CLICK_NS SENT_NS ...) with each press moved by how far the
# recording's clock stood, within two seconds of it, from where its first
# frame puts it. Over minutes a sink may gain or lose frames against the
# wall clock (PulseAudio's null sink gained 33 ms in 100 s while two
# clients played), so a few milliseconds of press to sound are read against
# the recording's clock where they were made.
local_press_times() { # events file
  python3 - "$RECORD_FILE.clock" "$PULSE_RATE" "$(recording_origin_ns)" "$1" <<'PY'
import bisect, sys
clock, rate, origin, events = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
wall, at = [], []
for line in open(clock):
    w, frames = map(int, line.split())
    wall.append(w)
    at.append(w - frames * 1_000_000_000 // rate)
def shift(ns):
    lo, hi = bisect.bisect_left(wall, ns - 2_000_000_000), bisect.bisect_right(wall, ns + 2_000_000_000)
    return min(at[lo:hi]) - origin if hi > lo else 0
for line in open(events):
    click, sent, rest = line.split(None, 2)
    d = shift(int(click))
    print(int(click) - d, int(sent) - d, rest, end="")
PY
}

stop_pulse() {
  stop_recording
  [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
  PULSE_PID=
  [ -n "${PULSE_DIR:-}" ] && rm -rf "$PULSE_DIR"
  PULSE_DIR=
}
