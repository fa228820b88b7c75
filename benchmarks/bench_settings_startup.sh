#!/usr/bin/env bash
# Start and quit of the program over settings files of different sizes, under xvfb. Each round
# starts every case in a fresh state folder holding a copy of its "clipstead.ini"; the cases are
# interleaved round by round. Per case, median and range in milliseconds of:
#   to_window      main entered -> first paint of the main window (startup_run's "painted")
#   whole_process  exec to exit: start, the first paint, quit and the settings file's save
# Cases:
#   empty    no settings file (a first start)
#   large    1,000 clips of the top folder with cached thumbnails and 200 titles: a settings
#            file of about 23 MB. A thumbnail is a copy of the default skin's "small_icon" layer
#            (64x44), a line of 22,528 characters.
#   missing  4,000 clips of the top folder whose files are gone (an unplugged drive), each with
#            a cached thumbnail
# The clips are empty files: their thumbnails are valid by their dates and size, nothing is
# decoded (a run in which a clip was opened, ffmpeg's complaint on stderr, stops the benchmark). The
# one shortcut is startup_run's: the profile dialog of a start without a project is accepted at
# once. Goals: large within 1.5x of empty to the window and within 300 ms of empty for the whole
# process; missing within 1 s of empty to the window.
# Given a second build folder, its startup_run runs as a further case beside each (suffix
# "_other"), interleaved with ours, so that two builds compare on the same fixtures.
# Usage: benchmarks/bench_settings_startup.sh [build folder (build/default)] [rounds (7)]
#        [other build folder]
set -euo pipefail
build="$(cd "${1:-build/default}" && pwd)"
rounds="${2:-7}"
other="${3:-}"
[ -n "$other" ] && other="$(cd "$other" && pwd)"
[ -x "$build/bin/startup_run" ] || { echo "$build/bin/startup_run is not built"; exit 1; }
[ "$rounds" -ge 5 ] || { echo "use at least 5 rounds"; exit 1; }

if [ -z "${BENCH_SETTINGS_XVFB:-}" ]; then
  exec env BENCH_SETTINGS_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$rounds" \
    $other
fi
export QT_QPA_PLATFORM=xcb

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The fixtures: clip files with a fixed date, and the settings files naming them.
python3 - "$work" <<'EOF'
import os, sys, time
work = sys.argv[1]
stamp_time = 1700000000
iso = time.strftime('%Y-%m-%dT%H:%M:%S', time.localtime(stamp_time))
thumb = ''.join('%02x' % ((i * 7) & 0xff) for i in range(64 * 44 * 4))

def settings(name, clips, titles):
    lines = ['# Config File', '[General Settings]', 'ProfileDialogFormat=3']
    lines.append('[BrowserFolder::]')
    for i, path in enumerate(clips):
        lines.append('Profile%d=%s' % (i + 1, path))
    lines.append('NumProfiles=%d' % (len(clips) + 1))
    lines.append('[Thumbnails60x40]')
    lines += ['%s=%s' % (path, thumb) for path in clips]
    lines.append('[Thumbnails60x40Timestamps]')
    lines += ['%s=%s' % (path, iso) for path in clips]
    if titles:
        lines.append('[TextList]')
        lines += ['Profile%d=Title %d' % (i, i) for i in range(titles)]
        lines.append('NumProfiles=%d' % titles)
        for i in range(titles):
            lines.append('[TextObject%d_Title %d]' % (i, i))
            lines.append('Text=<!Font=Arial!><!Size=32!><!Color=R:255,G:255,B:255!>Title %d' % i)
            for key, value in (('Text Alignment', 1), ('Text Separator Width', 0),
                               ('Text Separator Height', 5), ('Text Opaque Background', 0),
                               ('Text StartX Pos', 4), ('Text StartY Pos', 4),
                               ('Text EndX Pos', 4), ('Text EndY Pos', 2), ('Text Movement', 0),
                               ('Overlay Fade In', 0), ('Overlay Fade Out', 0),
                               ('Overlay Fade Time', 1000)):
                lines.append('%s=%d' % (key, value))
            lines.append('Text Background Color=255,255,255')
            lines.append('Text Duration=3000')
            lines.append('Text Safe Frame Size=1.000000e-01')
    with open(os.path.join(work, name), 'w') as f:
        f.write('\n'.join(lines) + '\n')

