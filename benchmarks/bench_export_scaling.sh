#!/usr/bin/env bash
# How Clipstead's export wall time scales with the cores it may use: the anchor timeline (see
# bench_export_vs_melt.sh) exported with every frame re-encoded to DV AVI and to DVD, each
# confined with taskset to 2, 4 and 8 cores (those the machine has), whole processes,
# interleaved, ROUNDS rounds (5 unless given), median and range. The speed-up is the 2-core
# median over the wider one's.
# Usage: benchmarks/bench_export_scaling.sh [build folder, default build/default] [rounds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/benchmarks/sidebyside.sh"
sbs_init "${1:-}" "${2:-5}"
sbs_dv_clip A testsrc2 440 10
sbs_dv_clip B smptebars 880 10
A=$work/A.avi B=$work/B.avi
cores=$(nproc)

widths=()
for n in 2 4 8; do [ "$n" -le "$cores" ] && widths+=("$n"); done
for n in "${widths[@]}"; do
  sbs_case "dv_${n}_cores" taskset -c "0-$((n - 1))" "$ours" anchor "$A" "$B" avi-dv "$work/dv$n.avi"
  sbs_case "dvd_${n}_cores" taskset -c "0-$((n - 1))" "$ours" anchor "$A" "$B" dvd "$work/dvd$n.mpg"
done

sbs_machine
sbs_run "$rounds"
for kind in dv dvd; do
  peers=()
  for n in "${widths[@]:1}"; do peers+=("${kind}_${n}_cores"); done
  # Ratios are the other case's time over the first's: below 1 is faster; the speed-up over 2
  # cores is their inverse.
  sbs_compare "$kind export, every frame encoded, by cores (peer / ours < 1: faster)" \
    "${kind}_2_cores" "${peers[@]}"
done
sbs_machine
