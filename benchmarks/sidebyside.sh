# Shared by the side-by-side scripts (sourced, not run): whole processes timed on both sides,
# start-up included, the cases interleaved round by round (each round starting one case later),
# and each case's median, range, peak memory, CPU time (user + system) and the cores it kept busy
# (CPU time over wall time) printed with the ratio peer time / our time.
#
#   sbs_init BUILD ROUNDS         checks the build ($ours: its bench_timeline), sets $rounds, makes
#                                 a work folder ($work) and a private state folder for Clipstead
#   sbs_dv_clip NAME SOURCE HZ S  a PAL DV AVI of S seconds: lavfi SOURCE and a HZ tone
#   sbs_case ID COMMAND...        registers a case (the command is run as given)
#   sbs_run ROUNDS                runs every case ROUNDS times, interleaved
#   sbs_compare TITLE OURS PEER... prints the cases' medians and ranges and peer / ours

sbs_init() {
  build=${1:-$root/build/default}
  rounds=$2
  ours=$build/bin/bench_timeline
  [ -x "$ours" ] || { echo "build first: $ours is missing" >&2; exit 1; }
  command -v ffmpeg >/dev/null || { echo "ffmpeg is missing: run scripts/setup" >&2; exit 1; }
  [ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
  SBS_IDS=()
  declare -gA SBS_CMD SBS_TIMES SBS_PEAKS SBS_CPUS
}

sbs_dv_clip() {
  ffmpeg -v error -y -f lavfi -i "$2=size=720x576:rate=25:duration=$4" \
    -f lavfi -i "sine=frequency=$3:sample_rate=48000:duration=$4" \
    -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ar 48000 -ac 2 "$work/$1.avi"
}

sbs_case() {
  local id=$1; shift
  SBS_IDS+=("$id")
  SBS_CMD[$id]=$(printf '%q ' "$@")
  SBS_TIMES[$id]=""
  SBS_PEAKS[$id]=""
  SBS_CPUS[$id]=""
}

# One whole process: wall seconds (from the shell's clock), peak resident kilobytes and CPU
# seconds (user + system, its threads and children together).
sbs_measure() {
  local id=$1 start end
  start=$EPOCHREALTIME
  if ! eval "/usr/bin/time -f '%M %U %S' -o $work/peak ${SBS_CMD[$id]}" >/dev/null 2>"$work/stderr"; then
    echo "failed: $id: ${SBS_CMD[$id]}" >&2
    tail -5 "$work/stderr" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  SBS_TIMES[$id]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }') "
  SBS_PEAKS[$id]+="$(tail -1 "$work/peak" | cut -d' ' -f1) "
  SBS_CPUS[$id]+="$(tail -1 "$work/peak" | awk '{ printf "%.3f", $2 + $3 }') "
}

sbs_run() {
  local rounds=$1 round i n=${#SBS_IDS[@]}
  # One untimed pass: the page cache and Clipstead's module list are then as a user has them.
  for id in "${SBS_IDS[@]}"; do
    sbs_measure "$id"
    SBS_TIMES[$id]=""
    SBS_PEAKS[$id]=""
    SBS_CPUS[$id]=""
  done
  for ((round = 0; round < rounds; ++round)); do
    for ((i = 0; i < n; ++i)); do sbs_measure "${SBS_IDS[$(((i + round) % n))]}"; done
  done
}

# "median min max" of the numbers given
sbs_stats() {
  tr ' ' '\n' <<<"$1" | awk 'NF' | sort -g |
    awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                              printf "%.3f %.3f %.3f", m, v[1], v[NR] }'
}

sbs_compare() {
  local title=$1 ours=$2 id median low high peak cpu ratio ourMedian
  shift 2
  read -r ourMedian _ _ <<<"$(sbs_stats "${SBS_TIMES[$ours]}")"
  echo "$title"
  printf '  %-24s %9s %17s %9s %8s %6s %12s\n' case "median s" "range s" "peak MB" "CPU s" \
    cores "peer / ours"
  for id in "$ours" "$@"; do
    read -r median low high <<<"$(sbs_stats "${SBS_TIMES[$id]}")"
    read -r peak _ _ <<<"$(sbs_stats "${SBS_PEAKS[$id]}")"
    read -r cpu _ _ <<<"$(sbs_stats "${SBS_CPUS[$id]}")"
    ratio=$(awk -v a="$median" -v b="$ourMedian" 'BEGIN { printf "%.2f", a / b }')
    [ "$id" = "$ours" ] && ratio="-"
    printf '  %-24s %9.3f %8.3f-%-8.3f %9.0f %8.2f %6.1f %12s\n' "$id" "$median" "$low" "$high" \
      "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$cpu" \
      "$(awk -v c="$cpu" -v m="$median" 'BEGIN { print (m > 0 ? c / m : 0) }')" "$ratio"
  done
}

sbs_machine() {
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) (shared with other work)"
}
