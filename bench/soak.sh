#!/bin/sh
# Soak run: the real program loop for many frames at a small size with a
# fixed step, changing filter every 400 frames, resizing the window every
# 1500 frames and toggling full screen (F1) in and out every 5000 frames,
# flying the camera out and back in between. Prints the resident memory samples and the
# GL error count from stats.json; fails on GL errors or a short run.
#
# Usage: bench/soak.sh [BUILD_DIR] [FRAMES] [OUT_DIR]
#   BUILD_DIR  a configured build with tessavin-capture (default build/dev)
#   FRAMES     default 20000
# Without a display it runs under Xvfb. Run from anywhere.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build/dev}"
frames="${2:-20000}"
out="${3:-$(mktemp -d)}"
capture="$build/tools/capture/tessavin-capture"
[ -x "$capture" ] || cmake --build "$build" --target tessavin-capture

# Key codes: 48-51 filters 0-3, 112 F1, 87 W, 83 S, 37 and 39 left and right
# arrows (the camera flies out and back, turns left and back).
presses=$(awk -v n="$frames" 'BEGIN {
  for (f = 200; f < n; f += 400) printf "%d:%d ", f, 48 + int(f / 400) % 4
  for (f = 2500; f + 1000 < n; f += 5000) printf "%d:112 %d:112 ", f, f + 1000 }')
holds=$(awk -v n="$frames" 'BEGIN { for (f = 100; f + 800 < n; f += 1000)
  printf "%d-%d:87 %d-%d:83 %d-%d:37 %d-%d:39 ", f, f + 150, f + 200, f + 350, f + 400, f + 500, f + 600, f + 700 }')
resizes=$(awk -v n="$frames" 'BEGIN { s[1] = "400x300"; s[2] = "480x200"; s[0] = "320x240"
  for (f = 1500; f < n; f += 1500) printf "%d:%s ", f, s[int(f / 1500) % 3] }')

set -- --frames "$frames" --out "$out" --size 320x240 --fixed-dt 0.016 --shots "$((frames - 1))" \
  --press $presses --hold $holds --resize $resizes
status=0
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$capture" "$@" || status=$?
else
  "$capture" "$@" || status=$?
fi

echo "soak: $frames frames, results in $out"
grep -E '"(frames|mean_ms|median_ms|p95_ms|gl_errors|first_gl_error|rss_kb_start|rss_kb_end|rss_kb_max)"' \
  "$out/stats.json" | tr -d ' ,'
grep '"rss_kb"' "$out/stats.json" | tr -d ' '
exit "$status"
