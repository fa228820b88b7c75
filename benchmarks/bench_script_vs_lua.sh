#!/usr/bin/env bash
# Runs the interpreter's benchmarks beside the same two programs in Lua 5.4 (Debian's lua5.4)
# and prints the time ratios. Usage: benchmarks/bench_script_vs_lua.sh [build folder]
set -euo pipefail
build="${1:-build/default}"
# Lua is needed only here, so this script installs it rather than scripts/setup.
if ! command -v lua5.4 >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y -qq lua5.4 >/dev/null || { echo "cannot install lua5.4"; exit 1; }
fi

# Both sides take the best of five runs, so that a moment of load on the machine does not count.
ours=$("$build/bin/bench_script" --benchmark_filter='Additions|Fib24' --benchmark_repetitions=5 \
         --benchmark_format=csv 2>/dev/null |
       awk -F, '/^"BM_Script[A-Za-z0-9]*",/ { gsub(/"/, "", $1)
                                              if (!($1 in best) || $3 < best[$1]) best[$1] = $3 }
                END { for (n in best) print n, best[n] }')
lua_time() { # best of five runs, in milliseconds
    lua5.4 -e "
      local best = math.huge
      for _ = 1, 5 do
        local t = os.clock(); $1; t = os.clock() - t
        if t < best then best = t end
      end
      print(string.format('%.3f', best * 1000))"
}
lua_add=$(lua_time 'local s = 0 for i = 0, 999999 do s = s + i end')
lua_fib=$(lua_time 'local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end local r = fib(24)')
our_add=$(awk '$1 == "BM_ScriptMillionAdditions" { print $2 }' <<<"$ours")
our_fib=$(awk '$1 == "BM_ScriptFib24" { print $2 }' <<<"$ours")
printf '%-22s %10s %10s %8s\n' program ours_ms lua_ms ratio
awk -v a="$our_add" -v b="$lua_add" 'BEGIN { printf "%-22s %10.2f %10.2f %8.1f\n", "million additions", a, b, a / b }'
awk -v a="$our_fib" -v b="$lua_fib" 'BEGIN { printf "%-22s %10.2f %10.2f %8.1f\n", "fib(24)", a, b, a / b }'
