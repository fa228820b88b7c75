// Starting the engine: the process-wide tables the first timeline fills.
#include "engine/timeline/ZRTimeline.h"

#include "engine/export/ZRAviExportSettings.h"
#include "engine/fonts/ZRFontDiscovery.h"
#include "engine/fonts/ZRFontFolders.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/process/ZREngine.h"

#include <algorithm>
#include <cstring>

// Runs once for the first timeline of the process: the category and kind tables, the fonts and
// the plug-in modules.
void ZRTimeline::initialiseEngine() {
    ZREngine& engine = zrEngine();
    if (!engine.fontRegistry) {
        engine.fontRegistry = std::make_unique<ZRStringMap<ZRFontEntry>>(true);
        engine.defaultFont = std::make_unique<ZRFontEntry>();
    }
    const QString base = QString::fromUtf8(m_baseFolder.c_str());

    engine.categories = ZRNameTable(8);
    size_t slot = 0;
    engine.categories.set(slot++, "Import");
    engine.categories.set(slot++, "Export");
    if (!(m_flags & 4)) engine.categories.set(slot++, "Transition");
    if (!(m_flags & 2)) engine.categories.set(slot++, "Video Effect");
    if (!(m_flags & 1)) {
        engine.categories.set(slot++, "Font");
        engine.categories.set(slot++, "2D-Text");
        engine.categories.set(slot++, "Solid Color");
    }

    // The eight built-in kinds, then the import modules from the eighth slot on (the first over
    // "GFL"); at least one slot stays empty to end the table even when no module is found.
    const QString data = dataFolder();
    m_moduleManager.startScan(data);
    const QString importFolder = data + "PlugIns/import";
    const size_t imports = size_t(ZRModuleManager::countModuleFiles(importFolder));
    engine.importKinds = ZRNameTable(std::max<size_t>(imports + 8, 9));
    for (size_t i = 0; i < std::size(kBuiltinImportKinds); ++i)
        engine.importKinds.set(i, kBuiltinImportKinds[i]);
    m_moduleManager.scanModuleFolder(importFolder, "Import", nullptr, engine.importKinds, 7);

    engine.exportKinds = ZRNameTable(9);
    slot = 0;
    for (const char* kind : {"Marvesto Modules", "MPEG", "RealMedia", "AVI-DV Multifile",
                             ZRAviExportSettings::kFormatName})
        engine.exportKinds.set(slot++, kind);

    if (m_flags & 1) return;

    engine.fontKinds = ZRNameTable(2);
    engine.fontKinds.set(0, "System TT");
    if (ZRFont* font = zrProcessFont()) {
        discoverFonts(*font, fonts::discoveryFolders(base), *engine.fontRegistry,
                      [this](const char* kind, const char* text) { m_host.message(kind, text); });
    }
    engine.fontNames = ZRNameTable(engine.fontRegistry->count() + 1);
    slot = 0;
    for (const auto& [hash, entry] : *engine.fontRegistry)
        engine.fontNames.set(slot++, entry.key);

    if (!(m_flags & 4)) {
        engine.transitionNames =
            m_moduleManager.registerModuleGroups(data + "PlugIns/videotrn", "Transition");
    }
    if (!(m_flags & 2)) {
        engine.videoEffectNames =
            m_moduleManager.registerModuleGroups(data + "PlugIns/videofx", "Video Effect");
    }

    engine.engineNames = ZRNameTable(2);
    engine.engineNames.set(0, "ZR-Engine");
}
