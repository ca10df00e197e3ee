# Waits for an event, never for a fixed time: the scripts and the program
# tests start servers, windows and sessions on machines that may be busy.
# Sourced.
#
# wait_for WHAT [--log FILE] COMMAND...: runs COMMAND until it succeeds; after
# TARVISK_WAIT_SECONDS (60: a server on a loaded 2-core machine takes
# seconds, never a minute) says what it awaited, shows the end of FILE (the
# server's log) and fails.
wait_for() {
  local what=$1 log="" bound=${TARVISK_WAIT_SECONDS:-60} deadline
  shift
  if [ "${1:-}" = --log ]; then
    log=$2
    shift 2
  fi
  deadline=$((SECONDS + bound))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "gave up after $bound s waiting for $what" >&2
      if [ -n "$log" ]; then
        echo "--- the end of $log:" >&2
        tail -n 40 "$log" >&2 2>/dev/null || echo "(no log)" >&2
      fi
      return 1
    fi
    sleep 0.05
  done
}
