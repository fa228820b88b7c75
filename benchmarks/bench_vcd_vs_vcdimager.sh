#!/usr/bin/env bash
# Side by side: a 10-minute VCD PAL clip (made by ffmpeg) burnt to the simulated CD writer by
# vcdburn_run (vcdxgen, vcdxbuild, the image checked, copied onto the simulated disc and removed,
# all through the event loop) against vcdxgen and vcdxbuild run alone with the same options. One
# whole process chain per side and round, the sides interleaved, ROUNDS rounds (5 unless given).
# Our side does more than the peer's: it copies the image to the simulated disc (in the kernel)
# and empties the image folder afterwards; its image_ms (until the writer is handed the image)
# leaves those out. Prints each side's median and range, the ratios of our whole burn and of our
# image_ms to vcdimager alone (goal: at most 1.10) and the largest delay of a 10 ms timer in our
# process (goal: at most 100 ms).
# Usage: benchmarks/bench_vcd_vs_vcdimager.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.mpg
ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=352x288:rate=25 -f lavfi -i sine \
  -t 600 -target pal-vcd "$clip"

now() { date +%s%N; }
peer=() ours=() images=() delays=()
for ((i = 0; i < rounds; i++)); do
  rm -rf "$work/peer" && mkdir "$work/peer"
  start=$(now)
  (cd "$work/peer" && vcdxgen -t vcd2 -o videocd.xml "$clip" >/dev/null &&
    vcdxbuild --progress --gui -c vcdImage.cue -b vcdImage.bin videocd.xml >/dev/null)
  peer+=($((($(now) - start) / 1000000)))
  rm -rf "$work/ours" && mkdir "$work/ours"
  start=$(now)
  out=$("$build/bin/vcdburn_run" "$clip" "$work/ours")
  ours+=($((($(now) - start) / 1000000)))
  delays+=("$(echo "$out" | grep -o 'max_event_delay_ms=[0-9]*' | cut -d= -f2)")
  images+=("$(echo "$out" | grep -o 'image_ms=[0-9]*' | cut -d= -f2)")
  echo "round $((i + 1)): vcdimager ${peer[-1]} ms, ours ${ours[-1]} ms; $out"
done
stats() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {printf "%s %s %s", v[int((NR+1)/2)], v[1], v[NR]}'; }
read -r pm plo phi <<<"$(stats "${peer[@]}")"
read -r om olo ohi <<<"$(stats "${ours[@]}")"
read -r _ _ dmax <<<"$(stats "${delays[@]}")"
read -r im _ _ <<<"$(stats "${images[@]}")"
echo "vcdimager alone: median $pm ms (range $plo-$phi)"
echo "ours:            median $om ms (range $olo-$ohi)"
awk -v o="$om" -v p="$pm" 'BEGIN {printf "ours / vcdimager: %.3f\n", o / p}'
awk -v i="$im" -v p="$pm" 'BEGIN {printf "image in ours (median %s ms) / vcdimager: %.3f\n", i, i / p}'
echo "largest event delay: $dmax ms"
