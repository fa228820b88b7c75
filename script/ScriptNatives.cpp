#include "script/ScriptNatives.h"

#include "script/ScriptMemory.h"

#include <deque>
#include <mutex>

namespace {

// Tokens are small numbers in a range of their own, so that a stray number written by a
// script is unlikely to be one; a token binds only with a matching signature anyway.
constexpr uint32_t kFirstToken = 0x5C000001;

struct Registry {
    std::mutex mutex;
    std::deque<ScriptNativeEntry> entries; // stable addresses
};

Registry& registry() {
    static Registry* r = new Registry; // lives to the end of the process
    return *r;
}

} // namespace

uint32_t scriptRegisterNative(std::string_view name, std::string_view signature,
                              ScriptNative function) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const ScriptNativeEntry& e : r.entries)
        if (e.function == function && e.name == name && e.signature == signature) return e.token;
    const uint32_t token = kFirstToken + uint32_t(r.entries.size());
    r.entries.push_back(
        ScriptNativeEntry{std::string(name), std::string(signature), function, token});
    return token;
}

void scriptClearNatives() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.entries = {};
}

const ScriptNativeEntry* scriptFindNative(uint32_t token) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (token < kFirstToken || token - kFirstToken >= r.entries.size()) return nullptr;
    return &r.entries[token - kFirstToken];
}

void* scriptNativeBytes(uint64_t pointer, uint32_t size) {
    ScriptStorage* storage = nullptr;
    uint32_t offset = 0;
    if (scriptLocate(pointer, nullptr, size, storage, offset) != ScriptPointerFault::None)
        return nullptr;
    return storage->base + offset;
}

bool scriptNativeText(uint64_t pointer, std::string_view& text) {
    text = {};
    ScriptStorage* storage = nullptr;
    uint32_t offset = 0;
    if (scriptLocate(pointer, nullptr, 0, storage, offset) != ScriptPointerFault::None)
        return false;
    const auto* from = reinterpret_cast<const char*>(storage->base + offset);
    const size_t n = strnlen(from, storage->size - offset);
    if (scriptLocate(pointer, nullptr, uint32_t(n), storage, offset) != ScriptPointerFault::None)
        return false;
    text = std::string_view(from, n);
    return true;
}
