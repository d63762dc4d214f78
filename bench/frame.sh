#!/bin/sh
# Frame benchmark: the shipped scene against the floor (clear, one
# full-screen textured quad, present) at the same size, same binary, same
# session; prints medians, means and the ratio scene/floor, and the median
# device time of each pass of the scene's frames (from timestamp queries;
# see bench/README.md for how far llvmpipe's can be trusted). With perf on the
# machine it also profiles a third, scene-only run after start-up and prints
# the CPU time per frame spent in our own code (gen:: functions: draw
# submission, constant setting, scene and entity updates) next to the whole
# process's (which includes the GL driver and, on llvmpipe, rasterisation).
#
# Usage: bench/frame.sh [BUILD_DIR] [WxH ...]
#   BUILD_DIR  a configured build with tessavin-capture (default build/release)
#   sizes      default 800x600
# Environment: FRAMES (default 300), PERF=0 to skip profiling.
# Without a display it runs itself under Xvfb.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
build="${1:-build/release}"
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- 800x600
frames="${FRAMES:-300}"
capture="$build/tools/capture/tessavin-capture"
[ -x "$capture" ] || cmake --build "$build" --target tessavin-capture
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

field() { sed -n "s/.*\"$2\": \([0-9.]*\).*/\1/p" "$1/stats.json"; }

field_text() { sed -n "s/.*\"$2\": \"\(.*\)\".*/\1/p" "$1/stats.json"; }
for size in "$@"; do
  "$capture" --frames "$frames" --size "$size" --fixed-dt 0.016 --out "$out/scene" > /dev/null
  "$capture" --frames "$frames" --size "$size" --fixed-dt 0.016 --floor --out "$out/floor" > /dev/null
  [ -n "${renderer:-}" ] || { renderer=$(field_text "$out/scene" renderer); echo "renderer: $renderer"; }
  scene=$(field "$out/scene" median_ms)
  floor=$(field "$out/floor" median_ms)
  echo "$size: scene median $scene ms (mean $(field "$out/scene" mean_ms), cpu $(field "$out/scene" cpu_mean_ms))," \
       "floor median $floor ms (mean $(field "$out/floor" mean_ms)), scene/floor $(echo "$scene $floor" |
       awk '{ printf "%.1f", $1 / $2 }')"
  sed -n 's/.*"passes": {\(.*\)}.*/\1/p' "$out/scene/stats.json" | tr -d '"' |
    awk -F', ' '{ printf "  device ms per pass (median):"; for (i = 1; i <= NF; ++i) { split($i, kv, ": ");
                  printf " %s %.2f", kv[1], kv[2] } print "" }'

  if [ "${PERF:-1}" != 0 ] && command -v perf > /dev/null; then
    # Skip start-up (shader compilation, media loading): time a one-frame run.
    t0=$(date +%s%N)
    "$capture" --frames 1 --size "$size" --out "$out/one" > /dev/null
    delay=$(( ($(date +%s%N) - t0) / 1000000 + 300 ))
    perf record -q -F 999 -D "$delay" -o "$out/perf.data" -- \
      "$capture" --frames "$((frames * 2))" --size "$size" --fixed-dt 0.016 --out "$out/perf" > /dev/null 2>&1
    perf report -i "$out/perf.data" --stdio -q --sort comm,dso,sym --percent-limit 0 2> /dev/null > "$out/report"
    cpu=$(field "$out/perf" cpu_mean_ms)
    awk -v cpu="$cpu" 'BEGIN { n = 0 }
      { pct = $1 + 0 }
      $2 == "tessavin-captur" || $2 ~ /^llvmpipe/ { process += pct }
      $3 == "tessavin-capture" && / gen::/ {
        ours += pct
        if (n < 8) { name = $0; sub(/^.*\[\.\] /, "", name); top[n] = name; share[n++] = pct } }
      END { if (process == 0) exit
            printf "  own code %.3f ms of %.2f ms process CPU per frame (%.1f%%); most of it:\n",
                   cpu * ours / process, cpu, 100 * ours / process
            for (i = 0; i < n; ++i) printf "    %.4f ms  %s\n", cpu * share[i] / process, top[i] }' "$out/report"
  fi
done
