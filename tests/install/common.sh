# Helpers of the install tests. Sourced; the caller sets "work" to its
# private temporary folder and has started Xvfb for start_installed.

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wait.sh"

tests_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The sets of the default library (tools/tunes/default_sets.h).
default_sets=(Acoustic Electric Nylon Sine "Drop D" DADGAD "Open G" "Open D" "E flat")

passed=0 failed=0 skipped=0
check() { # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name"; fi
}
skip() { # name, why
  skipped=$((skipped + 1)); echo "SKIP $1: $2"
}
finish() {
  echo "$passed passed, $failed failed$([ "$skipped" -eq 0 ] || echo ", $skipped skipped")"
  [ "$failed" -eq 0 ]
}

# Starts an installed program under strace, from a working folder of its
# own, with a private runtime folder (its single-instance lock lives there),
# the sound server given or none, the tests' ALSA, whose device plays
# nothing, and no session bus: without an address, libdbus would
# launch a bus daemon that outlives the program and keeps strace waiting.
# Sets app (strace's pid) and window.
# Usage: start_installed COMMAND [PULSE_SERVER]   (COMMAND: a path, or a
# name found on PATH)
start_installed() {
  mkdir -p "$work/elsewhere" "$work/run"
  chmod 700 "$work/run"
  rm -f "$work/trace.txt" "$work/out.txt"
  (cd "$work/elsewhere" &&
   exec env XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/no-bus" \
     PULSE_SERVER="${2:-unix:$work/run/no-sound-server}" ALSA_CONFIG_PATH="$tests_dir/alsa.conf" \
     QT_QPA_PLATFORM=xcb strace -f -qq -e trace=openat -o "$work/trace.txt" "$1") >"$work/out.txt" 2>&1 &
  app=$!
  window=$(timeout "${TARVISK_WAIT_SECONDS:-60}" xdotool search --sync --onlyvisible --name '^Tarvisk$' 2>/dev/null |
             head -n 1)
  [ -n "$window" ] || return 1
  # Placed once the window manager has framed it; X delivers presses in order.
  [ -z "${WM_PID:-}" ] || wait_for "openbox to frame the program's window" framed "$window"
}

# Presses the G string: in loop mode that plays the chosen set's G.wav, so
# the trace shows which library and which set the program found.
press_g_string() {
  local wx wy
  read -r wx wy < <(xwininfo -id "$window" | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
  # From elsewhere first: the pointer may still rest there from a former run.
  timeout 10 xdotool mousemove --sync 0 0
  timeout 10 xdotool mousemove --sync $((wx + 329)) $((wy + 104)) click 1
}

# Whether the trace shows PATH opened successfully, waiting for it.
opened() { wait_for "the program to open $1" opened_now "$1"; }
opened_now() { grep -F "\"$1\"" "$work/trace.txt" 2>/dev/null | grep -qv '= -1'; }

# Ends the traced program (strace itself would keep waiting for it).
stop_installed() {
  [ -n "${app:-}" ] || return 0
  local child
  for child in $(ps -o pid= --ppid "$app" 2>/dev/null); do kill -9 "$child" 2>/dev/null; done
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  app=""
}
