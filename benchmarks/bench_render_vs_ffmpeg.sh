#!/usr/bin/env bash
# Renders the anchor timeline (two 10-second 720 x 576 25 fps DV clips, a test pattern with a
# 440 Hz tone and colour bars with an 880 Hz tone, joined by a 1-second cross-fade: 475 frames)
# with Clipstead (videoAt + renderAudio, decode and compose, no encode) and, in the same run, with
# ffmpeg's xfade/acrossfade into the null muxer, and prints frames per second and their ratio.
# Usage: benchmarks/bench_render_vs_ffmpeg.sh [build folder] [runs]
set -euo pipefail
build="${1:-build/default}"
runs="${2:-5}"
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed (apt-get install ffmpeg)"; exit 1; }
[ -x "$build/bin/bench_render" ] || { echo "$build/bin/bench_render is not built"; exit 1; }
ls "$build"/bin/PlugIns/import/*.so >/dev/null 2>&1 ||
    { echo "the media import module is not built in $build/bin/PlugIns/import"; exit 1; }

media=$(mktemp -d)
trap 'rm -rf "$media"' EXIT
"$(dirname "$0")/anchor_clips.sh" "$media"

# Clipstead: the best of the benchmark's repetitions, as frames per second.
ours=$(CLIPSTEAD_BENCH_MEDIA="$media" "$build/bin/bench_render" \
    --benchmark_filter='BM_AnchorTimeline/audioRate:48000' --benchmark_repetitions="$runs" \
    --benchmark_format=csv 2>/dev/null |
    awk -F, '/BM_AnchorTimeline/ && !/_mean|_median|_stddev|_cv/ {
                 gsub(/"/, "", $0); n = split($0, f, ","); t = f[3] + 0
                 if (best == "" || t < best) best = t }
             END { if (best == "") exit 1; printf "%.1f", 475 / (best / 1000) }')

# ffmpeg: the best wall-clock time of as many runs.
best=""
for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    ffmpeg -v error -i "$media/A.avi" -i "$media/B.avi" -filter_complex \
        "[0:v][1:v]xfade=transition=fade:duration=1:offset=9[v];[0:a][1:a]acrossfade=d=1[a]" \
        -map "[v]" -map "[a]" -f null -
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
done
theirs=$(awk -v t="$best" 'BEGIN { printf "%.1f", 475 / t }')

printf '%-28s %10s\n' program "frames/s"
printf '%-28s %10s\n' "Clipstead (videoAt+audio)" "$ours"
printf '%-28s %10s\n' "ffmpeg xfade+acrossfade" "$theirs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio (Clipstead / ffmpeg)   %10.2f\n", a / b }'
