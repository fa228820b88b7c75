#!/usr/bin/env bash
# Side by side: the anchor timeline (two 10-second PAL DV clips with a 1-second cross-fade,
# 475 frames) exported to DV AVI and to the DVD profile by Clipstead (bin/bench_export), by
# melt, and by ffmpeg's xfade filter, in the same run. Prints frames per second, Clipstead's
# ratio to melt, and each run's peak memory.
# Usage: benchmarks/bench_export_vs_melt.sh [build folder, default build/default]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
bench=$build/bin/bench_export
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }

# melt is needed here only, so only this script installs it.
if ! command -v melt >/dev/null; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y -qq melt >/dev/null
  else sudo apt-get install -y -qq melt >/dev/null; fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"

for clip in A:testsrc2 B:smptebars; do
  name=${clip%%:*}; source=${clip#*:}
  ffmpeg -v error -y -f lavfi -i "$source=size=720x576:rate=25" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 10 \
    -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ar 48000 -ac 2 "$work/$name.avi"
done
frames=475

# seconds and peak kilobytes of one command, from GNU time
measure() {
  local log=$work/time.log
  /usr/bin/time -f "%e %M" -o "$log" "$@" >/dev/null 2>"$work/stderr.log" || {
    echo "failed: $*" >&2; tail -5 "$work/stderr.log" >&2; echo "nan nan"; return; }
  cat "$log"
}
fps() { awk -v f="$frames" -v s="$1" 'BEGIN { if (s > 0) printf "%.0f", f / s; else print "nan" }'; }

declare -A result
run() { # label, command...
  local label=$1; shift
  read -r seconds peak < <(measure "$@")
  result[$label]="$(fps "$seconds") $((peak / 1024))"
}

export CLIPSTEAD_BENCH_A=$work/A.avi CLIPSTEAD_BENCH_B=$work/B.avi CLIPSTEAD_BENCH_OUT=$work
for target in DV DVD; do
  "$bench" --benchmark_filter="^BM_Export$target/" --benchmark_format=json \
    >"$work/clipstead_$target.json" 2>/dev/null || true
  read -r seconds peak < <(measure "$bench" --benchmark_filter="^BM_Export$target/" \
    --benchmark_min_time=0)
  cfps=$(python3 -c "import json,sys; b=json.load(open('$work/clipstead_$target.json'))['benchmarks'][0]; print(round(b.get('fps', float('nan'))))" 2>/dev/null || echo nan)
  result[clipstead_$target]="$cfps $((peak / 1024))"
done

melt_common=(-silent -profile dv_pal "$work/A.avi" "$work/B.avi" -mix 25 -mixer luma -mixer mix:-1)
run melt_DV melt "${melt_common[@]}" -consumer "avformat:$work/melt_dv.avi" f=avi vcodec=dvvideo \
  pix_fmt=yuv420p acodec=pcm_s16le ar=48000 channels=2
run melt_DVD melt "${melt_common[@]}" -consumer "avformat:$work/melt_dvd.mpg" f=dvd \
  vcodec=mpeg2video vb=6000k maxrate=8000k bufsize=1835008 g=15 acodec=ac3 ab=192k ar=48000 \
  channels=2

xfade=(-filter_complex "[0:v][1:v]xfade=transition=fade:duration=1:offset=9[v];[0:a][1:a]acrossfade=d=1[a]" -map "[v]" -map "[a]")
run ffmpeg_DV ffmpeg -v error -y -i "$work/A.avi" -i "$work/B.avi" "${xfade[@]}" \
  -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ar 48000 -ac 2 "$work/ffmpeg_dv.avi"
run ffmpeg_DVD ffmpeg -v error -y -i "$work/A.avi" -i "$work/B.avi" "${xfade[@]}" \
  -target pal-dvd -b:v 6000k -maxrate 8000k -c:a ac3 -b:a 192k "$work/ffmpeg_dvd.mpg"

printf '%-8s %-10s %10s %10s %16s\n' target program fps "peak MB" "ratio to melt"
for target in DV DVD; do
  read -r mfps _ <<<"${result[melt_$target]}"
  for program in clipstead melt ffmpeg; do
    read -r f p <<<"${result[${program}_$target]}"
    ratio=$(awk -v a="$f" -v b="$mfps" 'BEGIN { if (b > 0 && a == a + 0) printf "%.2f", a / b; else print "-" }')
    printf '%-8s %-10s %10s %10s %16s\n' "$target" "$program" "$f" "$p" "$ratio"
  done
done
