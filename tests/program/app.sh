# The real program in a work folder, its window and presses on it. Sourced
# by the program tests and the desktop benchmark after scripts/lib/xvfb.sh;
# the caller sets `work` to a folder of its own, holding prog/tarvisk.

passed=0 failed=0
check() { # name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name"; fi
}

start_app() { # environment settings for the program, such as ALSOFT_DRIVERS=null
  mkdir -p "$work/run"
  chmod 700 "$work/run"
  env XDG_RUNTIME_DIR="$work/run" "$@" "$work/prog/tarvisk" >"$work/out.txt" 2>&1 &
  app=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvisk$' | head -n 1)
  sleep 0.5
  read -r wx wy ww wh < <(xwininfo -id "$window" | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
}

click() { # x, y in client pixels, button
  xdotool mousemove --sync $((wx + $1)) $((wy + $2)) click "${3:-1}"
  sleep 0.3
}

ended() { # waits up to 10 s for the program to end
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || { wait "$app"; return 0; }; sleep 0.1; done
  return 1
}

stop_app() {
  [ -n "${app:-}" ] && kill -9 "$app" 2>/dev/null && wait "$app" 2>/dev/null
  app=
}

# The middle of each string's indicator, by string index (high E first).
string_x=(325 327 329 49 50 52)
string_y=(283 193 104 106 193 280)
