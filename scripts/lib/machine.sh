# One machine for two suites: this host's and the Debian 13 root's, which
# sees the same lock folder. The real-time tests (the sound servers, ALSA,
# the real windows) run alone on it: never beside each other, a build or
# Wine. Everything else shares it. A suite waiting to run alone goes before
# any that asks to share after it. Sourced.
#
# TARVISK_LOCKS is the folder of the locks (default: build-locks/ in the
# project's folder). Only this shell holds a lock, never what it starts: a
# server left running cannot keep the machine.

TARVISK_LOCKS=${TARVISK_LOCKS:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-locks}
MACHINE_WAITED=0 # seconds spent waiting for the machine, for the steps' table

# alone COMMAND...: runs COMMAND once nothing else runs, and as it answers.
alone() { machine_lock -x "$@"; }
# shared COMMAND...: runs COMMAND beside other shared ones, never beside one alone.
shared() { machine_lock -s "$@"; }

# Made by the user, so that a root sharing them can open them too.
make_locks() { mkdir -p "$TARVISK_LOCKS" && touch "$TARVISK_LOCKS/gate" "$TARVISK_LOCKS/machine"; }

machine_lock() { # -x or -s, command...
  local mode=$1 gate machine status=0
  shift
  make_locks || return 1
  local asked=$SECONDS
  exec {gate}>>"$TARVISK_LOCKS/gate" {machine}>>"$TARVISK_LOCKS/machine"
  # Whoever holds the gate is next: one waiting to run alone holds it until
  # its turn comes, and those that share pass it only on their way in.
  flock -x "$gate"
  flock "$mode" "$machine"
  exec {gate}>&-
  MACHINE_WAITED=$((MACHINE_WAITED + SECONDS - asked))
  "$@" {machine}>&- || status=$?
  exec {machine}>&-
  return "$status"
}
