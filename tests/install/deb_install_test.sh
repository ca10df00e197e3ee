#!/usr/bin/env bash
# A Debian package installed for real with apt on the machine it runs on (a
# root of another release, say), the installed program started by name
# under Xvfb and playing from the installed library, then the package
# removed again.
# Usage: deb_install_test.sh DEB SOURCE_DIR
set -uo pipefail
deb=$1
source_dir=$2
source "$source_dir/scripts/lib/packages.sh"
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/install/common.sh"

work=$(mktemp -d)
cleanup() { stop_installed; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT

installed() { dpkg-query -W -f='${Status}' tarvisk 2>/dev/null | grep -q "install ok installed"; }
check "apt installs $(basename "$deb") with what it depends on" apt_install "$deb"
check "the package is installed" installed
start_xvfb wm || exit 1
trap cleanup EXIT
check "the installed program starts as tarvisk" start_installed tarvisk
press_g_string
check "it plays from the installed library" opened /usr/lib/tarvisk/Tunes/Acoustic/G.wav
stop_installed
check "nothing printed" bash -c '! test -s "$1" || { cat "$1"; exit 1; }' _ "$work/out.txt"
remove() { apt_run purge -y tarvisk || { echo "$APT_OUTPUT"; return 1; }; }
check "apt removes it again" remove
check "nothing of it is left" test ! -e /usr/lib/tarvisk
finish
