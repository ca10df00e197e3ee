# The real program in a work folder, its window and presses on it. Sourced
# by the program tests and the desktop benchmark; the caller sets `work` to a
# folder of its own, holding prog/tarvisk.

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wait.sh"

passed=0 failed=0
check() { # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# Environment settings for the program, such as PULSE_PROP=..., then
# after "--" its command-line arguments.
start_app() {
  local settings=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do settings+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  mkdir -p "$work/run"
  chmod 700 "$work/run"
  env XDG_RUNTIME_DIR="$work/run" "${settings[@]}" "$work/prog/tarvisk" "$@" >"$work/out.txt" 2>&1 &
  app=$!
  window=$(timeout "${TARVISK_WAIT_SECONDS:-60}" xdotool search --sync --onlyvisible --name '^Tarvisk$' |
             head -n 1)
  [ -n "$window" ] || { echo "gave up waiting for the program's window"; cat "$work/out.txt"; wx=0 wy=0 ww=0 wh=0
                        return 1; }
  # A window manager has placed it once it has framed it.
  [ -z "${WM_PID:-}" ] || wait_for "openbox to frame the program's window" framed "$window" || return 1
  read -r wx wy ww wh < <(xwininfo -id "$window" | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
}

# Whether a window's frame, its top-left corner at X, Y and its size
# FRAME_W x FRAME_H more than the client area, stands where the program
# places it on the 1280 x 1024 screen: centred across, its centre at 0.425
# of the height.
centred() { # x, y, frame_w, frame_h
  local outer_w=$(( (384 + $3) * 15 )) outer_h=$(( (550 + $4) * 15 ))
  local top=$(( (13056 / 2 - outer_h / 2 + 7) / 15 )) left=$(( (19200 / 2 - outer_w / 2 + 7) / 15 ))
  [ "$1,$2" = "$left,$top" ] || { echo "  frame at $1,$2, expected $left,$top"; return 1; }
}

# X delivers one client's moves and presses in order; a caller waits for
# what a press brings.
click() { # x, y in client pixels, button
  xdotool mousemove $((wx + $1)) $((wy + $2)) click "${3:-1}"
}

ended() { wait_for "the program to end" running_no_more && { wait "$app"; true; }; }
running_no_more() { ! kill -0 "$app" 2>/dev/null; }

stop_app() {
  [ -n "${app:-}" ] && kill -9 "$app" 2>/dev/null && wait "$app" 2>/dev/null
  app=
}

# The middle of each string's indicator, by string index (high E first).
string_x=(325 327 329 49 50 52)
string_y=(283 193 104 106 193 280)
