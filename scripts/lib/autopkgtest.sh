#!/usr/bin/env bash
# autopkgtest on the packages and tests of CHANGES in the testbed ROOT, a
# root that over_root (roots.sh) has mounted for this command alone; through
# autopkgtest-virt-chroot, whose testbed is that root: nothing else changes.
# The tests run in debian/tests/control's order, the one that starts
# windows and a sound server on its own, then the removal. Each group's
# logs go to OUT/GROUP/.
# Usage: autopkgtest.sh ROOT CHANGES OUT
set -uo pipefail
source "$(dirname "$0")/roots.sh"
root=$1
changes=$2
out=$3

status=0
tests() { # GROUP autopkgtest options...
  local group=$1
  shift
  "${root_env[@]}" autopkgtest --output-dir "$out/$group" "$@" "$changes" -- chroot "$root" \
    >"$out-$group.log" 2>&1
  local verdict=$?
  # 0: all passed; 2: some skipped, which here means one did not run.
  [ "$verdict" -eq 0 ] || { cat "$out-$group.log"; status=1; }
  sed 's/^/  /' "$out/$group/summary" 2>/dev/null
}
mkdir -p "$(dirname "$out")"
# First the testbed's packages are brought up to date (-U): the clean root
# was made once, and kept.
shared tests installed --apt-upgrade --test-name installed --test-name library
# Real time: windows and a sound server, with the machine to itself.
alone tests program --test-name program
shared tests removal --test-name removal
exit "$status"
