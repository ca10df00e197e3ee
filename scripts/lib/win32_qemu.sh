# The shipped 32-bit program and installer through qemu-user, for
# scripts/test-win32 where this machine runs no 32-bit code. Sourced, after
# win32_session.sh.

# What a screen reader reads, asked inside the shipped build's own suite
# process: a reader in another process would go through Wine's COM calls
# between processes, which under qemu crash the emulated program (its own
# 32-bit reader's questions as much as a 64-bit one's), so the end-to-end
# reading runs on the 64-bit twin instead. Prints PASS and FAIL lines and
# the count.
screen_reader_suite() {
  local log=$SHIPPED/reader-suite.gtest passed failed
  (cd "$SHIPPED/tests/win32" && timeout $((120 * SLOW)) "$WINE" ./tarvisk_win32_tests.exe \
     --gtest_filter='ScreenReader.*:*ScreenReaders*') 2>&1 | tr -d '\r' >"$log"
  sed -nE 's/^\[       OK \] ([^ ]+) .*/PASS i686 suite: \1/p; s/^\[  FAILED  \] ([^ ]+) \(.*/FAIL i686 suite: \1/p' "$log"
  passed=$(grep -c '^\[       OK \]' "$log")
  failed=$(grep -cE '^\[  FAILED  \] [^ ]+ \(' "$log")
  # A suite that never reports its cases has failed too.
  [ "$passed" -ge 3 ] || failed=$((failed + 1))
  echo "$passed passed, $failed failed"
}

# The shipped program and installer through qemu, with their output in
# build-win32/program.log and installer.log: the prefix made above, whose
# status is PREFIX_MADE, is copied for the installer, then both steps run at
# once, each on a display of its own.
shipped_through_qemu() { # prefix_made program_display installer_display
  local began=$SECONDS
  export WINE=$QEMU/lib/wine/wine PROBE_WINE=$QEMU/lib/wine/wine64 TARVISK_WAIT_FACTOR=20
  SLOW=$TARVISK_WAIT_FACTOR
  local probe=$SUITES/tests/win32/tarvisk_probe.exe install=$SHIPPED/install-prefix
  export WINEPREFIX=$SHIPPED/wineprefix
  if [ "$1" -ne 0 ]; then
    printf 'FAIL a 64-bit prefix with its 32-bit half through qemu\n0 passed, 1 failed\n' |
      tee "$SHIPPED/program.log" >"$SHIPPED/installer.log"
    return
  fi
  rm -rf "$install"
  cp -a "$WINEPREFIX" "$install"
  DISPLAY=$3 INSTALL_PREFIX=$install \
    bash tests/win32/installer_test.sh "$SHIPPED" "$ROOT" "$probe" >"$SHIPPED/installer.log" 2>&1 &
  local installer=$!
  export DISPLAY=$2
  if session "$PROBE_WINE" "$probe"; then
    TARVISK_PARTS="program file" \
      bash tests/win32/program_test.sh "$SHIPPED" "$ROOT" "$probe" >"$SHIPPED/program.log" 2>&1
    screen_reader_suite >"$SHIPPED/reader-suite.log" 2>&1
  else
    echo "0 passed, 1 failed" >"$SHIPPED/program.log"
  fi
  wait "$installer"
  rm -rf "$install"
  cleanup
  local log verdict=ok
  for log in program reader-suite installer; do
    grep -qE '^[0-9]+ passed, 0 failed' "$SHIPPED/$log.log" || verdict=FAILED
  done
  record "qemu: tarvisk.exe and the installer" "$began" "$verdict"
}
