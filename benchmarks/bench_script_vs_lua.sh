#!/usr/bin/env bash
# Runs the same programs in the interpreter and in Lua 5.4 (Debian's lua5.4), both from text
# through their public entry points: ours through the timeline's runScript (bin/script_run),
# Lua through loadfile. Each round runs every program once on each side, the sides
# interleaved; five rounds, median and range of each. Two times per run: the whole process
# (start-up included, wall-clock) and the run alone (text to result, the processor time that each
# process measures around runScript and around loadfile plus the call: std::clock and os.clock).
# Ratios are ours over Lua's, on the run alone.
# Usage: benchmarks/bench_script_vs_lua.sh [build folder] [rounds]
set -euo pipefail
build="${1:-build/default}"
rounds="${2:-5}"
# Lua is needed only here, so this script installs it rather than scripts/setup.
if ! command -v lua5.4 >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq lua5.4 >/dev/null || { echo "cannot install lua5.4"; exit 1; }
fi
runner="$build/bin/script_run"
[ -x "$runner" ] || { echo "build $runner first"; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# name | our program | the same program in Lua
names=(fib25 loop_if sieve concat)
cat >"$work/fib25.zrs" <<'Z'
integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }
integer r = fib(25);
Z
cat >"$work/fib25.lua" <<'L'
local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
local r = fib(25)
L
cat >"$work/loop_if.zrs" <<'Z'
integer s = 0; integer i;
for (i = 0; i < 1000000; i++) { if (i / 2 * 2 == i) s += i; }
Z
cat >"$work/loop_if.lua" <<'L'
local s = 0
local i = 0
while i < 1000000 do if i // 2 * 2 == i then s = s + i end i = i + 1 end
L
cat >"$work/sieve.zrs" <<'Z'
integer flags[1000001]; integer i; integer j; integer found = 0;
for (i = 2; i <= 1000000; i++) flags[i] = 1;
for (i = 2; i * i <= 1000000; i++) if (flags[i]) for (j = i * i; j <= 1000000; j += i) flags[j] = 0;
for (i = 2; i <= 1000000; i++) if (flags[i]) found++;
Z
cat >"$work/sieve.lua" <<'L'
local flags = {}
local found = 0
for i = 2, 1000000 do flags[i] = 1 end
local i = 2
while i * i <= 1000000 do
  if flags[i] == 1 then local j = i * i while j <= 1000000 do flags[j] = 0 j = j + i end end
  i = i + 1
end
for i = 2, 1000000 do if flags[i] == 1 then found = found + 1 end end
L
cat >"$work/concat.zrs" <<'Z'
string s = ""; integer i;
for (i = 0; i < 10000; i++) s = s + "x";
Z
cat >"$work/concat.lua" <<'L'
local s = ""
for i = 1, 10000 do s = s .. "x" end
L

now_ms() { date +%s%N | awk '{ printf "%.3f", $1 / 1e6 }'; }
run_ours() { # prints "whole run" in ms
  local t0 t1 inner
  t0=$(now_ms); inner=$("$runner" "$1"); t1=$(now_ms)
  awk -v a="$t0" -v b="$t1" -v i="$inner" 'BEGIN { printf "%.3f %.3f\n", b - a, i }'
}
run_lua() {
  local t0 t1 inner
  t0=$(now_ms)
  inner=$(lua5.4 -e "local t = os.clock(); local f = assert(loadfile('$1')); f();
                     io.write(string.format('%.3f', (os.clock() - t) * 1000))")
  t1=$(now_ms)
  awk -v a="$t0" -v b="$t1" -v i="$inner" 'BEGIN { printf "%.3f %.3f\n", b - a, i }'
}

for ((r = 1; r <= rounds; ++r)); do
  for n in "${names[@]}"; do
    run_ours "$work/$n.zrs" >>"$work/$n.ours" || { echo "$n failed in the interpreter"; exit 1; }
    run_lua "$work/$n.lua" >>"$work/$n.lua.times"
  done
done

stats() { # column of a times file -> "median min max"
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END {
    printf "%.1f %.1f %.1f", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
printf '%-8s %24s %24s %24s %24s %7s\n' program "ours run (med min-max)" "lua run (med min-max)" \
  "ours process" "lua process" ratio
for n in "${names[@]}"; do
  read -r om omin omax <<<"$(stats "$work/$n.ours" 2)"
  read -r lm lmin lmax <<<"$(stats "$work/$n.lua.times" 2)"
  read -r pm pmin pmax <<<"$(stats "$work/$n.ours" 1)"
  read -r qm qmin qmax <<<"$(stats "$work/$n.lua.times" 1)"
  awk -v n="$n" -v om="$om" -v omin="$omin" -v omax="$omax" -v lm="$lm" -v lmin="$lmin" \
      -v lmax="$lmax" -v pm="$pm" -v pmin="$pmin" -v pmax="$pmax" -v qm="$qm" -v qmin="$qmin" \
      -v qmax="$qmax" 'BEGIN {
    printf "%-8s %10.1f (%5.1f-%5.1f) %10.1f (%5.1f-%5.1f) %10.1f (%5.1f-%5.1f) %10.1f (%5.1f-%5.1f) %7.2f\n",
      n, om, omin, omax, lm, lmin, lmax, pm, pmin, pmax, qm, qmin, qmax, om / (lm > 0 ? lm : 0.001) }'
done
