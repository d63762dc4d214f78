#!/bin/sh
# Device resets: what 10 F1 presses (windowed / full screen) and what 10
# window resizes add to a 60-frame capture of the scene, against the same
# capture with neither. Each is a device reset that releases and re-creates
# the post-processing resources and the font; the compiled shaders outlive
# it. Runs the three captures in turn (RUNS times each, default 3) and prints
# the median whole-process time of each and the differences.
#
# Usage: bench/reset.sh [BUILD_DIR]   (default build/release)
# Without a display it runs itself under Xvfb on a screen of the capture's
# size, so that full-screen frames cost what windowed ones do and only the
# resets differ, with openbox as the window manager when it is installed
# (apt-get install openbox): without one, SDL waits about 100 ms at every
# switch for a confirmation that never comes.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 320x240x24" "$0" "$@"
fi
if [ -z "${TESSAVIN_WM_STARTED:-}" ] && command -v openbox > /dev/null; then
  openbox > /dev/null 2>&1 &
  wm=$!
  sleep 1
  status=0
  TESSAVIN_WM_STARTED=1 "$0" "$@" || status=$?
  kill "$wm"
  exit "$status"
fi
build="${1:-build/release}"
capture="$build/tools/capture/tessavin-capture"
[ -x "$capture" ] || cmake --build "$build" --target tessavin-capture
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# F1 (virtual key 112) before frames 5, 10, ..., 50; resizes at the same
# frames, between 330x240 and 320x240.
presses=""
resizes=""
for frame in 5 10 15 20 25 30 35 40 45 50; do
  presses="$presses $frame:112"
  resizes="$resizes $frame:$((320 + frame % 10 * 2))x240"
done

# Milliseconds the whole capture took (start-up and shutdown included).
run_ms() {
  t0=$(date +%s%N)
  # shellcheck disable=SC2086 # the list of presses is meant to split
  "$capture" --frames 60 --size 320x240 --fixed-dt 0.016 --out "$out/run" "$@" > /dev/null
  echo $(( ($(date +%s%N) - t0) / 1000000 ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%d\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$out/none"
: > "$out/f1"
: > "$out/resize"
for _ in $(seq "${RUNS:-3}"); do
  run_ms >> "$out/none"
  # shellcheck disable=SC2086
  run_ms --press $presses >> "$out/f1"
  # shellcheck disable=SC2086
  run_ms --resize $resizes >> "$out/resize"
done
none=$(median < "$out/none")
f1=$(median < "$out/f1")
resize=$(median < "$out/resize")
echo "60 frames (median of ${RUNS:-3}): no reset $none ms; 10 F1 presses $f1 ms (+$((f1 - none)) ms);" \
     "10 resizes $resize ms (+$((resize - none)) ms)"
