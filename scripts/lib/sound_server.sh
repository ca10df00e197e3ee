# The private sound server the sound tests and benchmarks run on, chosen by
# TARVISK_SOUND_SERVER: pulse (PulseAudio, the default) or pipewire (PipeWire
# with pipewire-pulse). Sourced. Beside the recorder of scripts/lib/pulse.sh:
#   start_sound_server RATE, stop_sound_server,
#   sound_server_restarts: the processes that can be restarted under a client,
#   restart_sound_server PROCESS: one of those ends as in a crash and starts again,
#   sound_server_down and sound_server_up: the first of those ends, and later
#   starts again, with the same address.

source "$(dirname "${BASH_SOURCE[0]}")/pipewire.sh"
TARVISK_SOUND_SERVER=${TARVISK_SOUND_SERVER:-pulse}

start_sound_server() { # rate
  case $TARVISK_SOUND_SERVER in
    pulse) start_pulse "$@" ;;
    pipewire) start_pipewire "$@" ;;
    *) echo "TARVISK_SOUND_SERVER is pulse or pipewire, not $TARVISK_SOUND_SERVER" >&2; return 1 ;;
  esac
}

sound_server_restarts() {
  case $TARVISK_SOUND_SERVER in
    pulse) echo pulseaudio ;;
    pipewire) echo pipewire-pulse pipewire ;;
  esac
}

restart_sound_server() { # process
  case $1 in
    pulseaudio) restart_pulse ;;
    pipewire-pulse) restart_pipewire_pulse ;;
    pipewire) restart_pipewire ;;
  esac
}

sound_server_down() {
  stop_recording
  case $TARVISK_SOUND_SERVER in
    pulse) kill -9 "$PULSE_PID" 2>/dev/null; wait "$PULSE_PID" 2>/dev/null ;;
    pipewire) pipewire_end KILL PIPEWIRE_PULSE_PID ;;
  esac
}

sound_server_up() {
  case $TARVISK_SOUND_SERVER in
    pulse) launch_pulse ;;
    pipewire) pipewire_spawn PIPEWIRE_PULSE_PID pipewire-pulse && pipewire_ready ;;
  esac
}

stop_sound_server() {
  stop_pulse
  stop_pipewire
}
