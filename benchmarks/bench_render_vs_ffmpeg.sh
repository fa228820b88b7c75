#!/usr/bin/env bash
# Side by side: the anchor timeline (two 10-second PAL DV clips joined by a 1-second
# cross-fade: 475 frames) rendered to 32-bit BGRA pictures and nothing written, by Clipstead
# (bench_timeline ... preview: every frame composed by videoAt) and by ffmpeg (xfade, then
# format=bgra, into the null muxer, at its default threads). Sound is left out on both sides.
# Whole processes with start-up, interleaved, ROUNDS rounds (5 unless given), median and range;
# the ratio is ffmpeg's time over ours.
# Usage: benchmarks/bench_render_vs_ffmpeg.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

. "$root/benchmarks/sidebyside.sh"
sbs_init "${1:-}" "${2:-5}"
sbs_dv_clip A testsrc 440 10
sbs_dv_clip B smptebars 880 10
A=$work/A.avi B=$work/B.avi

sbs_case clipstead_videoAt "$ours" anchor "$A" "$B" preview
sbs_case ffmpeg_xfade ffmpeg -nostdin -v error -i "$A" -i "$B" -filter_complex \
  "[0:v][1:v]xfade=transition=fade:duration=1:offset=9,format=bgra[v]" -map "[v]" -f null -

sbs_machine
sbs_run "$rounds"
echo "475 frames to BGRA, no sound, $rounds rounds, whole processes, interleaved"
sbs_compare "The anchor timeline to pictures" clipstead_videoAt ffmpeg_xfade
sbs_machine
