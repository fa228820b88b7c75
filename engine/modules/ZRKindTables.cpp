#include "engine/modules/ZRKindTables.h"

#include "engine/api/zrplugin.h"
#include "engine/modules/ZRMediaIdentify.h"

#include <QByteArray>

namespace {

struct ModuleFile {
    const char* category;
    const char* kind;
    const char* file;
};

// The module files keep their names; only the suffix is this platform's.
constexpr ModuleFile kModuleFiles[] = {
    {"Import", "Marvesto Modules", "imports/impmrvst.so"},
    {"Import", "AVI-DV 64bit", "imports/impavi.so"},
    {"Import", "Video for Windows", "imports/impvfwin.so"},
    {"Import", "MPEG", "imports/impmpegin.so"},
    {"Import", "AVI Multifile", "imports/impovl.so"},
    {"Import", "GFL", "PlugIns/import/impgfl.so"},
    {"Export", "Marvesto Modules", "exports/expmrvst.so"},
    {"Export", "MPEG", "exports/expmpego.so"},
    {"Export", "Video for Windows", "exports/expvfwin.so"},
    {"Export", "DirectShow", "exports/expdshow.so"},
    {"Export", "RealMedia", "exports/expreal.so"},
    {"Export", "ASF", "exports/expwmf.so"},
    {"Export", "AVI-DV 64bit", "exports/expavi1o.so"},
    {"Export", "AVI-DV Multifile", "exports/expovl.so"},
};

constexpr const char* kAliasedImportKinds[] = {
    "DirectShow", "DV-AVI", "DV-AVI Multifile", "MPEG", "MPEG Multifile", "DIF", "Misc"};

bool same(const char* a, const char* b) {
    return a && b && qstricmp(a, b) == 0;
}

} // namespace

const char* zrBuiltinModuleFile(const char* category, const char* kind) {
    for (const ModuleFile& entry : kModuleFiles) {
        if (same(category, entry.category) && same(kind, entry.kind)) return entry.file;
    }
    return nullptr;
}

const char* zrImportAlias(const char* kind) {
    for (const char* aliased : kAliasedImportKinds) {
        if (same(kind, aliased)) return ZR_MEDIA_IMPORT_NAME;
    }
    return nullptr;
}

const char* zrSuggestedImportKind(const char* kind, uint32_t subtype) {
    if (same(kind, "AVI")) {
        if (subtype == zrFourCC("OVDV")) return "DV-AVI Multifile";
        if (subtype == zrFourCC("DVSD")) return "DV-AVI";
        return "DirectShow";
    }
    if (same(kind, "MPEG")) return subtype == zrFourCC("OVMP") ? "MPEG Multifile" : "MPEG";
    if (same(kind, "DIF")) return "DIF";
    if (same(kind, "WAV")) return "WAV";
    if (same(kind, "GFL")) return "GFL";
    return "Misc";
}
