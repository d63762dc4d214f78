#!/bin/sh
# Device resets: what 10 F1 presses (windowed / full screen, each a device
# reset) add to a 60-frame capture of the scene, against the same capture with
# none. Each reset releases and re-creates the post-processing resources; the
# compiled shaders are meant to outlive it. Runs the two captures in turn
# (RUNS times each, default 3) and prints the median whole-process time of
# each and their difference.
#
# Usage: bench/reset.sh [BUILD_DIR]   (default build/release)
# Without a display it runs itself under Xvfb.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
build="${1:-build/release}"
capture="$build/tools/capture/tessavin-capture"
[ -x "$capture" ] || cmake --build "$build" --target tessavin-capture
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# F1 (virtual key 112) before frames 5, 10, ..., 50.
presses=""
for frame in 5 10 15 20 25 30 35 40 45 50; do presses="$presses $frame:112"; done

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
for _ in $(seq "${RUNS:-3}"); do
  run_ms >> "$out/none"
  # shellcheck disable=SC2086
  run_ms --press $presses >> "$out/f1"
done
none=$(median < "$out/none")
f1=$(median < "$out/f1")
echo "60 frames: no reset $none ms, 10 F1 presses $f1 ms (median of ${RUNS:-3}), difference $((f1 - none)) ms"
