#!/usr/bin/env bash
# Memory and time against the number of clips: timelines of 250 and 1,000 clips (each the same
# 1-second PAL DV AVI cut to 5 frames, back to back: 1,250 and 5,000 frames) exported through
# "AVI-DV Multifile" (frames pass through), through the "MPEG" module's DVD profile, and
# previewed (every frame composed by videoAt), each as a whole process (opening every clip
# included). Prints the median of ROUNDS runs (3 unless given), the peak resident memory and the
# time per frame: with the decoder cache the peak stays flat and the time grows with the frames.
# Usage: benchmarks/bench_clips_memory.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

. "$root/benchmarks/sidebyside.sh"
sbs_init "${1:-}" "${2:-3}"
sbs_dv_clip clip testsrc2 440 1

for count in 250 1000; do
  sbs_case "dv_$count" "$ours" clips "$count" 5 "$work/clip.avi" dv "$work/dv_$count.ovl"
  sbs_case "dvd_$count" "$ours" clips "$count" 5 "$work/clip.avi" dvd "$work/dvd_$count.mpg"
  sbs_case "preview_$count" "$ours" clips "$count" 5 "$work/clip.avi" preview
done

sbs_machine
sbs_run "$rounds"
printf '%-14s %7s %9s %17s %9s %12s\n' case clips "median s" "range s" "peak MB" "ms / frame"
for id in "${SBS_IDS[@]}"; do
  count=${id#*_}
  read -r median low high <<<"$(sbs_stats "${SBS_TIMES[$id]}")"
  read -r peak _ _ <<<"$(sbs_stats "${SBS_PEAKS[$id]}")"
  awk -v id="$id" -v n="$count" -v m="$median" -v l="$low" -v h="$high" -v p="$peak" \
    'BEGIN { printf "%-14s %7d %9.3f %8.3f-%-8.3f %9.0f %12.3f\n", id, n, m, l, h, p / 1024,
             1000 * m / (5 * n) }'
done
sbs_machine
