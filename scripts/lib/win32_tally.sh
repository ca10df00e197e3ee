# Counting what the Windows tests say, for scripts/test-win32: each script's
# closing "N passed, M failed[, K skipped]", ctest's summary under Wine, and
# a failure of the run's own. Sourced.

PASSED=0
FAILED=0
SKIPPED=0
fail() { echo "FAIL $1${2:+: $2}"; FAILED=$((FAILED + 1)); }
summary() {
  local skipped=""
  [ "$SKIPPED" -gt 0 ] && skipped=", $SKIPPED skipped"
  echo "win32: $PASSED passed, $FAILED failed$skipped"
}
die() { echo "test-win32: $*" >&2; FAILED=$((FAILED + 1)); summary; exit 1; }
# Adds a test script's closing "N passed, M failed[, K skipped]" to the count.
tally() { # log
  local summary
  summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?$' "$1" | tail -1)
  if [ -z "$summary" ]; then
    fail "$(basename "$1" .log)" "no summary"
    return
  fi
  local counts
  read -r -a counts <<<"$(tr -dc '0-9 ' <<<"$summary")"
  PASSED=$((PASSED + counts[0]))
  FAILED=$((FAILED + counts[1]))
  SKIPPED=$((SKIPPED + ${counts[2]:-0}))
}

# The suites under Wine with ctest, whose summary joins the count.
run_suites() {
  local log=$SUITES/ctest.log
  (cd "$SUITES" && timeout 900 ctest --output-on-failure -j2) >"$log" 2>&1
  local summary
  summary=$(grep -E "tests passed, [0-9]+ tests? failed out of" "$log" | tail -1)
  if [ -z "$summary" ]; then
    tail -30 "$log"
    fail "ctest" "no summary"
    return
  fi
  local failed total skipped
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
  skipped=$(grep -cE "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped" "$log")
  grep -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*" "$log"
  [ "$failed" -gt 0 ] && grep -A30 "The following tests FAILED" "$log"
  echo "ctest under Wine: $summary"
  PASSED=$((PASSED + total - failed - skipped))
  FAILED=$((FAILED + failed))
  SKIPPED=$((SKIPPED + skipped))
}
