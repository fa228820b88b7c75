// The timeline's kind tables and media identification: what can be imported, exported,
// transitioned, filtered and drawn, which module file serves a kind, and what a file is.
#include "engine/timeline/ZRTimeline.h"

#include "engine/modules/ZRKindTables.h"
#include "engine/modules/ZRMediaIdentify.h"
#include "engine/modules/ZRModuleRegistry.h"
#include "engine/process/ZREngine.h"

#include <cstdio>
#include <cstring>

namespace {

bool sameName(const char* a, const char* b) {
    return a && b && qstricmp(a, b) == 0;
}

void* table(ZRNameTable& names) {
    return names.isMade() ? names.data() : nullptr;
}

} // namespace

// Transitions and video effects come in groups: no name lists the groups, a group name lists its
// modules, and a group with an entry answers the entry's description.
void* ZRTimeline::moduleList(const char* category, const char* name, const char* entry, int) {
    ZREngine& engine = zrEngine();
    if (sameName(category, "Classes")) return table(engine.categories);
    if (sameName(category, "Import")) return name ? nullptr : table(engine.importKinds);
    if (sameName(category, "Export")) return name ? nullptr : table(engine.exportKinds);
    const bool transition = sameName(category, "Transition");
    if (transition || sameName(category, "Video Effect")) {
        const char* kind = transition ? "Transition" : "Video Effect";
        if (!name) return table(transition ? engine.transitionNames : engine.videoEffectNames);
        if (entry) return const_cast<char*>(m_moduleManager.findModule(kind, name, entry, 2));
        const ZRNameTable* group = ZRModuleRegistry::instance().groupTable(kind, name);
        return group && group->isMade() ? const_cast<char*>(group->entry(0)) : nullptr;
    }
    if (sameName(category, "Font")) {
        if (!name) return table(engine.fontKinds);
        if (sameName(name, "System TT") && !entry) return table(engine.fontNames);
        return nullptr;
    }
    if (sameName(category, "2D-Text")) return name ? nullptr : table(engine.engineNames);
    return nullptr;
}

std::string ZRTimeline::moduleFilePath(const char* category, const char* kind, const char* third) {
    if (const char* file = zrBuiltinModuleFile(category, kind))
        return (dataFolder() + QString::fromLatin1(file)).toStdString();
    const char* c = category ? category : "";
    const char* k = kind ? kind : "";
    if (third)
        std::snprintf(m_textBuffer, sizeof m_textBuffer, "Could not find module for %s::%s::%s\n",
                      c, k, third);
    else
        std::snprintf(m_textBuffer, sizeof m_textBuffer, "Could not find module for %s::%s\n", c,
                      k);
    m_host.debug(m_textBuffer);
    return {};
}

bool ZRTimeline::identifyMediaFile(const char* fileName, char* kind, uint32_t* subtype) {
    if (kind) kind[0] = 0;
    if (subtype) *subtype = 0;
    if (!fileName) return false;
    const ZRMediaKind media = zrIdentifyMediaFile(QString::fromUtf8(fileName));
    if (!media.kind) return false;
    if (kind) std::memcpy(kind, media.kind, std::strlen(media.kind) + 1);
    if (subtype) *subtype = media.subtype;
    return true;
}

const char* ZRTimeline::suggestImportModule(const char* fileName) {
    char kind[8];
    uint32_t subtype = 0;
    const char* suggested = "Misc";
    if (identifyMediaFile(fileName, kind, &subtype))
        suggested = zrSuggestedImportKind(kind, subtype);
    qstrncpy(m_textBuffer, suggested, sizeof m_textBuffer);
    return m_textBuffer;
}
