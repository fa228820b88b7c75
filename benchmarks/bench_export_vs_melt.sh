#!/usr/bin/env bash
# Side by side: the anchor timeline (two 10-second PAL DV clips, test pattern and colour bars
# with their tones, joined by a 1-second cross-fade: 475 frames) exported by Clipstead
# (bench_timeline, one whole process per export), by melt and by ffmpeg (xfade/acrossfade), all
# as whole processes with start-up, interleaved, ROUNDS rounds (5 unless given), median and
# range. Ratios are the peer's time over ours.
#
# The same settings on every side:
#   DV AVI: 720 x 576 4:2:0 DV, 48 kHz 16-bit stereo PCM, AVI.
#   DVD: MPEG-2 at 6 Mbit/s average, 8 Mbit/s at most, buffer 1835008 bits, groups of 15,
#        2 B-frames, closed groups, no scene-change cuts, interlaced bottom field first (the
#        clips are PAL DV); AC-3 at 192 kbit/s, 48 kHz stereo; the DVD multiplex.
# Clipstead's "AVI-DV Multifile" export hands the 450 frames outside the cross-fade on as the
# clips' own DV frames (pass-through: read, not decoded or encoded); the peers encode every
# frame. The full re-encode case makes Clipstead encode every frame too, through its AVI writer
# with the "DV" compressor. Every output's field order is printed.
# Usage: benchmarks/bench_export_vs_melt.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

# melt is needed here only, so only this script installs it (Debian's package).
if ! command -v melt >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y -qq melt >/dev/null || { echo "cannot install melt" >&2; exit 1; }
fi

. "$root/benchmarks/sidebyside.sh"
sbs_init "${1:-}" "${2:-5}"
sbs_dv_clip A testsrc2 440 10
sbs_dv_clip B smptebars 880 10
A=$work/A.avi B=$work/B.avi

melt_in=(melt -silent -profile dv_pal "$A" "$B" -mix 25 -mixer luma -mixer mix:-1 -consumer)
melt_dv=(f=avi vcodec=dvvideo pix_fmt=yuv420p acodec=pcm_s16le ar=48000 channels=2)
melt_dvd=(f=dvd vcodec=mpeg2video vb=6000k maxrate=8000k minrate=0 bufsize=1835008 g=15 bf=2
  flags=+cgop+ildct+ilme sc_threshold=1000000000 progressive=0 top_field_first=0
  acodec=ac3 ab=192k ar=48000 channels=2)
ff_in=(ffmpeg -nostdin -v error -y -i "$A" -i "$B" -filter_complex
  "[0:v][1:v]xfade=transition=fade:duration=1:offset=9[v];[0:a][1:a]acrossfade=d=1[a]"
  -map "[v]" -map "[a]")
ff_dv=(-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ar 48000 -ac 2 -f avi)
ff_dvd=(-target pal-dvd -b:v 6000k -maxrate 8000k -bufsize 1835008 -g 15 -bf 2
  -flags +cgop+ildct+ilme -sc_threshold 1000000000 -top 0 -c:a ac3 -b:a 192k -ar 48000 -ac 2)

sbs_case clipstead_dv_passthrough "$ours" anchor "$A" "$B" dv "$work/c_dv.ovl"
sbs_case clipstead_dv_reencode "$ours" anchor "$A" "$B" avi-dv "$work/c_dv.avi"
sbs_case melt_dv "${melt_in[@]}" "avformat:$work/m_dv.avi" "${melt_dv[@]}"
sbs_case ffmpeg_dv "${ff_in[@]}" "${ff_dv[@]}" "$work/f_dv.avi"
sbs_case clipstead_dvd "$ours" anchor "$A" "$B" dvd "$work/c_dvd.mpg"
sbs_case melt_dvd "${melt_in[@]}" "avformat:$work/m_dvd.mpg" "${melt_dvd[@]}"
sbs_case ffmpeg_dvd "${ff_in[@]}" "${ff_dvd[@]}" "$work/f_dvd.mpg"

sbs_machine
sbs_run "$rounds"
"$ours" anchor "$A" "$B" dv "$work/c_dv.ovl" 2>&1 >/dev/null | sed 's/^bench_timeline: /Clipstead DV export: /'
echo "the peers encode all 475 frames; $rounds rounds, whole processes, interleaved"
echo
sbs_compare "DV AVI, Clipstead passing frames through" clipstead_dv_passthrough melt_dv ffmpeg_dv
sbs_compare "DV AVI, every frame encoded on every side" clipstead_dv_reencode melt_dv ffmpeg_dv
sbs_compare "DVD, the same encoder settings" clipstead_dvd melt_dvd ffmpeg_dvd
echo
for file in c_dv01.avi c_dv.avi m_dv.avi f_dv.avi c_dvd.mpg m_dvd.mpg f_dvd.mpg; do
  printf '  %-12s %s\n' "$file" "$(ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=codec_name,width,height,field_order,nb_read_packets -of csv=p=0 \
    "$work/$file")"
done
sbs_machine
