#include "tests/script/ScriptTestHost.h"

#include "script/ScriptNatives.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

std::string* gOutput = nullptr;
int gCount = 0;
bool gDeclared = false;

void emit(const std::string& text) {
    if (!gOutput) return;
    if (!gOutput->empty()) *gOutput += ' ';
    *gOutput += text;
}

int outInteger(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    emit(std::to_string(scriptSlot<int32_t>(args[0])));
    scriptSetSlot(call->result, int32_t(1));
    return 1;
}
int outUnsigned(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", scriptSlot<uint32_t>(args[0]));
    emit(b);
    return 1;
}
int outString(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    const char* s = scriptSlot<const char*>(args[0]);
    emit(s ? std::string("\"") + s + "\"" : "null");
    return 1;
}
int outReal(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    char b[64];
    std::snprintf(b, sizeof b, "%g", scriptSlot<double>(args[0]));
    emit(b);
    return 1;
}
int outFloat(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    char b[64];
    std::snprintf(b, sizeof b, "%gf", double(scriptSlot<float>(args[0])));
    emit(b);
    return 1;
}
int outChar(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    emit("c" + std::to_string(int(scriptSlot<unsigned char>(args[0]))));
    return 1;
}
int count(ZRScriptHost*, ScriptCall* call, void* const*, int) {
    ++gCount;
    scriptSetSlot(call->result, int32_t(gCount));
    return 1;
}
// Sums its further arguments read as integers.
int sum(ZRScriptHost*, ScriptCall* call, void* const* args, int n) {
    int32_t total = 0;
    for (int i = 1; i < n; ++i)
        total += scriptSlot<int32_t>(args[i]);
    scriptSetSlot(call->result, total);
    return 1;
}
// Writes `n` bytes of 'A' through a checked pointer; 0 when the pointer does not allow it.
int fill(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const int32_t n = scriptSlot<int32_t>(args[1]);
    void* bytes = n >= 0 ? scriptNativeBytes(scriptSlot<uint64_t>(args[0]), uint32_t(n)) : nullptr;
    if (bytes) std::memset(bytes, 'A', size_t(n));
    scriptSetSlot(call->result, int32_t(bytes != nullptr));
    return 1;
}

void declare() {
    struct Native {
        const char* line;
        const char* name;
        const char* signature;
        ScriptNative fn;
    };
    const Native natives[] = {
        {"#global integer out( integer i ) = 0x%X;", "out", "integer(integer)", outInteger},
        {"#global integer out( unsigned u ) = 0x%X;", "out", "integer(unsigned)", outUnsigned},
        {"#global integer out( string s ) = 0x%X;", "out", "integer(string)", outString},
        {"#global integer out( double d ) = 0x%X;", "out", "integer(double)", outReal},
        {"#global integer out( float f ) = 0x%X;", "out", "integer(float)", outFloat},
        {"#global integer out( char c ) = 0x%X;", "out", "integer(char)", outChar},
        {"#global integer count( ) = 0x%X;", "count", "integer()", count},
        {"#global integer sum( integer n, ... ) = 0x%X;", "sum", "integer(integer,...)", sum},
        {"#global integer fill( char *p, integer n ) = 0x%X;", "fill", "integer(char*,integer)",
         fill},
    };
    ZRScriptHost host;
    host.allowGlobal = 1;
    for (const Native& n : natives)
        scriptExecuteFormatted(&host, n.line, scriptRegisterNative(n.name, n.signature, n.fn));
}

} // namespace

ScriptRun runScript(std::string_view text, bool allowGlobal, int persistentId,
                    const std::string& includeFolder) {
    if (!gDeclared) {
        declare();
        gDeclared = true;
    }
    ScriptRun run;
    ZRScriptHost host;
    host.allowGlobal = allowGlobal ? 1 : 0;
    host.persistentId = persistentId;
    host.includeFolder = includeFolder;
    gOutput = &run.output;
    run.ok = scriptExecute(&host, text) == 1;
    gOutput = nullptr;
    run.errors = host.errorText;
    return run;
}

int countCalls() {
    return gCount;
}

void shutdownInterpreter() {
    scriptShutdown();
    gDeclared = false;
}

void expectOutputs(std::span<const ScriptCase> cases) {
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.errors, "");
        EXPECT_EQ(r.output, c.output);
    }
}
