# Times the steps of a run, for the table that closes it. Each step appends
# "NAME<TAB>SECONDS<TAB>VERDICT" to TARVISK_STEPS, which a run inside another
# (the Debian 13 root's, scripts/test-win32) shares with the run around it.
# Sourced.

if [ -z "${TARVISK_STEPS:-}" ]; then
  TARVISK_STEPS=$(mktemp -t tarvisk-steps.XXXXXX)
  export TARVISK_STEPS
  STEPS_OWNER=1
fi

# step NAME COMMAND...: runs COMMAND and records how long it took and
# whether it passed; answers as COMMAND did.
step() {
  local name=${TARVISK_STEP_PREFIX:-}$1 start=$SECONDS status=0
  shift
  echo "== $name"
  MACHINE_WAITED=0
  "$@" || status=$?
  [ "${MACHINE_WAITED:-0}" -gt 0 ] && name+=" (waited ${MACHINE_WAITED} s for the machine)"
  TARVISK_STEP_PREFIX="" record "$name" "$start" "$([ "$status" -eq 0 ] && echo ok || echo FAILED)"
  return "$status"
}

# record NAME START VERDICT: records a step that began at $SECONDS START.
record() {
  printf '%s\t%s\t%s\n' "${TARVISK_STEP_PREFIX:-}$1" $((SECONDS - $2)) "$3" >>"$TARVISK_STEPS"
}

# The table of the steps recorded, in the order they ended (steps that ran
# side by side overlap), the whole run's time, and the closing count.
steps_table() { # SECONDS-OF-THE-WHOLE-RUN
  local passed failed
  echo
  echo "Step times (uptime at the end: $(uptime | sed 's/.*load average/load average/'))"
  awk -F'\t' '{ printf "  %-72s %4d:%02d  %s\n", $1, $2 / 60, $2 % 60, $3 }' "$TARVISK_STEPS"
  printf '  %-72s %4d:%02d\n' "the whole run" $(($1 / 60)) $(($1 % 60))
  passed=$(grep -c $'\tok$' "$TARVISK_STEPS")
  failed=$(grep -c $'\tFAILED$' "$TARVISK_STEPS")
  [ -n "${STEPS_OWNER:-}" ] && rm -f "$TARVISK_STEPS"
  echo "steps: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
