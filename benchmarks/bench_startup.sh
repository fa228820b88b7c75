#!/usr/bin/env bash
# Times the program's start-up until its main window is on the screen, under xvfb, with our
# plug-ins and skin. Every round starts in a fresh state folder (a first start: no settings file,
# no module cache, no lock). Per stage, the median and range over the rounds in milliseconds:
#   skin preload     main entered -> skins and cursors loaded
#   engine creation  -> translators, splash and the engine's timeline (fonts, modules) made
#   window set-up    -> main window built, handed the timeline, style installed
#   first paint      -> window shown (a new project begun; the profile dialog of a start without
#                       a project is accepted at once, the one shortcut) and its first paint
#                       flushed
#   to window        main entered -> first paint (goal: under 1500 ms)
#   whole process    exec to exit, shut-down included (what a user waits for on quit too)
# Usage: benchmarks/bench_startup.sh [build folder (build/default)] [rounds (7)]
set -euo pipefail
build="$(cd "${1:-build/default}" && pwd)"
rounds="${2:-7}"
runner="$build/bin/startup_run"
[ -x "$runner" ] || { echo "$runner is not built"; exit 1; }
[ "$rounds" -ge 5 ] || { echo "use at least 5 rounds"; exit 1; }

if [ -z "${BENCH_STARTUP_XVFB:-}" ]; then
  exec env BENCH_STARTUP_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$rounds"
fi
export QT_QPA_PLATFORM=xcb

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
results="$work/results"
: > "$results"
for round in $(seq 1 "$rounds"); do
  home="$work/home-$round"
  mkdir -p "$home/config" "$home/cache" "$home/runtime"
  chmod 700 "$home/runtime"
  start=$(date +%s%N)
  out=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        XDG_RUNTIME_DIR="$home/runtime" "$runner" 2>"$work/stderr-$round") ||
    { echo "round $round failed:"; cat "$work/stderr-$round"; exit 1; }
  end=$(date +%s%N)
  total=$(( (end - start) / 1000 ))
  echo "$out" | awk -v round="$round" -v total="$total" '
    { t[$1] = $2 }
    END {
      printf "%d skin_preload %.1f\n", round, t["skins"]
      printf "%d engine_creation %.1f\n", round, t["engine"] - t["skins"]
      printf "%d window_setup %.1f\n", round, t["window"] - t["engine"]
      printf "%d first_paint %.1f\n", round, t["painted"] - t["window"]
      printf "%d to_window %.1f\n", round, t["painted"]
      printf "%d whole_process %.1f\n", round, total / 1000
    }' >> "$results"
done

echo "start-up over $rounds rounds, fresh state folder each (ms: median [min, max])"
for stage in skin_preload engine_creation window_setup first_paint to_window whole_process; do
  awk -v s="$stage" '$2 == s { print $3 }' "$results" | sort -n | awk -v s="$stage" '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "  %-16s %8.1f  [%.1f, %.1f]\n", s, m, v[1], v[NR]
    }'
done
median=$(awk '$2 == "to_window" { print $3 }' "$results" | sort -n |
  awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
awk -v m="$median" 'BEGIN { printf "goal: to_window under 1500 ms: %s\n", (m < 1500) ? "met" : "NOT met" }'
