// Looking up registered font faces by name.

#include "engine/fonts/ZRFontRegistry.h"

#include "engine/fonts/ZRFontAliases.h"
#include "engine/process/ZREngine.h"

#include <cstring>

namespace {

const ZRFontEntry* findExact(const ZRStringMap<ZRFontEntry>& registry, const char* name) {
    for (const auto& [hash, entry] : registry) {
        if (std::strcmp(entry.key.c_str(), name) == 0) return entry.value;
    }
    return nullptr;
}

} // namespace

const ZRFontEntry* findFontEntry(const char* name) {
    const ZREngine& engine = zrEngine();
    if (!engine.fontRegistry) return engine.defaultFont.get();
    if (name) {
        if (const ZRFontEntry* entry = findExact(*engine.fontRegistry, name)) return entry;
        if (const char* alias = fonts::aliasFaceName(name)) {
            if (const ZRFontEntry* entry = findExact(*engine.fontRegistry, alias)) return entry;
        }
    }
    return engine.defaultFont.get();
}