os.makedirs(os.path.join(work, 'clips'))
present = []
for i in range(1000):
    path = os.path.join(work, 'clips', 'clip%04d.avi' % i)
    open(path, 'w').close()
    os.utime(path, (stamp_time, stamp_time))
    present.append(path)
settings('large.ini', present, 200)
settings('missing.ini', [os.path.join(work, 'gone', 'clip%04d.avi' % i) for i in range(4000)], 0)
EOF
echo "settings files: large $(stat -c %s "$work/large.ini") bytes," \
  "missing $(stat -c %s "$work/missing.ini") bytes"

cases=(empty large missing)
runners=("$build/bin/startup_run")
suffixes=("")
if [ -n "$other" ]; then
  runners+=("$other/bin/startup_run")
  suffixes+=("_other")
fi
results="$work/results"
: > "$results"
for round in $(seq 1 "$rounds"); do
  for c in "${!cases[@]}"; do
    # Each round starts one case later, so that no case always runs first.
    name=${cases[$(( (c + round) % ${#cases[@]} ))]}
    for r in "${!runners[@]}"; do
      home="$work/home"
      rm -rf "$home"
      mkdir -p "$home/config/clipstead" "$home/cache" "$home/runtime"
      chmod 700 "$home/runtime"
      [ "$name" != empty ] && cp "$work/$name.ini" "$home/config/clipstead/clipstead.ini"
      start=$(date +%s%N)
      out=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
            XDG_RUNTIME_DIR="$home/runtime" "${runners[$r]}" 2>"$work/stderr") ||
        { echo "$name failed:"; cat "$work/stderr"; exit 1; }
      if grep -q '^\[avi @' "$work/stderr"; then
        echo "$name: clips were opened, their cached thumbnails were not taken"; exit 1
      fi
      end=$(date +%s%N)
      id="$name${suffixes[$r]}"
      echo "$out" | awk -v id="$id" -v total="$(( (end - start) / 1000 ))" '
        $1 == "painted" { printf "%s to_window %.1f\n", id, $2 }
        END { printf "%s whole_process %.1f\n", id, total / 1000 }' >> "$results"
    done
  done
done

median() {
  sort -n | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f %.1f %.1f\n", m, v[1], v[NR] }'
}
echo "settings start-up over $rounds rounds (ms: median [min, max])"
for suffix in "${suffixes[@]}"; do
  for name in "${cases[@]}"; do
    for stage in to_window whole_process; do
      read -r m lo hi < <(awk -v id="$name$suffix" -v s="$stage" '$1 == id && $2 == s { print $3 }' \
        "$results" | median)
      printf "  %-16s %-14s %8.1f  [%.1f, %.1f]\n" "$name$suffix" "$stage" "$m" "$lo" "$hi"
      eval "med_${name}${suffix}_${stage}=$m"
    done
  done
done
awk -v e="$med_empty_to_window" -v l="$med_large_to_window" -v ew="$med_empty_whole_process" \
  -v lw="$med_large_whole_process" -v m="$med_missing_to_window" 'BEGIN {
  printf "goal: large to_window within 1.5x of empty (%.2fx): %s\n", l / e, (l <= 1.5 * e) ? "met" : "NOT met"
  printf "goal: large whole_process within 300 ms of empty (+%.0f ms): %s\n", lw - ew, (lw - ew <= 300) ? "met" : "NOT met"
  printf "goal: missing to_window within 1 s of empty (+%.0f ms): %s\n", m - e, (m - e <= 1000) ? "met" : "NOT met"
}'
