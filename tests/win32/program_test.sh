#!/usr/bin/env bash
# tarvisk.exe under Wine, driven from outside: one window of the right size
# and frame, the real default library listed with "Acoustic" chosen, a second
# start that ends without a window, presses by real X input that light the
# indicators pixel for pixel and hand the right file and flags to
# sndPlaySoundA (as Wine's own winmm trace shows), a choice in the sound-set
# list, the keyboard exit and the close box; what a Windows screen reader
# reads through oleacc, and a click where it places a peg; then the shipped
# program file:
# its version record, its icon, and no DLL of ours.
# Run by scripts/test-win32, which gives the display, the Wine prefix, a
# running Wine session, the program's Wine loader as WINE and the probe's as
# PROBE_WINE (the same by default), a screen reader's probe of the program's
# own width as READER_PROBE run by READER_WINE (by default the probe), and has
# put the default library in
# BUILD_DIR/Tunes. Every wait is for a condition, up to a ceiling that
# TARVISK_WAIT_FACTOR multiplies for a slow Wine (one run through qemu).
# Prints PASS and FAIL lines, then "N passed, M failed".
# TARVISK_PARTS picks among the parts "program" (the window, presses and
# sounds), "reader" (what oleacc reads) and "file"; all by default.
# Usage: program_test.sh BUILD_DIR SOURCE_DIR PROBE_EXE
set -uo pipefail
source "$2/scripts/lib/win32.sh"
OUT=$1
ART=$2/window/art
PROBE=$3
SHIPPED=$OUT/tarvisk.exe
SHOTS=$OUT/shots
mkdir -p "$SHOTS"
LIT_PNG=$ART/lit.png
UNLIT_PNG=$ART/unlit.png
PROBE_WINE=${PROBE_WINE:-$WINE}
READER_PROBE=${READER_PROBE:-$PROBE}
READER_WINE=${READER_WINE:-$PROBE_WINE}
part() { [[ " ${TARVISK_PARTS:-program reader file} " == *" $1 "* ]]; }

