#!/usr/bin/env bash
# The real program as a screen reader meets it: a session bus and the
# accessibility bus of our own, accessibility switched on the way a screen
# reader does, the tree walked over AT-SPI with pyatspi, the reported places
# held against the X window's client area, and a click in the middle of a
# peg's reported place playing that string's note (its file opened).
# Usage: screen_reader_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"

work=$(mktemp -d)
bus_pid="" launcher="" app=""
cleanup() {
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null
  [ -n "$launcher" ] && kill "$launcher" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  pkill -f "at-spi2-registryd.*$work" 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

# A session bus of our own, before the display helper would block one.
dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 3>"$work/address" 4>"$work/pid" ||
  { echo "no session bus"; exit 1; }
bus_pid=$(cat "$work/pid")
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/address")
start_xvfb wm || exit 1
trap cleanup EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/launcher.log" 2>&1 &
launcher=$!
accessibility_on() {
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null 2>&1
}
wait_for "the accessibility bus to take accessibility on" --log "$work/launcher.log" accessibility_on || exit 1

mkdir -p "$work/prog" "$work/run"
chmod 700 "$work/run"
cp "$build/tarvisk" "$work/prog/"
cp -r "$build/Tunes" "$work/prog/Tunes"
XDG_RUNTIME_DIR="$work/run" \
  strace -f -qq -e trace=openat -o "$work/trace.txt" "$work/prog/tarvisk" >"$work/out.txt" 2>&1 &
app=$!
window=$(timeout "${TARVISK_WAIT_SECONDS:-60}" xdotool search --sync --onlyvisible --name '^Tarvisk$' | head -n 1)
[ -n "$window" ] || { echo "FAIL no window"; exit 1; }
wait_for "openbox to frame the program's window" framed "$window" || exit 1
read -r cx cy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')

/usr/bin/python3 "$source_dir/tests/program/screen_reader.py" "$cx" "$cy" >"$work/reader.txt" 2>"$work/reader.err"
status=$?
grep -v '^[0-9]' "$work/reader.txt"
[ $status -eq 0 ] || { cat "$work/reader.err"; echo "screen reader: failed"; exit 1; }

# The reader's mouse emulation clicks the middle of what it reports.
read -r px py < <(tail -n 1 "$work/reader.txt")
xdotool mousemove "$px" "$py" click 1
d_opened() { grep -q "Tunes/Acoustic/D.wav\", O_RDONLY.*= [0-9]" "$work/trace.txt"; }
if wait_for "the program to open D.wav" d_opened; then
  echo "ok   a click in the middle of the 4th string plays its note"
else
  echo "FAIL a click in the middle of the 4th string plays its note"
  exit 1
fi
