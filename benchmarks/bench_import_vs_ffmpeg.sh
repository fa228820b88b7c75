#!/usr/bin/env bash
# Side by side: decoding whole files to 32-bit BGRA pictures, by Clipstead's media import module
# (bench_timeline with the file as its one clip: every frame through videoAt) and by ffmpeg
# (format=bgra into the null muxer, at its default threads), for a 10-second PAL DV AVI and a
# 10-second 720 x 576 MPEG-2 program stream (groups of 12 with B-frames). Sound left out on both
# sides. Whole processes with start-up, interleaved, ROUNDS rounds (5 unless given), median and
# range; the ratio is ffmpeg's time over ours.
# Usage: benchmarks/bench_import_vs_ffmpeg.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

. "$root/benchmarks/sidebyside.sh"
sbs_init "${1:-}" "${2:-5}"
sbs_dv_clip dv testsrc2 440 10
ffmpeg -v error -y -f lavfi -i "testsrc2=size=720x576:rate=25:duration=10" -c:v mpeg2video \
  -q:v 3 -g 12 -bf 2 -f vob "$work/mpeg2.mpg"

for file in dv.avi mpeg2.mpg; do
  sbs_case "clipstead_${file%.*}" "$ours" clips 1 250 "$work/$file" preview
  sbs_case "ffmpeg_${file%.*}" ffmpeg -nostdin -v error -i "$work/$file" -an -vf format=bgra \
    -f null -
done

sbs_machine
sbs_run "$rounds"
echo "250 frames each to BGRA, no sound, $rounds rounds, whole processes, interleaved"
sbs_compare "PAL DV AVI" clipstead_dv ffmpeg_dv
sbs_compare "MPEG-2 program stream" clipstead_mpeg2 ffmpeg_mpeg2
sbs_machine
