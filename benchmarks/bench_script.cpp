// The interpreter on small programs: a loop of one million additions and a recursive fib(24)
// (bench_script_vs_lua.sh runs the same two in Lua 5.4 beside them), the same two under a step
// limit, which reads every loop the general way and counts the steps of every call, and a
// function of strings whose branches are mostly not taken (read without being performed), which
// no integer form covers.
#include "script/ScriptInterpreter.h"

#include <benchmark/benchmark.h>

namespace {

constexpr const char* kAdditions =
    "integer s = 0; integer i; for (i = 0; i < 1000000; i += 1) s += i;";

constexpr const char* kFib =
    "integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
    "integer r = fib(24);";

constexpr const char* kSkippedBranches =
    "string t = \"\";\n"
    "string f(integer n) { if (n < 0) { t = t + \"a\"; n = -n; n = n * 2 + 1;"
    " if (n > 5) { n = 5; t = t + \"b\"; } } else n = n + 1; return \"x\"; }\n"
    "integer i; for (i = 0; i < 100000; i++) f(i);";

// A step limit far above what the programs take.
constexpr uint64_t kNoStepLimit = 0;
constexpr uint64_t kHighStepLimit = 1000000000;

void run(benchmark::State& state, const char* text, uint64_t stepLimit = kNoStepLimit) {
    ZRScriptHost host;
    for (auto _ : state) {
        const int ok = stepLimit ? scriptExecuteLimited(&host, text, stepLimit, 0)
                                 : scriptExecute(&host, text);
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
void BM_ScriptMillionAdditionsReadInFull(benchmark::State& state) {
    run(state, kAdditions, kHighStepLimit);
}
void BM_ScriptFib24ReadInFull(benchmark::State& state) {
    run(state, kFib, kHighStepLimit);
}
void BM_ScriptSkippedBranches(benchmark::State& state) {
    run(state, kSkippedBranches);
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
BENCHMARK(BM_ScriptMillionAdditionsReadInFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptFib24ReadInFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptSkippedBranches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptProjectLikeText)->Unit(benchmark::kMillisecond);
