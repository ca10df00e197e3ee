#!/usr/bin/env bash
# The real program in a Wayland session (headless weston with Xwayland),
# with no platform chosen by the user and Qt's own options on the command
# line: it runs through X11 on Xwayland,
# where its window is a utility window, placed by the program and kept off
# the task bar. A platform the user chose still wins.
# Usage: wayland_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
work=$(mktemp -d)
weston_pid="" app=""
cleanup() {
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/run" "$work/prog"
chmod 700 "$work/run"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes" "$work/prog/Tunes"
export XDG_RUNTIME_DIR="$work/run"
unset DISPLAY QT_QPA_PLATFORM
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tarvisk-no-bus

weston --backend=headless-backend.so --xwayland --socket=tarvisk-wayland --idle-time=0 \
  --log="$work/weston.log" >/dev/null 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/tarvisk-wayland" ] && grep -q "xserver listening on display" "$work/weston.log" && break
  sleep 0.1
done
x_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n 1)
[ -n "$x_display" ] || { cat "$work/weston.log"; echo "FAIL weston with Xwayland did not start"; exit 1; }
export WAYLAND_DISPLAY=tarvisk-wayland DISPLAY=$x_display

# Qt's own options on the command line are ignored too.
ALSOFT_DRIVERS=null "$work/prog/tarvisk" -platform offscreen -reverse >"$work/out.txt" 2>&1 &
app=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarvisk$' 2>/dev/null | head -n 1)
if [ -z "$window" ]; then
  cat "$work/out.txt"
  echo "FAIL the window appears on the Xwayland display"
  exit 1
fi
echo "ok   the window appears on the Xwayland display"
if xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_UTILITY; then
  echo "ok   it is a utility window"
else
  xprop -id "$window" _NET_WM_WINDOW_TYPE
  echo "FAIL it is a utility window"
  exit 1
fi
kill -9 "$app"; wait "$app" 2>/dev/null; app=""

# The user's own choice of platform stands: on Wayland, no X window.
QT_QPA_PLATFORM=wayland ALSOFT_DRIVERS=null "$work/prog/tarvisk" >"$work/out2.txt" 2>&1 &
app=$!
sleep 3
if kill -0 "$app" 2>/dev/null && [ -z "$(xdotool search --onlyvisible --name '^Tarvisk$' 2>/dev/null)" ]; then
  echo "ok   a platform the user chose stands"
else
  cat "$work/out2.txt"
  echo "FAIL a platform the user chose stands"
  exit 1
fi
