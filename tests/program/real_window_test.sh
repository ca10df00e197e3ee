#!/usr/bin/env bash
# The real program in a real X server with a window manager: presses by X
# input events light the strings, the title bar's close box ends it, and the
# exit button ends it from the keyboard. Qt's own command-line options given
# to the program change nothing.
# Usage: real_window_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
cleanup() { stop_app; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
mkdir -p "$work/prog/Tunes/Acoustic"
cp "$build/tarvisk" "$work/prog/"

# Whether the screen shows the artwork inside the rectangle (client pixels).
shows() { # art, left, top, width, height
  local crop="${4}x${5}+${2}+${3}"
  import -window root -crop "${4}x${5}+$((wx + $2))+$((wy + $3))" "$work/shot.png" 2>/dev/null
  convert "$source_dir/window/art/$1.png" -crop "$crop" +repage "$work/art.png"
  [ "$(compare -metric AE "$work/shot.png" "$work/art.png" null: 2>&1)" = "0" ]
}
# What a press brings, once the program has painted it.
showing() { wait_for "the screen to show the $1 artwork at $2,$3" shows "$@"; }
# The client area as the screen shows it, with the pointer out of the way.
shoot() { # file
  xdotool mousemove --sync 0 0
  import -window root -crop "384x550+$wx+$wy" "$1" 2>/dev/null
}
start_app
shoot "$work/plain.png"
check "window is 384 x 550" test "$ww x $wh" = "384 x 550"
check "no taskbar button" bash -c "xprop -id $window _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
check "a fixed size" bash -c "xprop -id $window WM_NORMAL_HINTS | grep -q 'minimum size: 384 by 550' &&
                              xprop -id $window WM_NORMAL_HINTS | grep -q 'maximum size: 384 by 550'"
# Placed by the outer size, frame included.
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',')
check "placed by its outer size" centred $((wx - left)) $((wy - top)) $((left + right)) $((top + bottom))
check "strings start unlit" showing unlit 270 240 110 87
check "toggle starts lit" showing lit 268 397 103 54
click 329 104                                   # the G string
check "pressed G string is lit" showing lit 277 61 104 86
check "other strings stay unlit" showing unlit 4 64 90 85
click 329 104 3                                 # again, right button: stops the loop
check "second press clears it" showing unlit 277 61 104 86
click 319 424 2                                 # middle button on the toggle
check "toggle off shows it unlit" showing unlit 268 397 103 54
click 50 110                                    # single-shot press on D
check "single-shot press lights D" showing lit 4 64 90 85
check "the light goes out after a second" showing unlit 4 64 90 85

# The close box sits at the right end of the title bar.
xdotool mousemove --sync $((wx + ww + right - 10)) $((wy - top / 2)) click 1
check "close box ends the program" ended

# Options Qt would take from the command line: another platform, mirrored
# controls and a style sheet that colours the label and frames the list.
printf 'QLabel { color: #00ff00; } QComboBox { border: 4px solid #00ff00; }\n' >"$work/green.qss"
start_app -- -platform offscreen -reverse -stylesheet "$work/green.qss"
check "with Qt's options the window still opens on X" test -n "$window"
shoot "$work/optioned.png"
check "and looks the same" test "$(compare -metric AE "$work/plain.png" "$work/optioned.png" null: 2>&1)" = "0"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
# From the first string, nine presses of Tab reach the exit button.
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab Tab Tab
xdotool key space
check "exit button ends the program from the keyboard" ended
check "nothing printed" test ! -s "$work/out.txt"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
