// The bytes choose a random program of integer functions or of loops over integers and arrays
// (see tests/support/ScriptProgramGenerator.h), and a step limit. The program must give the same
// result, outputs and messages run from its compiled forms as read the general way: under a
// limit it does not reach (and then without a limit), and under the chosen limit, which may
// stop it in any step. The compiled forms and the general reading must never differ in what a
// program does, in the steps they count or in where a limit stops them.
#include "script/ScriptInterpreter.h"
#include "script/ScriptMemory.h"
#include "script/ScriptNatives.h"
#include "tests/support/ScriptProgramGenerator.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::string* gOutput = nullptr;

int out(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    if (gOutput) *gOutput += std::to_string(scriptSlot<int32_t>(args[0])) + ' ';
    scriptSetSlot(call->result, int32_t(1));
    return 1;
}

void setUp() {
    ZRScriptHost host;
    host.allowGlobal = 1;
    scriptExecuteFormatted(&host, "#global integer out( integer i ) = 0x%X;",
                           scriptRegisterNative("out", "integer(integer)", out));
    scriptSetMemoryLimit(size_t(48) << 20);
}

// The fuzzer's bytes as the generator's choices, one byte each; once they run out, a random
// sequence seeded by them, so that a short input still makes a whole program and each change
// of its bytes makes another.
struct ByteChoices {
    const uint8_t* data;
    size_t size;
    std::mt19937 rest;
    ByteChoices(const uint8_t* bytes, size_t n) : data(bytes), size(n), rest(seedOf(bytes, n)) {}
    static uint32_t seedOf(const uint8_t* bytes, size_t n) {
        uint32_t h = 2166136261u;
        for (size_t k = 0; k < n; ++k)
            h = (h ^ bytes[k]) * 16777619u;
        return h;
    }
    unsigned operator()() {
        if (size == 0) return unsigned(rest());
        --size;
        return *data++;
    }
};

struct Outcome {
    bool ok = false;
    std::string output;
    std::string errors;
    bool operator==(const Outcome&) const = default;
};

Outcome run(const std::string& program, uint64_t steps, bool integerForms) {
    Outcome o;
    ZRScriptHost host;
    gOutput = &o.output;
    scriptSetIntegerForms(integerForms);
    o.ok = scriptExecuteLimited(&host, program, steps, 0) == 1;
    scriptSetIntegerForms(true);
    gOutput = nullptr;
    o.errors = host.errorText;
    return o;
}

[[noreturn]] void differ(const std::string& program, uint64_t steps, const Outcome& compiled,
                         const Outcome& general) {
    std::fprintf(stderr,
                 "compiled forms and general reading differ (limit %llu steps, 0: none)\n"
                 "--- program\n%s\n--- compiled: %d [%s] [%s]\n--- general: %d [%s] [%s]\n",
                 static_cast<unsigned long long>(steps), program.c_str(), compiled.ok,
                 compiled.output.c_str(), compiled.errors.c_str(), general.ok,
                 general.output.c_str(), general.errors.c_str());
    std::abort();
}

// The general reading under the limit `steps`, compared with the compiled forms under it.
Outcome expectSame(const std::string& program, uint64_t steps) {
    const Outcome compiled = run(program, steps, true);
    const Outcome general = run(program, steps, false);
    if (!(compiled == general)) differ(program, steps, compiled, general);
    return general;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (setUp(), true);
    (void)ready;
    if (size < 3) return 0;
    const bool functions = data[0] & 1;
    // A limit from 1 to 8,192 steps: the programs take some hundreds to some ten thousands.
    const uint64_t steps = 1 + (uint64_t(data[1]) | uint64_t(data[2] & 0x1F) << 8);
    const ByteChoices choices(data + 3, size - 3);
    const std::string program = functions ? RandomFunctions<ByteChoices>(choices, true, 10).text()
                                          : RandomProgram<ByteChoices>(choices, true).texts().first;
    // Under a limit the compiled forms count steps; a program that ends within it also runs
    // from the forms that count nothing, as runs without a limit do.
    constexpr uint64_t kEnough = 50000;
    const Outcome general = expectSame(program, kEnough);
    if (general.errors.find("step limit") == std::string::npos) {
        const Outcome free = run(program, 0, true);
        if (!(free == general)) differ(program, 0, free, general);
    }
    expectSame(program, steps);
    return 0;
}
