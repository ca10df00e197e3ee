# A private PulseAudio server with one null sink, whose monitor is recorded.
# Sourced. start_pulse RATE sets PULSE_SERVER for the caller's children;
# stop_pulse ends the server and its recorder and removes their files.

start_pulse() { # sink rate (default 48000)
  PULSE_RATE=${1:-48000}
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
  local _
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "PulseAudio did not start" >&2
  return 1
}

# Ends the server as a crash or an update would, and starts a new one.
restart_pulse() {
  stop_recording
  kill -9 "$PULSE_PID" 2>/dev/null
  wait "$PULSE_PID" 2>/dev/null
  launch_pulse
}

# Records the sink's monitor as raw stereo float at the sink's rate.
start_recording() { # file
  parec --raw --format=float32le --channels=2 --rate="$PULSE_RATE" --latency-msec=5 \
    -d tarvisk_sink.monitor >"$1" &
  RECORD_PID=$!
  RECORD_FILE=$1
  # Wait for the first data, so presses fall inside the recording.
  local _
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    sleep 0.02
  done
  return 1
}

stop_recording() {
  [ -n "${RECORD_PID:-}" ] || return 0
  kill "$RECORD_PID" 2>/dev/null
  wait "$RECORD_PID" 2>/dev/null
  RECORD_PID=
}

# Whether the recording holds sound: its loudest sample.
heard() { # recording
  od -An -v -f "$1" | awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } }
                           END { exit !(m > 0.05) }'
}

# The wall time (ns) of the recording's first frame: the least of
# now - recorded/rate over a few looks at the growing file.
recording_origin_ns() {
  local best="" now bytes origin _
  for _ in $(seq 40); do
    now=$(date +%s%N)
    bytes=$(stat -c %s "$RECORD_FILE")
    origin=$((now - bytes / 8 * 1000000000 / PULSE_RATE))
    { [ -z "$best" ] || [ "$origin" -lt "$best" ]; } && best=$origin
    sleep 0.013
  done
  echo "$best"
}

stop_pulse() {
  stop_recording
  [ -n "${PULSE_PID:-}" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
  PULSE_PID=
  [ -n "${PULSE_DIR:-}" ] && rm -rf "$PULSE_DIR"
  PULSE_DIR=
}
