#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <cstring>

// The four hooks a host may declare: OnStart and OnFinish around every outermost run, Malloc
// and Free for script memory. They are natives of the registry; a declaration installs them,
// taking them out of the process-wide list so that scripts no longer see them by name.

namespace {

// Each hook with the one signature it is called with (see ScriptNatives.h).
struct HookForm {
    const char* name;
    const char* signature;   ///< as scriptSignature spells it
    const char* declaration; ///< the same, as a script declares it (for the message)
};
constexpr HookForm kHooks[] = {
    {"OnStart", "integer()", "integer OnStart( )"},
    {"OnFinish", "integer(integer,string)", "integer OnFinish( integer failed, string text )"},
    {"Malloc", "unsigned(unsigned)", "unsigned Malloc( unsigned size )"},
    {"Free", "integer(unsigned)", "integer Free( unsigned memory )"},
};

int callHook(const ScriptNativeEntry* hook, ZRScriptHost* host, void* const* args, int count,
             unsigned char (&result)[16]) {
    std::memset(result, 0, sizeof result);
    ScriptCall call;
    call.result = result;
    return hook->function(host, &call, args, count);
}

void* allocateThroughHook(size_t size) {
    const ScriptNativeEntry* hook = scriptGlobal().mallocHook;
    if (!hook) return nullptr;
    alignas(8) unsigned char slot[16] = {};
    scriptSetSlot(slot, uint64_t(size));
    void* args[] = {slot};
    alignas(8) unsigned char result[16];
    if (callHook(hook, nullptr, args, 1, result) != 1) return nullptr;
    return scriptSlot<void*>(result);
}

void releaseThroughHook(void* memory) {
    const ScriptNativeEntry* hook = scriptGlobal().freeHook;
    if (!hook) return;
    alignas(8) unsigned char slot[16] = {};
    scriptSetSlot(slot, memory);
    void* args[] = {slot};
    alignas(8) unsigned char result[16];
    callHook(hook, nullptr, args, 1, result);
}

} // namespace

bool ZRScriptContext::installHooks() {
    global.hookScanPending = false;
    const ScriptNativeEntry** slots[] = {&global.onStart, &global.onFinish, &global.mallocHook,
                                         &global.freeHook};
    bool allocatorChanged = false;
    bool ok = true;
    for (size_t k = 0; k < std::size(kHooks); ++k) {
        const std::string_view name = kHooks[k].name;
        bool installed = false, changed = false;
        for (ScriptVariable* v = global.variables.find(name, scriptNameHash(name)); v;) {
            ScriptVariable* older = v->older;
            // Only natives are hooks; a script function of the name stays an ordinary function.
            if (const ScriptNativeEntry* entry = v->type->isFunction() ? nativeOf(v) : nullptr) {
                // A native of another signature would be called with arguments it does not
                // take: it is refused, and taken out so that it outlives nothing.
                if (entry->signature != kHooks[k].signature) {
                    report(scriptmsg::kHookSignature, scriptmsg::kPrefix, kHooks[k].name,
                           kHooks[k].declaration);
                    ok = false;
                } else if (!installed) { // the newest declaration wins
                    *slots[k] = entry;
                    installed = true;
                    allocatorChanged = allocatorChanged || k >= 2;
                }
                global.retiredHooks.push_back(global.variables.take(v));
                changed = true;
            }
            v = older;
        }
        if (changed) scriptBumpNameEpoch();
    }
    if (allocatorChanged)
        scriptSetAllocator(ScriptAllocator{global.mallocHook ? allocateThroughHook : nullptr,
                                           global.freeHook ? releaseThroughHook : nullptr});
    return ok;
}

void scriptCallStartHook(ScriptGlobalState& g, ZRScriptHost* host) {
    if (!g.onStart) return;
    alignas(8) unsigned char result[16];
    callHook(g.onStart, host, nullptr, 0, result);
}

void scriptCallFinishHook(ScriptGlobalState& g, ZRScriptHost* host, bool failed,
                          const std::string& errors) {
    if (!g.onFinish) return;
    alignas(8) unsigned char slots[2][16] = {};
    scriptSetSlot(slots[0], int32_t(failed ? 1 : 0));
    scriptSetSlot(slots[1], errors.empty() ? nullptr : errors.c_str());
    void* args[] = {slots[0], slots[1]};
    alignas(8) unsigned char result[16];
    callHook(g.onFinish, host, args, 2, result);
}

void scriptClearHooks(ScriptGlobalState& g) {
    g.onStart = g.onFinish = g.mallocHook = g.freeHook = nullptr;
    g.hookScanPending = false;
    scriptSetAllocator(ScriptAllocator{});
}
