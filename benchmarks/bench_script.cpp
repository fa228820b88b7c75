// The interpreter on two small programs: a loop of one million additions and a recursive
// fib(24). bench_script_vs_lua.sh runs the same two in Lua 5.4 beside them.
#include "script/ScriptInterpreter.h"

#include <benchmark/benchmark.h>

namespace {

constexpr const char* kAdditions =
    "integer s = 0; integer i; for (i = 0; i < 1000000; i += 1) s += i;";

constexpr const char* kFib =
    "integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
    "integer r = fib(24);";

void run(benchmark::State& state, const char* text) {
    ZRScriptHost host;
    for (auto _ : state) {
        const int ok = scriptExecute(&host, text);
        benchmark::DoNotOptimize(ok);
        if (!ok) state.SkipWithError(host.errorText.c_str());
    }
}

void BM_ScriptMillionAdditions(benchmark::State& state) {
    run(state, kAdditions);
}
void BM_ScriptFib24(benchmark::State& state) {
    run(state, kFib);
}

// Reading a project-sized text: mostly calls of natives with string and integer arguments.
void BM_ScriptProjectLikeText(benchmark::State& state) {
    std::string text;
    for (int k = 1; k <= 500; ++k) {
        text += "integer object" + std::to_string(k) + "=abs( " + std::to_string(-k) + " );\n";
        text += "abs( object" + std::to_string(k) + " );\n";
    }
    ZRScriptHost host;
    for (auto _ : state)
        benchmark::DoNotOptimize(scriptExecute(&host, text));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

} // namespace

BENCHMARK(BM_ScriptMillionAdditions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptFib24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptProjectLikeText)->Unit(benchmark::kMillisecond);
