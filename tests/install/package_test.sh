#!/usr/bin/env bash
# The Debian package as CPack makes it from this build: its name, control
# fields and declared run-time libraries, its files, lintian's verdict,
# whether apt could install it here (simulated), and the program unpacked
# into a throw-away root, started under Xvfb, playing from the library
# inside that root.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION APP_ID
set -uo pipefail
build=$1
source_dir=$2
version=$3
app_id=$4
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/install/common.sh"

work=$(mktemp -d)
cleanup() { stop_installed; stop_xvfb; rm -rf "$work"; }
trap cleanup EXIT
(cd "$build" && cpack -G DEB -B "$work/cpack") >"$work/cpack.txt" 2>&1 ||
  { cat "$work/cpack.txt"; exit 1; }
deb="$work/cpack/tarvisk_${version}_$(dpkg --print-architecture).deb"
check "package is named tarvisk_${version}_ARCH.deb" test -f "$deb"
[ -f "$deb" ] || { ls "$work/cpack"; finish; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
depends_on() { field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$1"; }
check "package name" test "$(field Package)" = tarvisk
check "package version" test "$(field Version)" = "$version"
check "section sound" test "$(field Section)" = sound
check "maintainer given" test -n "$(field Maintainer)"
check "description given" bash -c '[ "$(dpkg-deb -f "$1" Description | wc -l)" -ge 2 ]' _ "$deb"
for library in libqt6widgets6 libpulse0 libasound2 libsndfile1 libsamplerate0 qt6-qpa-plugins libc6; do
  check "depends on $library" depends_on "$library"
done

dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' >"$work/files.txt"
has() { grep -qxF "$1" "$work/files.txt"; }
check "bin/tarvisk link" has "./usr/bin/tarvisk -> ../lib/tarvisk/tarvisk"
check "the program" has "./usr/lib/tarvisk/tarvisk"
check "the library tool" has "./usr/bin/tarvisk-tunes"
check "the library's reset and chord" bash -c "$(declare -f has); work='$work';
  has ./usr/lib/tarvisk/Tunes/reset.wav && has ./usr/lib/tarvisk/Tunes/Chord.wav"
for set in "${default_sets[@]}"; do
  check "set $set complete" bash -c "$(declare -f has); work='$work'; for note in E2 H G D A E; do
    has \"./usr/lib/tarvisk/Tunes/$set/\$note.wav\" || exit 1; done"
done
check "desktop entry" has "./usr/share/applications/$app_id.desktop"
check "icons" bash -c "$(declare -f has); work='$work';
  has ./usr/share/icons/hicolor/32x32/apps/tarvisk.png &&
  has ./usr/share/icons/hicolor/256x256/apps/tarvisk.png"
check "metainfo" has "./usr/share/metainfo/$app_id.metainfo.xml"
check "copyright" has "./usr/share/doc/tarvisk/copyright"
check "changelog and man pages" bash -c "$(declare -f has); work='$work';
  has ./usr/share/doc/tarvisk/changelog.gz && has ./usr/share/man/man1/tarvisk.1.gz &&
  has ./usr/share/man/man1/tarvisk-tunes.1.gz"
check "nothing outside /usr" bash -c '! grep -v "^\./usr/\|^\./$" "$1"' _ "$work/files.txt"

# Debian's own checks: nothing above info level.
check "lintian: no errors or warnings" bash -c \
  'lintian --fail-on error,warning "$1" >"$2" 2>&1 && ! grep -E "^[EW]: " "$2" || { cat "$2"; exit 1; }' \
  _ "$deb" "$work/lintian.txt"

# apt resolves the declared dependencies against this Debian without
# changing anything.
check "apt could install it" bash -c 'apt-get install --simulate "$1" >"$2" 2>&1 || { cat "$2"; exit 1; }' \
  _ "$deb" "$work/apt.txt"

root="$work/root"
dpkg-deb -x "$deb" "$root"
root=$(realpath "$root")
check "copyright: FluidR3 GM's notice for the recorded notes" \
  grep -qF "Copyright: 2000-2002, 2008 Frank Wen" "$root/usr/share/doc/tarvisk/copyright"
start_xvfb wm || exit 1
trap cleanup EXIT
check "unpacked program starts through usr/bin/tarvisk" start_installed "$root/usr/bin/tarvisk"
press_g_string
check "it plays from the packaged library" opened "$root/usr/lib/tarvisk/Tunes/Acoustic/G.wav"
stop_installed
check "nothing printed" test ! -s "$work/out.txt"

finish
