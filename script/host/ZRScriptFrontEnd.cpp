#include "ZRScriptFrontEnd.h"

#include "script/ScriptInterpreter.h"
#include "script/ScriptNatives.h"
#include "script/host/ZRHostFunctions.h"
#include "timeline/ZRTimeline.h"

#include <atomic>
#include <mutex>

namespace zrscript {
namespace {

ZRScriptHost gHost;
std::atomic<ZRTimeline*> gEngine{nullptr};
std::mutex gDeclareMutex;
// The registry token of the last host function declared, to see whether an interpreter
// shutdown has forgotten the declarations since.
uint32_t gLastToken = 0;

bool declaredInProcess() {
    if (gLastToken == 0) return false;
    const ScriptNativeEntry* entry = scriptFindNative(gLastToken);
    const ZRHostFunction& last = hostFunctions().back();
    return entry && entry->function == last.function && entry->name == last.name;
}

} // namespace

ZRScriptHost& engineHost() {
    return gHost;
}

ZRTimeline* engine() {
    return gEngine.load();
}

bool hostFunctionsAvailable() {
    std::lock_guard locker(gDeclareMutex);
    return declaredInProcess();
}

bool declareHostFunctions(ZRTimeline* timeline) {
    std::lock_guard locker(gDeclareMutex);
    gEngine.store(timeline);
    if (declaredInProcess()) return true;
    gHost = ZRScriptHost{};
    gHost.allowGlobal = 1;
    bool lastOk = false;
    uint32_t token = 0;
    for (const ZRHostFunction& f : hostFunctions()) {
        if (!f.function) {
            scriptExecuteFormatted(&gHost, "%s", f.line);
            continue;
        }
        token = scriptRegisterNative(f.name, f.signature, f.function);
        lastOk = scriptExecuteFormatted(&gHost, f.line, token) == 1;
        if (!lastOk && timeline) timeline->host().debug(gHost.errorText.c_str());
    }
    gLastToken = token;
    return lastOk;
}

bool runText(ZRTimeline* timeline, std::string_view text) {
    const bool ok = scriptExecute(&gHost, text) == 1;
    if (!ok && timeline) timeline->host().scriptOutput(gHost.errorText.c_str());
    return ok;
}

void forgetTimeline(ZRTimeline* timeline) {
    ZRTimeline* expected = timeline;
    gEngine.compare_exchange_strong(expected, nullptr);
}

} // namespace zrscript
