# Starts a private Xvfb for the caller and stops it on exit. Sourced.
# Sets DISPLAY; with "wm" as first argument, also starts a window manager so
# windows get their title bar.

start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  # With a display but no session bus, D-Bus would autolaunch a bus daemon
  # that outlives the caller (and holds strace -f open). A caller that needs
  # a bus starts its own.
  [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tarvisk-no-bus
  trap 'stop_xvfb' EXIT
  if [ "${1:-}" = "wm" ]; then
    openbox >/dev/null 2>&1 &
    WM_PID=$!
    sleep 0.5
  fi
}

stop_xvfb() {
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}