PASSED=0
FAILED=0
pass() { echo "PASS $1"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL $1${2:+: $2}"; FAILED=$((FAILED + 1)); }

APP_PID=""
LOOKS_BAD=""
SOUNDS_BAD=""
cleanup() { [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null; wait 2>/dev/null; }
trap cleanup EXIT

# The sets as the folder list gives them: by name, without regard to case.
mapfile -t SETS < <(find "$OUT/Tunes" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | LC_ALL=C sort -f)

probe() { timeout $((60 * SLOW)) "$PROBE_WINE" "$PROBE" "$@" 2>/dev/null | tr -d '\r'; }
reader() { timeout $((60 * SLOW)) "$READER_WINE" "$READER_PROBE" acc "$@" 2>/dev/null | tr -d '\r'; }
TRACE=$OUT/tarvisk-trace.log

focus_is() { [ "$(probe focus)" = "focus $1" ]; }
focused() { wait_until 10 focus_is "$1"; } # "control parent", as Win32 names their kinds

# The rectangles of Picture1(0) to Picture1(5) and of the loop toggle.
RECTS=("110x87+270+240" "105x89+275+149" "104x86+277+61" "90x85+4+64" "93x84+4+151" "94x89+5+236")
TOGGLE="103x54+268+397"
ORIGIN_X=0
ORIGIN_Y=0

# Start-up is over once the first sound set is chosen.
app_up() {
  kill -0 "$APP_PID" 2>/dev/null || return 2
  probe window | grep -q "visible 1$" && probe combo | grep -qx "selected 0"
}
start_app() {
  # Started from elsewhere: the program finds Tunes beside itself.
  (cd / && WINEDEBUG=trace+winmm exec "$WINE" "$SHIPPED" >"$TRACE" 2>&1) &
  APP_PID=$!
  wait_until 60 app_up || return 1
  read -r ORIGIN_X ORIGIN_Y < <(probe window | sed -n 's/^origin //p')
}

app_gone() { ! kill -0 "$APP_PID" 2>/dev/null; }
# Ended, and by its own will: a crash on the way out fails.
app_ended() {
  ENDED_WITH=""
  wait_until 20 app_gone || return 1
  wait "$APP_PID"
  local status=$?
  APP_PID=""
  ENDED_WITH=$status
  [ "$status" -eq 0 ]
}

# Differing pixels between the screen's client area and an artwork, in rect.
differs() { # rect artwork
  convert "$SHOTS/client.png" -crop "$1" +repage "$SHOTS/part.png" &&
    convert "$2" -crop "$1" +repage "$SHOTS/want.png" &&
    compare -metric AE "$SHOTS/part.png" "$SHOTS/want.png" null: 2>&1
}

# looks "lit indices" toggle(lit|unlit): every indicator and the toggle show
# exactly the lit or the unlit artwork's pixels.
looks_now() {
  local lit=" $1 " toggle=$2 i want
  BAD=""
  import -window root "$SHOTS/screen.png" &&
    convert "$SHOTS/screen.png" -crop "384x550+$ORIGIN_X+$ORIGIN_Y" +repage "$SHOTS/client.png"
  for i in 0 1 2 3 4 5; do
    want=$UNLIT_PNG
    [[ $lit == *" $i "* ]] && want=$LIT_PNG
    [ "$(differs "${RECTS[$i]}" "$want")" = "0" ] || BAD+=" Picture1($i)"
  done
  want=$UNLIT_PNG
  [ "$toggle" = lit ] && want=$LIT_PNG
  [ "$(differs "$TOGGLE" "$want")" = "0" ] || BAD+=" Picture2"
  [ -z "$BAD" ]
}
looks() {
  wait_until 5 looks_now "$1" "$2" && return 0
  LOOKS_BAD=$BAD
  cp "$SHOTS/screen.png" "$SHOTS/failed-$(date +%s%N).png"
  return 1
}

# Where a press lands on the screen: the middle of a rectangle.
press() { # rect button
  local size=${1%%+*} rest=${1#*+}
  local w=${size%x*} h=${size#*x} x=${rest%+*} y=${rest#*+}
  xdotool mousemove $((ORIGIN_X + x + w / 2)) $((ORIGIN_Y + y + h / 2)) click "${2:-1}"
}

trace_path() { # file below Tunes, as Wine's trace writes it
  local p="Z:$OUT/Tunes/$1"
  echo "${p//\//\\\\}"
}
calls() { grep -c "MULTIMEDIA_PlaySound" "$TRACE"; }
names() { grep -c "proc_PlaySound SoundName=" "$TRACE"; }
called() { [ "$(calls)" -ge "$1" ] && [ "$(names)" -ge "$2" ]; }

# sounds BEFORE_CALLS BEFORE_NAMES "flags file" ...: the calls since then,
# in order, each with its flags and its file.
sounds() {
  local calls_before=$1 names_before=$2
  shift 2
  local want=$#
  wait_until 10 called $((calls_before + want)) $((names_before + want))
  # Any call too many that the press made is in the trace once the program
  # has finished handling it.
  probe idle >/dev/null
  mapfile -t got_flags < <(grep "MULTIMEDIA_PlaySound" "$TRACE" | tail -n +$((calls_before + 1)) |
    sed -E 's/.*fdwSound=([0-9A-Fa-f]+).*/\1/')
  mapfile -t got_names < <(grep "proc_PlaySound SoundName=" "$TRACE" | tail -n +$((names_before + 1)) |
    sed -E 's/.*SoundName=L"(.*)" !.*/\1/')
  [ ${#got_flags[@]} -eq "$want" ] && [ ${#got_names[@]} -eq "$want" ] ||
    { SOUNDS_BAD="${#got_flags[@]} calls, ${#got_names[@]} files, want $want"; return 1; }
  local k=0 expected
  for expected in "$@"; do
    local flags=${expected%% *} file=${expected#* }
    if [ "$((16#${got_flags[$k]}))" -ne "$flags" ] || [ "${got_names[$k]}" != "$(trace_path "$file")" ]; then
      SOUNDS_BAD="call $k: flags ${got_flags[$k]} file ${got_names[$k]}"
      return 1
    fi
    k=$((k + 1))
  done
}

# One user step: an action, then the look and the sounds it must give.
step() { # name action look-lit toggle [sound...]
  local name=$1 action=$2 lit=$3 toggle=$4
  shift 4
  local c n
  c=$(calls)
  n=$(names)
  LOOKS_BAD=""
  SOUNDS_BAD=""
  eval "$action"
  if ! looks "$lit" "$toggle"; then
    fail "$name" "wrong look:$LOOKS_BAD"
  elif ! sounds "$c" "$n" "$@"; then
    fail "$name" "sndPlaySoundA: $SOUNDS_BAD"
  else
    pass "$name"
  fi
}

first=${SETS[0]}
second=${SETS[1]:-${SETS[0]}}

if part program; then
  if ! start_app; then
    fail "tarvisk.exe starts with a window" "see build-win32/tarvisk-trace.log"
  else
    pass "tarvisk.exe starts with a window"
    window=$(probe window)
    if grep -qx "windows 1" <<<"$window" && grep -qx "title Tarvisk" <<<"$window" &&
       grep -qx "client 384 550" <<<"$window" &&
       grep -qx "toolwindow 1 closebox 1 minbox 0 maxbox 0 sizable 0 visible 1" <<<"$window" &&
       [ "$(xdotool search --name '^Tarvisk$' | wc -l)" -eq 1 ]; then
      pass "one fixed tool window \"Tarvisk\" with a 384 x 550 client area"
    else
      fail "one fixed tool window \"Tarvisk\" with a 384 x 550 client area" \
        "$(tr '\n' ';' <<<"$window") X windows: $(xdotool search --name '^Tarvisk$' | wc -l)"
    fi

    combo=$(probe combo)
    want_combo=$(printf 'text %s\nselected 0\n' "$first"; printf 'entry %s\n' "${SETS[@]}")
    # "Acoustic" sorts first, so the window's initial text names the set chosen.
    if [ "$combo" = "$want_combo" ] && [ "$first" = Acoustic ] && [ ${#SETS[@]} -ge 2 ]; then
      pass "the default sets are listed by name and Acoustic is chosen"
    else
      fail "the default sets are listed by name and Acoustic is chosen" "$(tr '\n' ';' <<<"$combo")"
    fi

    if sounds 0 0 "1 Chord.wav" && looks "" lit; then
      pass "opens with the chord, every string unlit and the loop toggle lit"
    else
      fail "opens with the chord, every string unlit and the loop toggle lit" "$SOUNDS_BAD$LOOKS_BAD"
    fi

    # A second start ends by itself, without a window and without a sound.
    second_trace=$OUT/tarvisk-second.log
    if (cd / && WINEDEBUG=trace+winmm timeout $((60 * SLOW)) "$WINE" "$SHIPPED" >"$second_trace" 2>&1) &&
       [ "$(probe window | sed -n 's/^windows //p')" = 1 ] &&
       ! grep -q "MULTIMEDIA_PlaySound" "$second_trace"; then
      pass "a second start ends without a window"
    else
      fail "a second start ends without a window"
    fi

    step "loop mode: a press on G lights it and loops G.wav" "press ${RECTS[2]} 1" \
      "2" lit "9 $first/G.wav"
    step "loop mode: a right-button press on A moves the loop to A" "press ${RECTS[4]} 3" \
      "4" lit "9 $first/A.wav"
    step "loop mode: pressing A again plays the reset sound and clears all" "press ${RECTS[4]} 2" \
      "" lit "1 reset.wav"
    step "the loop toggle switches to single-shot mode with the reset sound" "press $TOGGLE 1" \
      "" unlit "1 reset.wav"
    step "single-shot: a press on high E lights it and plays E2.wav once" "press ${RECTS[0]} 1" \
      "0" unlit "1 $first/E2.wav"
    if looks "" unlit; then
      pass "single-shot: the timer puts the light out"
    else
      fail "single-shot: the timer puts the light out" "$LOOKS_BAD"
    fi

    # The user's choice in the list: focus its text field, then Down.
    combo_at="$((ORIGIN_X + 40)) $((ORIGIN_Y + 429))"
    step "choosing the next sound set from the keyboard plays nothing" \
      "xdotool mousemove $combo_at click 1 && focused 'Edit ComboBox' && xdotool key Down" "" unlit
    if [ "$(probe combo | sed -n 's/^text //p')" = "$second" ]; then
      pass "the list's text follows the user's choice"
    else
      fail "the list's text follows the user's choice"
    fi
    step "loop mode again: D loops from the chosen set" \
      "press $TOGGLE 1 && looks '' lit && press ${RECTS[3]} 1" "3" lit "9 $second/D.wav"
    if [ ${#SETS[@]} -ge 2 ]; then
      step "another set chosen while D repeats loops D of that set" \
        "xdotool mousemove $combo_at click 1 && focused 'Edit ComboBox' && xdotool key Up" "3" lit "9 $first/D.wav"
    fi

    # Shift+Tab from the list reaches the exit button, which lies outside
    # the client area; Space activates it and the program ends at once.
    xdotool mousemove "${combo_at% *}" "${combo_at#* }" click 1
    focused "Edit ComboBox" && xdotool key shift+Tab && focused "Button TarviskForm" && xdotool key space
    if app_ended; then
      pass "the exit button, reached with the keyboard, ends the program"
    else
      fail "the exit button, reached with the keyboard, ends the program"
      kill "$APP_PID" 2>/dev/null
      APP_PID=""
    fi
  fi

  if start_app; then
    probe close >/dev/null
    if app_ended && [ "$(probe window | sed -n 's/^windows //p')" = 0 ]; then
      pass "the close command ends the program"
    else
      fail "the close command ends the program"
    fi
  else
    fail "the close command ends the program" "no window"
  fi
fi

# --- As a Windows screen reader reads it, through oleacc ---------------------

NAMES=("1st string (highest)" "2nd string" "3rd string" "4th string" "5th string" "6th string (lowest)")
# rect: "WxH+X+Y" in client pixels; prints "X Y W H" on the screen.
on_screen() {
  local size=${1%%+*} rest=${1#*+}
  echo "$((ORIGIN_X + ${rest%+*})) $((ORIGIN_Y + ${rest#*+})) ${size%x*} ${size#*x}"
}
centre() { local a; read -r -a a <<<"$(on_screen "$1")"; echo "$((a[0] + a[2] / 2)) $((a[1] + a[3] / 2))"; }
if part reader; then
  if start_app; then
    bad=""
    for i in 0 1 2 3 4 5; do
      # name|role|state|place|value|action, of the object at the peg's centre
      got=$(reader $(centre "${RECTS[$i]}"))
      want="${NAMES[$i]}|graphic|focusable|$(on_screen "${RECTS[$i]}")||"
      [ "$got" = "$want" ] || bad+=" [$got] want [$want];"
    done
    if [ -z "$bad" ]; then
      pass "oleacc finds six named pegs at their true places, with no action of their own"
    else
      fail "oleacc finds six named pegs at their true places, with no action of their own" "$bad"
    fi

    controls=$(reader)
    loop_line() { reader | grep "^Loop|"; }
    # Windows names the role "check box", Wine "check button".
    if grep -qxE "Loop\|check b(ox|utton)\|checked,focusable\|$(on_screen "$TOGGLE")\|\|" <<<"$controls" &&
       grep -q "^Sound|combo box|.*|$first|" <<<"$controls" && grep -q "^X|" <<<"$controls" &&
       [ "$(grep -c "|invisible" <<<"$controls")" -eq 2 ]; then
      pass "Loop reads checked, the list reads Sound with the chosen set, X stays, the canvases are hidden"
    else
      fail "Loop reads checked, the list reads Sound with the chosen set, X stays, the canvases are hidden" \
        "$(tr '\n' ';' <<<"$controls")"
    fi

    # The reader's mouse routing clicks the middle of the place it reports.
    read -r -a place <<<"$(reader $(centre "${RECTS[3]}") | cut -d'|' -f4)"
    step "a click where oleacc places the 4th string loops D.wav" \
      "xdotool mousemove $((place[0] + place[2] / 2)) $((place[1] + place[3] / 2)) click 1" "3" lit "9 $first/D.wav"

    loop_reads() { [[ $(loop_line) =~ ^Loop\|check\ b(ox|utton)\|$1focusable\| ]]; }
    press "$TOGGLE" 1
    wait_until 10 loop_reads ""
    off=$(loop_line)
    press "$TOGGLE" 1
    wait_until 10 loop_reads "checked,"
    on=$(loop_line)
    if [[ $off =~ ^Loop\|check\ b(ox|utton)\|focusable\| ]] && [[ $on =~ ^Loop\|check\ b(ox|utton)\|checked,focusable\| ]]; then
      pass "the Loop check box follows loop mode off and on"
    else
      fail "the Loop check box follows loop mode off and on" "off [$off] on [$on]"
    fi
    probe close >/dev/null
    if app_ended; then
      pass "after a screen reader's questions the close command ends the program cleanly"
    else
      fail "after a screen reader's questions the close command ends the program cleanly" "exit status ${ENDED_WITH:-none}"
      [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
      APP_PID=""
    fi
  else
    fail "oleacc finds six named pegs at their true places, with no action of their own" "no window"
  fi
fi

# --- The program file -------------------------------------------------------

if part file; then
  windows_path=$("$PROBE_WINE" winepath -w "$SHIPPED" 2>/dev/null | tr -d '\r')
  version=$(probe version "$windows_path")
  if grep -qx "translation 0407 1252" <<<"$version" && grep -qx "FileVersion 2.00" <<<"$version" &&
     grep -qx "ProductVersion 2.00" <<<"$version"; then
    pass "version record 2.00, German (Germany)"
  else
    fail "version record 2.00, German (Germany)" "$(tr '\n' ';' <<<"$version")"
  fi

  icon=$(probe icon "$windows_path")
  if grep -qx "icon 32x32 4bpp mask yes" <<<"$icon" && grep -qx "loads yes" <<<"$icon"; then
    pass "program icon 32 x 32, 16 colours, with a mask"
  else
    fail "program icon 32 x 32, 16 colours, with a mask" "$(tr '\n' ';' <<<"$icon")"
  fi

  dlls=$(i686-w64-mingw32-objdump -p "$SHIPPED" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' |
    grep -vxE "kernel32.dll|user32.dll|gdi32.dll|winmm.dll|msvcrt.dll|advapi32.dll|shell32.dll|comctl32.dll|oleacc.dll|ole32.dll|oleaut32.dll|api-ms-win-.*")
  if [ -z "$dlls" ]; then
    pass "tarvisk.exe needs only system DLLs"
  else
    fail "tarvisk.exe needs only system DLLs" "$(tr '\n' ' ' <<<"$dlls")"
  fi
fi

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
