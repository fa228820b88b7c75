#!/usr/bin/env bash
# Plays the anchor timeline in the preview pipeline, looped, on two cores (taskset -c 0,1), with
# background rendering paused: shown and dropped frames, the largest A/V offset, under-runs,
# render p50/p99, first-frame time and CPU load. Goal: nothing dropped, the offset under one
# frame (40 ms). The by-hand run is 10 minutes on the paced null output, then the same on ALSA.
# Usage: benchmarks/bench_preview.sh [build folder] [seconds (600)] [null|alsa|wav (null)]
set -euo pipefail
build="${1:-build/default}"
seconds="${2:-600}"
output="${3:-null}"
[ -x "$build/bin/bench_preview" ] || { echo "$build/bin/bench_preview is not built"; exit 1; }
ls "$build"/bin/PlugIns/import/*.so >/dev/null 2>&1 ||
    { echo "the media import module is not built in $build/bin/PlugIns/import"; exit 1; }

media=$(mktemp -d)
trap 'rm -rf "$media"' EXIT
"$(dirname "$0")/anchor_clips.sh" "$media"
CLIPSTEAD_BENCH_MEDIA="$media" QT_QPA_PLATFORM=offscreen \
    taskset -c 0,1 "$build/bin/bench_preview" "$seconds" "$output" 360 288
