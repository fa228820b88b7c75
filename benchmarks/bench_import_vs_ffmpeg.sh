#!/usr/bin/env bash
# Decode throughput of the media import module (through the engine's module access, frames
# rendered as BGRA into a 720 x 576 image) beside ffmpeg's own decode of the same files
# (`ffmpeg -f null`, one thread each), and the ratio of the two times.
# Usage: benchmarks/bench_import_vs_ffmpeg.sh [build folder]
set -euo pipefail
build="${1:-build/default}"
media="$(mktemp -d)"
trap 'rm -rf "$media"' EXIT
export BENCH_IMPORT_MEDIA="$media"

ours=$("$build/bin/bench_import" --benchmark_format=csv 2>/dev/null |
       awk -F, '/BM_Import/ { gsub(/"/, "", $1); sub(/\/.*/, "", $1); print $1, $NF }')

# ffmpeg's best of three runs, in frames per second (its own -benchmark time of the decode).
ffmpeg_fps() {
    local best=0 seconds
    for _ in 1 2 3; do
        seconds=$(ffmpeg -nostdin -hide_banner -benchmark -threads 1 -i "$1" -an -f null - 2>&1 |
                  sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p')
        best=$(awk -v b="$best" -v t="$seconds" -v n="$2" 'BEGIN { f = n / t; print (f > b ? f : b) }')
    done
    echo "$best"
}

printf '%-14s %12s %12s %14s\n' file ours_fps ffmpeg_fps time_ratio
for pair in "BM_ImportDV bench_dv.avi" "BM_ImportMPEG2 bench_mpeg2.mpg"; do
    set -- $pair
    our_fps=$(awk -v n="$1" '$1 == n { print $2 }' <<<"$ours")
    their_fps=$(ffmpeg_fps "$media/$2" 250)
    awk -v f="$2" -v a="$our_fps" -v b="$their_fps" \
        'BEGIN { printf "%-14s %12.0f %12.0f %14.2f\n", f, a, b, b / a }'
done
