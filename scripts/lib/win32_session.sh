# Wine's sessions and displays for scripts/test-win32: each display and Wine
# prefix it starts ends with the run (cleanup), and Wine's helper processes
# start once per prefix, away from the output a test's caller waits on.
# Sourced, after xvfb.sh and win32.sh.

HOLDS=()
PREFIXES=()
DISPLAYS=()
QEMU_PID=""
PREFIX_PID=""
cleanup() {
  local pid prefix
  for pid in "$QEMU_PID" "$PREFIX_PID"; do
    [ -n "$pid" ] && { pkill -P "$pid"; kill "$pid"; } 2>/dev/null
  done
  for prefix in "${PREFIXES[@]}"; do WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; done
  for pid in "${HOLDS[@]}" "${DISPLAYS[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
new_display() { # sets DISPLAY to a display of its own
  start_xvfb || return 1
  DISPLAYS+=("$XVFB_PID")
  XVFB_PID=""
  trap cleanup EXIT # in place of start_xvfb's
}

# Makes WINEPREFIX and keeps Wine's session in it up with a probe that stays
# for the whole run: Wine's helper processes start with the session's first
# program and keep its output open, so they start here, away from the output
# ctest waits on. The session is up once a probe has run to its end.
session() { # loader probe
  PREFIXES+=("$WINEPREFIX")
  wine_prefix "$1" $((300 * SLOW)) || return 1
  "$1" "$2" hold 3600 >/dev/null 2>&1 &
  HOLDS+=($!)
  "$1" "$2" window >/dev/null 2>&1
  return 0
}
