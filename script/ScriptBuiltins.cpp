#include "script/ScriptBuiltins.h"

#include "script/ScriptInterpreter.h"
#include "script/ScriptNatives.h"

#include <cmath>
#include <cstdint>

namespace {

int absInteger(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const int32_t i = scriptSlot<int32_t>(args[0]);
    scriptSetSlot(call->result, int32_t(i < 0 ? 0u - uint32_t(i) : uint32_t(i)));
    return 1;
}

int absFloat(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    scriptSetSlot(call->result, std::fabs(scriptSlot<float>(args[0])));
    return 1;
}

struct Builtin {
    const char* declaration; ///< "#global ... = 0x%X;"
    const char* name;
    const char* signature;
    ScriptNative function;
};

// In declaration order; each line receives the routine's registry token for "0x%X".
constexpr Builtin kBuiltins[] = {
    {"#global integer abs( integer i ) = 0x%X;", "abs", "integer(integer)", absInteger},
    {"#global float abs( float f ) = 0x%X;", "abs", "float(float)", absFloat},
};

} // namespace

void scriptDeclareBuiltins() {
    ZRScriptHost host;
    host.allowGlobal = 1;
    for (const Builtin& b : kBuiltins)
        scriptExecuteFormatted(&host, b.declaration,
                               scriptRegisterNative(b.name, b.signature, b.function));
}
