#include "engine/script/ZRScriptFrontEnd.h"

#include "engine/script/ZRHostFunctions.h"
#include "engine/timeline/ZRTimeline.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptNatives.h"

#include <algorithm>
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
std::atomic<int64_t> gMaxProjectBytes{kMaxProjectBytes};

bool declaredInProcess() {
    if (gLastToken == 0) return false;
    const ScriptNativeEntry* entry = scriptFindNative(gLastToken);
    const ZRHostFunction& last = hostFunctions().back();
    return entry && entry->function == last.function && entry->name == last.name;
}

} // namespace

ZRTimeline* engine() {
    return gEngine.load();
}

bool hostFunctionsAvailable() {
    std::lock_guard locker(gDeclareMutex);
    return declaredInProcess();
}

bool declareHostFunctions(ZRTimeline* timeline, bool redeclare) {
    std::lock_guard locker(gDeclareMutex);
    gEngine.store(timeline);
    const bool declared = declaredInProcess();
    if (declared && !redeclare) return true;
    gHost = ZRScriptHost{};
    gHost.allowGlobal = 1;
    bool lastOk = false;
    uint32_t token = 0;
    for (const ZRHostFunction& f : hostFunctions()) {
        if (!f.function) {
            // The type is process-wide and stays declared with the functions.
            if (!declared) scriptExecuteFormatted(&gHost, "%s", f.line);
            continue;
        }
        // The same native gets the same token again; what stands under its name and
        // signature (its former declaration, or a script's `#global` that hides it) is
        // replaced, so the process-wide list keeps one record per host function.
        token = scriptRegisterNative(f.name, f.signature, f.function);
        if (declared) scriptRemoveGlobalFunctions(f.name, f.signature);
        lastOk = scriptExecuteFormatted(&gHost, f.line, token) == 1;
        if (!lastOk && timeline) timeline->host().debug(gHost.errorText.c_str());
    }
    gLastToken = token;
    return lastOk;
}

bool runText(ZRTimeline* timeline, std::string_view text, uint64_t stepLimit) {
    const bool ok = (stepLimit ? scriptExecuteLimited(&gHost, text, stepLimit, 0)
                               : scriptExecute(&gHost, text)) == 1;
    if (!ok && timeline) timeline->host().scriptOutput(gHost.errorText.c_str());
    return ok;
}

uint64_t fileRunStepLimit(uint64_t bytes) {
    constexpr uint64_t kMostBytes = (UINT64_MAX - kFileRunBaseSteps) / kFileRunStepsPerByte;
    return kFileRunBaseSteps + std::min(bytes, kMostBytes) * kFileRunStepsPerByte;
}

int64_t maxProjectBytes() {
    return gMaxProjectBytes.load();
}

int64_t setMaxProjectBytes(int64_t bytes) {
    return gMaxProjectBytes.exchange(bytes > 0 ? bytes : kMaxProjectBytes);
}

void forgetTimeline(ZRTimeline* timeline) {
    ZRTimeline* expected = timeline;
    gEngine.compare_exchange_strong(expected, nullptr);
}

} // namespace zrscript
