// Any bytes run as a script must end in a result and messages, never in a fault, a hang or a
// leak; an endless loop ends at the step limit the engine sets for project files. The built-ins and
// a few natives are available; #include reads from a fixed folder with a good, a broken and a
// self-including file. The same bytes are then handed as text to every built-in (as sprintf's
// format, as the strings and numbers of the others), so that each of them meets arbitrary input
// whatever the script itself reaches.
#include "engine/script/ZRScriptFrontEnd.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptMemory.h"
#include "script/ScriptNatives.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

int sinkInteger(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    scriptSetSlot(call->result, scriptSlot<int32_t>(args[0]) + 1);
    return 1;
}
int sinkString(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const char* s = scriptSlot<const char*>(args[0]);
    scriptSetSlot(call->result, int32_t(s ? std::strlen(s) : 0));
    return 1;
}
int sinkMany(ZRScriptHost*, ScriptCall* call, void* const* args, int n) {
    int32_t total = 0;
    for (int i = 0; i < n; ++i)
        total += scriptSlot<int32_t>(args[i]);
    scriptSetSlot(call->result, total);
    return 1;
}
int poke(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    const int32_t n = scriptSlot<int32_t>(args[1]);
    void* bytes = n > 0 ? scriptNativeBytes(scriptSlot<uint64_t>(args[0]), uint32_t(n)) : nullptr;
    if (bytes) std::memset(bytes, 0x5A, size_t(n));
    scriptSetSlot(call->result, int32_t(bytes != nullptr));
    return 1;
}
int text(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    scriptSetSlot(call->result, scriptNewString(std::to_string(scriptSlot<int32_t>(args[0]))));
    return 1;
}

std::string gFolder;
std::string_view gInput;

// The fuzzer's bytes (up to a NUL) as a script string.
int input(ZRScriptHost*, ScriptCall* call, void* const*, int) {
    scriptSetSlot(call->result, scriptNewString(gInput.substr(0, gInput.find('\0'))));
    return 1;
}

constexpr const char* kEveryBuiltin = R"(
string t = input(); string n; float f = atof(t); integer i = atoi(t); char b[16]; char *p = &b[0];
string s = sprintf(t, i, -2, 2.5, f, t, 'c', 0x7f, p, n, i, f, t, 3, 4, 5, 6, 7, 8, 9, 10, 11);
s = sprintf(t); s = sprintf(n, 1);
i = abs(i) + strlen(t) + strlen(p) + strcspn(t, "%ab") + strspn(t, s) + stricmp(t, s);
i = i + strncmp(t, s, i) + strsubstr(t, "%") + strsubstr(s, t) + strncpy(p, t) + strncpy(&b[3], p);
i = i + strlen(p) + strncpy(p + 15, t) + strlen(strpart1(t, i)) + strlen(strpart2(t, i / 7));
s = getenv(t); s = strpart1(n, 1); s = strpart2(t, 1);
f = abs(f) + cos(f) + sin(f) + tan(f) + cosh(f) + sinh(f) + tanh(f) + acos(f) + asin(f);
f = f + atan(f) + exp(f) + PI + copysign(f, -1.0f) + fmod(f, 0.0f) + floor(f) + log(f);
f = f + log10(f) + pow(f, f) + max(f, f) + min(f, 1.0f) + sqrt(f) + atof(s);
)";

void writeFile(const char* name, const char* content) {
    const std::string path = gFolder + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs(content, f);
        std::fclose(f);
    }
}

void setUp() {
    char pattern[] = "/tmp/script_fuzz_XXXXXX";
    if (const char* dir = mkdtemp(pattern)) gFolder = dir;
    writeFile("good.zrs", "integer included = 3;\ninteger twice(integer i) { return i * 2; }\n");
    writeFile("broken.zrs", "integer x = ;\n");
    writeFile("self.zrs", "#include \"self.zrs\"\n");
    struct Native {
        const char* line;
        const char* name;
        const char* signature;
        ScriptNative fn;
    };
    const Native natives[] = {
        {"#global integer sink( integer i ) = 0x%X;", "sink", "integer(integer)", sinkInteger},
        {"#global integer sink( string s ) = 0x%X;", "sink", "integer(string)", sinkString},
        {"#global integer sinkv( integer n, ... ) = 0x%X;", "sinkv", "integer(integer,...)",
         sinkMany},
        {"#global integer poke( char *p, integer n ) = 0x%X;", "poke", "integer(char*,integer)",
         poke},
        {"#global string text( integer i ) = 0x%X;", "text", "string(integer)", text},
        {"#global string input( ) = 0x%X;", "input", "string()", input},
    };
    ZRScriptHost host;
    host.allowGlobal = 1;
    for (const Native& n : natives)
        scriptExecuteFormatted(&host, n.line, scriptRegisterNative(n.name, n.signature, n.fn));
    // A limit well under the fuzzer's: a text of tens of megabytes (a "%44444444d") still meets
    // the limit's refusal, without a formatting run that outlasts the fuzzer's time limit.
    scriptSetMemoryLimit(size_t(8) << 20);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (setUp(), true);
    (void)ready;
    gInput = std::string_view(reinterpret_cast<const char*>(data), size);
    ZRScriptHost host;
    host.includeFolder = gFolder;
    // The bytes run as a project file runs: under the engine's step limit and no other.
    scriptExecuteLimited(&host, gInput, zrscript::fileRunStepLimit(gInput.size()), 0);
    scriptExecute(&host, kEveryBuiltin);
    return 0;
}
