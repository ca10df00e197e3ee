#!/usr/bin/env bash
# cmake --install into a temporary prefix: the layout, the bin/ link, the
# library tool and a complete library, and the desktop's files as the
# desktop and AppStream validators see them, all at the project's version.
# Usage: installed_tree_test.sh BUILD_DIR SOURCE_DIR VERSION APP_ID
set -uo pipefail
build=$1
source_dir=$2
version=$3
app_id=$4
source "$source_dir/tests/install/common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.txt" 2>&1 ||
  { cat "$work/install.txt"; exit 1; }
cd "$work"

desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
key() { sed -n "s/^$1=//p" "$desktop"; }
png_size() { identify -format '%wx%h' "$1" 2>/dev/null; }
quiet() { "$@" >"$work/quiet.txt" 2>&1 || { cat "$work/quiet.txt"; return 1; }; }
has_category() { tr ';' '\n' <<<"$(key Categories)" | grep -qx "$1"; }

check "bin/tarvisk is the relative link to the program" \
  test "$(readlink "$prefix/bin/tarvisk")" = "../lib/tarvisk/tarvisk"
check "the link leads to an executable program" test -x "$prefix/bin/tarvisk"
check "library tool is installed as a command" test -x "$prefix/bin/tarvisk-tunes"
check "library tool gives its usage" \
  bash -c '"$1" --help | grep -q "tarvisk-tunes generate"' _ "$prefix/bin/tarvisk-tunes"
# check exits non-zero when reset.wav, Chord.wav or any set's note is missing.
check "installed library is complete and in tune" bash -c '"$1" check "$2" >"$3"' _ \
  "$prefix/bin/tarvisk-tunes" "$prefix/lib/tarvisk/Tunes" "$work/check.txt"
check "library holds the default sets" bash -c 'for set in "${@:2}"; do test -d "$1/$set" || exit 1; done' \
  _ "$prefix/lib/tarvisk/Tunes" "${default_sets[@]}"

check "desktop entry is valid" desktop-file-validate "$desktop"
check "desktop entry is named Tarvisk" test "$(key Name)" = "Tarvisk"
check "desktop entry has a comment" test -n "$(key Comment)"
check "desktop entry starts the bin/ command" test -x "$prefix/bin/$(key Exec)"
check "desktop entry is in Audio and Music" bash -c "$(declare -f key has_category);
  desktop='$desktop'; has_category Audio && has_category Music && has_category AudioVideo"
check "icon 32x32 in hicolor" \
  test "$(png_size "$prefix/share/icons/hicolor/32x32/apps/$(key Icon).png")" = "32x32"
check "icon 256x256 in hicolor" \
  test "$(png_size "$prefix/share/icons/hicolor/256x256/apps/$(key Icon).png")" = "256x256"

check "metainfo is valid, with nothing above info level" bash -c \
  'appstreamcli validate --no-net --pedantic "$1" >"$2" 2>&1 && ! grep -E "^[EW]: " "$2" || { cat "$2"; exit 1; }' \
  _ "$metainfo" "$work/appstream.txt"
# The pointer is how the pegs are pressed; keys have no handler, so no claim.
check "metainfo names its developer, the pointer and the release's news" bash -c '
  grep -q "<developer id=\"[a-z.]*\">" "$1" && grep -q "<developer_name>" "$1" &&
  grep -q "<control>pointing</control>" "$1" && ! grep -q "<control>keyboard</control>" "$1" &&
  sed -n "/<release /,/<\/release>/p" "$1" | grep -q "<description>"' _ "$metainfo"
# The tree check also matches the launchable to the installed desktop entry.
check "installed tree is valid for AppStream" quiet appstreamcli validate-tree --no-net "$prefix"
check "metainfo releases version $version" grep -q "<release version=\"$version\" date=\"" "$metainfo"
check "metainfo launches the desktop entry" grep -q "<launchable type=\"desktop-id\">$app_id.desktop<" "$metainfo"
shot_size=$(identify -format 'width="%w" height="%h"' "$source_dir/docs/screenshot.png")
check "screenshot has the repository's picture's size" grep -qF "$shot_size" "$metainfo"

finish
