#!/usr/bin/env bash
# Side by side: the anchor timeline rendered to "MPEG-II DVD PAL" by the produce page
# (bench_produce: the page, the program's progress callback, a status line, the disk watch) and
# by the engine alone (bench_export --benchmark_filter=BM_ExportDVD), with the same clips and the
# same module settings (DVD, split size 3784704, 8 Mbit/s at most, 6 average). One whole process
# per side and round, the sides interleaved, ROUNDS rounds (5 unless given); each side's time is
# the mean of its three in-process renders (start-up not counted on either side). Prints the
# median and range of each side, their ratio (page over engine) and bench_produce's largest
# repaint gaps and posted-event wait.
# Usage: benchmarks/bench_produce_vs_export.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$root/benchmarks/anchor_clips.sh" "$work"
export CLIPSTEAD_BENCH_A=$work/A.avi CLIPSTEAD_BENCH_B=$work/B.avi CLIPSTEAD_BENCH_OUT=$work
export QT_QPA_PLATFORM=offscreen

ms() { grep -o 'real_time *[0-9.]* ms' | awk '{print $2}'; }
engine=() page=()
for ((i = 0; i < rounds; i++)); do
  engine+=("$("$build/bin/bench_export" --benchmark_filter=BM_ExportDVD 2>/dev/null | ms)")
  out=$("$build/bin/bench_produce" 2>/dev/null | grep BM_ProduceDVD)
  page+=("$(echo "$out" | ms)")
  echo "round $((i + 1)): engine ${engine[-1]} ms, page ${page[-1]} ms;" \
    "$(echo "$out" | grep -o '[a-z_]*_ms=[0-9.k]*' | tr '\n' ' ')"
done
stats() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {printf "%s %s %s", v[int((NR+1)/2)], v[1], v[NR]}'; }
read -r em elo ehi <<<"$(stats "${engine[@]}")"
read -r pm plo phi <<<"$(stats "${page[@]}")"
echo "engine: median $em ms (range $elo-$ehi)"
echo "page:   median $pm ms (range $plo-$phi)"
awk -v p="$pm" -v e="$em" 'BEGIN {printf "page / engine: %.3f\n", p / e}'
