#!/usr/bin/env bash
# The real program on a hostile sound library, under Xvfb with a window
# manager: a FIFO named G.wav, a link to /dev/zero, a header claiming 4 GB,
# noise, a folder named A.wav, a ten-minute opening chord, 10,000 sets and
# odd set names. Nothing hangs or crashes, the window opens, a good note
# still plays after the bad ones, the close box ends it and memory stays
# within 150 MB of its level at start. strace shows which
# files the program opens: the good note's, after the bad ones, means the
# sound output got past all of them.
# Usage: hostile_library_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/tests/install/common.sh" # check, finish, opened, stop_installed

work=$(mktemp -d)
cleanup() { [ -n "${program:-}" ] && kill -9 "$program" 2>/dev/null; stop_installed; stop_xvfb; rm -rf "$work"; }
start_xvfb wm || exit 1
trap cleanup EXIT
tunes="$work/prog/Tunes"
hostile="$tunes/!Hostile" # first by name
mkdir -p "$hostile" "$work/run"
chmod 700 "$work/run"
cp "$build/tarvisk" "$work/prog/"
cp "$build/Tunes/reset.wav" "$tunes/"
cp "$build/Tunes/Sine/H.wav" "$hostile/" # the good note, B3 at 246.9 Hz

# A 16-bit mono WAV header at 44100 Hz: RIFF size, then data size.
wav_header() {
  le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
  printf 'RIFF%bWAVEfmt \x10\0\0\0\x01\0\x01\0%b%b\x02\0\x10\0data%b' \
    "$(le32 "$1")" "$(le32 44100)" "$(le32 88200)" "$(le32 "$2")"
}
# The same noise on every run.
noise() { python3 -c "import random, sys; sys.stdout.buffer.write(random.Random($1).randbytes($2))"; }
mkfifo "$hostile/G.wav"
ln -s /dev/zero "$hostile/D.wav"
mkdir "$hostile/A.wav"
{ wav_header 4294967280 4294967040; noise 1 20000; } >"$hostile/E.wav"
noise 2 65536 >"$hostile/E2.wav"
{ wav_header $((36 + 52920000)) 52920000; head -c 52920000 /dev/zero; } >"$tunes/Chord.wav"
seq -f "$tunes/set%05g" 1 10000 | xargs mkdir
for name in $'x\\back' $'x\nnew line' $'x\xff\xfe' $'x\xef\x81\x9c' .hidden 'x*?[' 'x🎸' \
            "x$(printf 'n%.0s' $(seq 254))"; do
  mkdir "$tunes/$name"
done

rss() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$program/status"; } # kB
alive() { kill -0 "$program" 2>/dev/null; }
started=$(date +%s%N)
# No session bus: Qt would start one, and strace would wait for it.
XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
  strace -f -qq -e trace=openat -o "$work/trace.txt" "$work/prog/tarvisk" >"$work/out.txt" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tarvisk$' 2>/dev/null | head -n 1)
check "the window opens" test -n "$window"
# How long it took is for reading only: speed is measured by the benchmarks.
echo "     (after $((($(date +%s%N) - started) / 1000000)) ms)"
[ -n "$window" ] || { finish; exit 1; }
program=$(pgrep -P "$app")
# Memory at start: once the window is framed and the opening chord tried.
wait_for "openbox to frame the program's window" framed "$window"
opened "$tunes/Chord.wav"
rss_start=$(rss VmRSS)
read -r wx wy < <(xwininfo -id "$window" | awk '
  /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
# A press, and the program opening the file it brings: a newer press would
# otherwise make an older one's file moot before it is read.
opens() { grep -F "\"$1\"" "$work/trace.txt" 2>/dev/null | grep -cv '= -1'; }
opened_more() { [ "$(opens "$1")" -gt "$2" ]; }
press() { # x, y in client pixels, file
  local before
  before=$(opens "$3")
  timeout 60 xdotool mousemove $((wx + $1)) $((wy + $2)) click 1
  [ -z "${4:-}" ] || wait_for "the program to open $3" opened_more "$3" "$before"
}

# In loop mode each press replaces the last: G (FIFO), D (/dev/zero), A
# (folder), E (4 GB header), E2 (random bytes), each read once, then round
# after round as fast as X delivers them.
tried() {
  press 329 104 "$hostile/G.wav" wait && press 49 106 "$hostile/D.wav" wait &&
    press 50 193 "$hostile/A.wav" wait && press 52 280 "$hostile/E.wav" wait && press 325 283 "$hostile/E2.wav" wait
}
check "every bad note was tried" tried
for _ in $(seq 4); do
  press 329 104 "$hostile/G.wav"; press 49 106 "$hostile/D.wav"; press 50 193 "$hostile/A.wav"
  press 52 280 "$hostile/E.wav"; press 325 283 "$hostile/E2.wav"
done
check "it survives them" alive
check "the good note plays after the bad ones" press 327 193 "$hostile/H.wav" wait
hwm=$(rss VmHWM)
check "memory stays within 150 MB of its start ($(((hwm - rss_start) / 1024)) MB)" \
  test $((hwm - rss_start)) -lt $((150 * 1024))

read -r left right top _ < <(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ',')
timeout 10 xdotool mousemove --sync $((wx + 384 + right - 10)) $((wy - top / 2)) click 1
gone() { ! alive; }
check "the close box ends it" wait_for "the program to end" gone
stop_installed # strace, and anything the program left behind
check "nothing printed" test ! -s "$work/out.txt"
finish
