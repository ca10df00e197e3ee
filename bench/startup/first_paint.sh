#!/usr/bin/env bash
# Spawn to first paint: the tuner against a bare Qt tool window of the same
# size showing the tuner's artwork, read as the tuner reads it, built in the
# same build. A private Xvfb without a window manager; RUNS (15) alternating
# runs of each, timed from the spawn to the first X damage of a window of the
# program. Reports both medians, their ratio and the median resident memory
# of each once settled (SETTLE_MS, 3000 by default, after the first paint).
# TARVISK_BENCH_SOUND=1 gives both a private PulseAudio server, so the
# tuner's opening chord really sounds.
# Usage: bench/startup/first_paint.sh [BUILD_DIR [PROGRAM]]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$source_dir/build}")
program=$(realpath "${2:-$build/tarvisk}")
runs=${RUNS:-15}
settle_ms=${SETTLE_MS:-3000}
source "$source_dir/scripts/lib/packages.sh"
ensure_packages "${TARVISK_PACKAGES[@]}"
cmake --build "$build" --target tarvisk_first_paint tarvisk_bare_window tarvisk_tunes_library -j2 >/dev/null ||
  exit 1
source "$source_dir/scripts/lib/xvfb.sh"
source "$source_dir/scripts/lib/pulse.sh"

work=$(mktemp -d)
holder=
cleanup() { [ -n "$holder" ] && kill "$holder" && wait "$holder"; stop_pulse; stop_xvfb; rm -rf "$work"; }
start_xvfb || exit 1
trap cleanup EXIT
# A client for the whole run: Xvfb resets when its last one leaves, and
# refuses the next run's watcher meanwhile.
xprop -root -spy >/dev/null 2>&1 &
holder=$!
if [ "${TARVISK_BENCH_SOUND:-0}" = 1 ]; then
  start_pulse 48000 || exit 1
else
  # No server to find: the sound output falls back to ALSA, which has no card.
  export PULSE_SERVER=unix:/nonexistent/tarvisk-no-pulse
fi
mkdir -p "$work/prog" "$work/run"
chmod 700 "$work/run"
cp "$program" "$work/prog/tarvisk"
cp -r "$build/Tunes" "$work/prog/Tunes"
watch="$build/bench/startup/tarvisk_first_paint"
bare="$build/bench/startup/tarvisk_bare_window"

: >"$work/tarvisk" && : >"$work/bare"
for i in $(seq "$runs"); do
  XDG_RUNTIME_DIR="$work/run" "$watch" "$settle_ms" "$work/prog/tarvisk" >>"$work/tarvisk" 2>>"$work/err" ||
    echo "tarvisk run $i failed" >&2
  "$watch" "$settle_ms" "$bare" >>"$work/bare" 2>>"$work/err" || echo "bare run $i failed" >&2
done

median() { # field name, file
  sed -n "s/.*$1=\([0-9.]*\).*/\1/p" "$2" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}
t=$(median first_paint_ms "$work/tarvisk") b=$(median first_paint_ms "$work/bare")
tr=$(median rss_kb "$work/tarvisk") br=$(median rss_kb "$work/bare")
echo "first paint, median of $runs: tarvisk $t ms, bare window $b ms, ratio $(awk -v t="$t" -v b="$b" 'BEGIN {printf "%.2f", t / b}')x"
echo "settled RSS, median: tarvisk $(awk -v k="$tr" 'BEGIN {printf "%.1f", k / 1024}') MiB, bare window $(awk -v k="$br" 'BEGIN {printf "%.1f", k / 1024}') MiB"
[ -n "${TARVISK_BENCH_VERBOSE:-}" ] && paste "$work/tarvisk" "$work/bare"
exit 0
