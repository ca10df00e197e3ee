# Starts a private Xvfb for the caller and stops it on exit. Sourced.
# Sets DISPLAY; with "wm" as first argument, also starts a window manager so
# windows get their title bar.

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

start_xvfb() {
  local fifo log
  fifo=$(mktemp -u)
  log=$(mktemp)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
  XVFB_PID=$!
  local number
  # Xvfb names its display once it accepts clients.
  if ! read -r -t "${TARVISK_WAIT_SECONDS:-60}" number <"$fifo"; then
    echo "gave up after ${TARVISK_WAIT_SECONDS:-60} s waiting for Xvfb to name its display:" >&2
    cat "$log" >&2
    rm -f "$fifo" "$log"
    return 1
  fi
  rm -f "$fifo" "$log"
  export DISPLAY=":$number"
  # With a display but no session bus, D-Bus would autolaunch a bus daemon
  # that outlives the caller (and holds strace -f open). A caller that needs
  # a bus starts its own.
  [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tarvisk-no-bus
  trap 'stop_xvfb' EXIT
  if [ "${1:-}" = "wm" ]; then
    WM_LOG=$(mktemp)
    openbox >"$WM_LOG" 2>&1 &
    WM_PID=$!
    # It names itself on the root window once it manages windows.
    wait_for "openbox to manage the display" --log "$WM_LOG" wm_managing || return 1
  fi
}

wm_managing() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
# The window manager has framed and placed a window.
framed() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }

stop_xvfb() {
  [ -n "${WM_LOG:-}" ] && rm -f "$WM_LOG"
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}
