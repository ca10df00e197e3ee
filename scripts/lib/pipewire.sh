# A private PipeWire session as desktops run it: a session bus, pipewire,
# wireplumber and pipewire-pulse, each in a process group of its own, on a
# runtime folder of their own with one null sink whose monitor is recorded.
# Sourced. start_pipewire RATE sets PULSE_SERVER for the caller's children;
# stop_pipewire ends every process of the session and removes its files.
# The recorder is the PulseAudio one: parec is a client of pipewire-pulse.

source "$(dirname "${BASH_SOURCE[0]}")/pulse.sh"

start_pipewire() { # graph and sink rate (default 48000)
  PULSE_RATE=${1:-48000}
  PIPEWIRE_DIR=$(mktemp -d)
  chmod 700 "$PIPEWIRE_DIR"
  local config=$PIPEWIRE_DIR/config
  mkdir -p "$config/pipewire/pipewire.conf.d" "$config/wireplumber/main.lua.d" \
    "$config/wireplumber/bluetooth.lua.d" "$PIPEWIRE_DIR/state"
  # One rate for the whole graph, so nothing is resampled but the stream;
  # the quantum is PipeWire's default, as on a desktop, and follows what
  # its clients ask for. The sink the tests record is named as on the
  # PulseAudio server.
  cat >"$config/pipewire/pipewire.conf.d/tarvisk.conf" <<EOF
context.properties = {
    default.clock.rate = $PULSE_RATE
    default.clock.allowed-rates = [ $PULSE_RATE ]
}
context.objects = [
    { factory = adapter
      args = {
          factory.name = support.null-audio-sink
          node.name = tarvisk_sink
          node.description = "Tarvisk test sink"
          media.class = Audio/Sink
          audio.rate = $PULSE_RATE
          audio.channels = 2
          audio.position = [ FL FR ]
          monitor.channel-volumes = true
      }
    }
]
EOF
  # No real devices: a machine's sound card or camera is not the tests' own.
  # WirePlumber 0.4 (Debian 12) reads Lua, 0.5 (Debian 13) its own format.
  printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
    >"$config/wireplumber/main.lua.d/51-tarvisk.lua"
  printf 'bluez_monitor.enabled = false\n' >"$config/wireplumber/bluetooth.lua.d/51-tarvisk.lua"
  mkdir -p "$config/wireplumber/wireplumber.conf.d"
  cat >"$config/wireplumber/wireplumber.conf.d/51-tarvisk.conf" <<EOF
wireplumber.profiles = {
  main = {
    monitor.alsa = disabled
    monitor.alsa-midi = disabled
    monitor.v4l2 = disabled
    monitor.libcamera = disabled
    monitor.bluez = disabled
    monitor.bluez-midi = disabled
    support.logind = disabled
  }
}
EOF
  # PipeWire runs its graph at the least latency any stream asks for: a
  # recorder asking 5 ms would set the pace of what it records.
  RECORD_LATENCY_MS=40
  printf 'autospawn = no\n' >"$PIPEWIRE_DIR/client.conf"
  export PULSE_SERVER="unix:$PIPEWIRE_DIR/pulse/native" PULSE_CLIENTCONFIG="$PIPEWIRE_DIR/client.conf"
  PIPEWIRE_ENV=(-u PIPEWIRE_RUNTIME_DIR -u PIPEWIRE_REMOTE -u PULSE_SERVER -u DISPLAY -u WAYLAND_DISPLAY
                HOME="$PIPEWIRE_DIR" XDG_RUNTIME_DIR="$PIPEWIRE_DIR" XDG_CONFIG_HOME="$config"
                XDG_STATE_HOME="$PIPEWIRE_DIR/state" XDG_DATA_HOME="$PIPEWIRE_DIR/data"
                DBUS_SESSION_BUS_ADDRESS="unix:path=$PIPEWIRE_DIR/bus")
  pipewire_spawn PIPEWIRE_BUS_PID dbus-daemon --session --nofork --nopidfile \
    --address="unix:path=$PIPEWIRE_DIR/bus"
  wait_for "the session bus of PipeWire's session" --log "$PIPEWIRE_DIR/log" test -S "$PIPEWIRE_DIR/bus" ||
    return 1
  launch_pipewire
}

# Runs a program of the session in a new process group; NAME_PID gets its id,
# which is also the group's.
pipewire_spawn() { # variable, command...
  local variable=$1; shift
  env "${PIPEWIRE_ENV[@]}" setsid "$@" >>"$PIPEWIRE_DIR/log" 2>&1 </dev/null &
  printf -v "$variable" %s "$!"
}

# Until a client sees the sink as the default, which wireplumber sets.
pipewire_ready() {
  wait_for "WirePlumber to make tarvisk_sink the default output" --log "$PIPEWIRE_DIR/log" pipewire_sink_default
}
pipewire_sink_default() { [ "$(pactl get-default-sink 2>/dev/null)" = tarvisk_sink ]; }

launch_pipewire() {
  pipewire_spawn PIPEWIRE_PID pipewire
  wait_for "pipewire's socket" --log "$PIPEWIRE_DIR/log" test -S "$PIPEWIRE_DIR/pipewire-0" || return 1
  pipewire_spawn WIREPLUMBER_PID wireplumber
  [ -n "${PIPEWIRE_PULSE_PID:-}" ] || pipewire_spawn PIPEWIRE_PULSE_PID pipewire-pulse
  pipewire_ready
}

pipewire_end() { # signal, pid variables...
  local signal=$1 variable; shift
  for variable in "$@"; do
    [ -n "${!variable:-}" ] || continue
    kill "-$signal" -- "-${!variable}" 2>/dev/null
    wait "${!variable}" 2>/dev/null
    printf -v "$variable" %s ""
  done
}

# pipewire-pulse ends as a crash or an update would, and starts again.
restart_pipewire_pulse() {
  stop_recording
  pipewire_end KILL PIPEWIRE_PULSE_PID
  pipewire_spawn PIPEWIRE_PULSE_PID pipewire-pulse
  pipewire_ready
}

# pipewire itself ends so, and the session manager and pipewire-pulse
# bound to it; all start again, as the user's service manager starts them.
# (pipewire-pulse 0.3 would live on and connect its next clients to the new
# pipewire; 1.x answers them "Host is down" until it is restarted.)
restart_pipewire() {
  stop_recording
  pipewire_end KILL PIPEWIRE_PID
  pipewire_end TERM WIREPLUMBER_PID PIPEWIRE_PULSE_PID
  # Its socket outlives it: the new one is awaited, not the old.
  rm -f "$PIPEWIRE_DIR/pipewire-0" "$PIPEWIRE_DIR/pipewire-0.lock"
  launch_pipewire
}

stop_pipewire() {
  stop_recording
  pipewire_end TERM PIPEWIRE_PULSE_PID WIREPLUMBER_PID PIPEWIRE_PID PIPEWIRE_BUS_PID
  [ -n "${PIPEWIRE_DIR:-}" ] && rm -rf "$PIPEWIRE_DIR"
  PIPEWIRE_DIR=
}
