#!/usr/bin/env bash
# The real program in a Wayland session (headless weston with Xwayland on a
# 1280 x 1024 output). With no platform chosen by the user, and Qt's own
# options on the command line, it runs through X11 on Xwayland: a utility
# window, which a desktop keeps off its task bar, asking to stand where the
# program centres it. Weston places X11 windows itself and rewrites their
# state, so the request is what is checked; the X11 test checks the result
# under a window manager that follows it. A platform the user chose stands:
# on Wayland the program shows its window there, as weston's scene graph
# and a screenshot of the output show.
# Usage: wayland_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/tests/program/app.sh"

work=$(mktemp -d)
weston_pid=""
cleanup() {
  stop_app
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/run" "$work/prog" "$work/shots"
chmod 700 "$work/run"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes" "$work/prog/Tunes"
export XDG_RUNTIME_DIR="$work/run"
unset DISPLAY QT_QPA_PLATFORM

# Weston puts Xwayland's socket where X servers do, and fails where that
# folder is missing (a fresh root where no X server has run yet).
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
# The debug extension gives the scene graph and screenshots; pixman renders.
weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 --debug --xwayland \
  --socket=tarvisk-wayland --idle-time=0 --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
xwayland_listening() {
  [ -S "$XDG_RUNTIME_DIR/tarvisk-wayland" ] && grep -q "xserver listening on display" "$work/weston.log"
}
wait_for "weston and its Xwayland" --log "$work/weston.log" xwayland_listening
x_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n 1)
[ -n "$x_display" ] || { cat "$work/weston.log"; echo "FAIL weston with Xwayland did not start"; exit 1; }
export WAYLAND_DISPLAY=tarvisk-wayland DISPLAY=$x_display

# Qt's own options on the command line are ignored too.
start_app -- -platform offscreen -reverse
check "the window appears on the Xwayland display" test -n "$window"
[ -n "$window" ] || { cat "$work/out.txt"; exit 1; }
check "it is a utility window" \
  bash -c "xprop -id $window _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_UTILITY"
# Weston reports no frame: the window is centred by its client area.
requested() {
  read -r x y < <(xprop -id "$window" WM_NORMAL_HINTS | sed -n 's/.*user specified location: \([0-9]*\), \([0-9]*\).*/\1 \2/p')
  [ -n "${x:-}" ] && centred "$x" "$y" 0 0
}
check "it asks to stand centred" requested
stop_app

# The user's own choice of platform stands.
XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=wayland "$work/prog/tarvisk" \
  >"$work/out.txt" 2>&1 &
app=$!
# The program's mapped top-level in weston's scene graph, and the part of it
# that the program paints opaque (the client area): "left top right bottom".
client_area() {
  weston-debug scene-graph 2>/dev/null | awk -v pid="$app" '
    /View [0-9]+ \(role xdg_toplevel/ { ours = index($0, "PID " pid ",") && index($0, "'"'"'Tarvisk'"'"'") }
    ours && /opaque: \(/ { gsub(/[^0-9]+/, " "); print; exit }'
}
mapped() { read -r cl ct cr cb < <(client_area); [ -n "${cb:-}" ]; }
check "on Wayland the program maps its window" wait_for "the program's window in weston's scene graph" mapped
check "of the artwork's size" test "$((cr - cl)) x $((cb - ct))" = "384 x 550"
# The strings and the toggle as the output shows them. A window is mapped
# before its first frame reaches the output, so the output is shot again
# until it shows the frame.
shows() { # art, left, top, width, height
  local shot
  shot=$(ls "$work/shots"/*.png 2>/dev/null | tail -n 1)
  [ -n "$shot" ] || return 1
  convert "$shot" -crop "${4}x${5}+$((cl + $2))+$((ct + $3))" +repage "$work/shot.png"
  convert "$source_dir/window/art/$1.png" -crop "${4}x${5}+${2}+${3}" +repage "$work/art.png"
  [ "$(compare -metric AE "$work/shot.png" "$work/art.png" null: 2>&1)" = "0" ]
}
shot_shows() {
  rm -f "$work/shots"/*.png
  (cd "$work/shots" && weston-screenshooter >/dev/null 2>&1)
  shows "$@"
}
check "it shows the artwork, strings unlit" wait_for "the window's first frame on weston's output" \
  shot_shows unlit 270 240 110 87
check "and the toggle lit" shows lit 268 397 103 54
check "no X window" test -z "$(xdotool search --onlyvisible --name '^Tarvisk$' 2>/dev/null)"
check "the program still runs" kill -0 "$app"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
