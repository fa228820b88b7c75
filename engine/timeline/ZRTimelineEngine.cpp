// Starting the engine: the process-wide tables the first timeline fills.
#include "engine/timeline/ZRTimeline.h"

#include "engine/export/ZRAviExportSettings.h"
#include "engine/fonts/ZRFontDiscovery.h"
#include "engine/fonts/ZRFontFolders.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/process/ZREngine.h"

#include <algorithm>
#include <cstring>

// The first timeline of the process scans the import and export modules; each part a timeline's
// flags ask for (fonts and titles, transitions, video effects) is set up by the first timeline
// that asks for it, so that a timeline made while one with fewer parts lives still finds all of
// its modules.
void ZRTimeline::initialiseEngine() {
    ZREngine& engine = zrEngine();
    if (!engine.fontRegistry) {
        engine.fontRegistry = std::make_unique<ZRStringMap<ZRFontEntry>>(true);
        engine.defaultFont = std::make_unique<ZRFontEntry>();
    }
    const QString base = QString::fromUtf8(m_baseFolder.c_str());
    const QString data = dataFolder();

    if (engine.timelineCount == 0) {
        // The eight built-in kinds, then the import modules from the eighth slot on (the first
        // over "GFL"); at least one slot stays empty to end the table even when no module is
        // found.
        m_moduleManager.startScan(data);
        const QString importFolder = data + "PlugIns/import";
        const size_t imports = size_t(ZRModuleManager::countModuleFiles(importFolder));
        engine.importKinds = ZRNameTable(std::max<size_t>(imports + 8, 9));
        for (size_t i = 0; i < std::size(kBuiltinImportKinds); ++i)
            engine.importKinds.set(i, kBuiltinImportKinds[i]);
        m_moduleManager.scanModuleFolder(importFolder, "Import", nullptr, engine.importKinds, 7);

        engine.exportKinds = ZRNameTable(9);
        size_t slot = 0;
        for (const char* kind : {"Marvesto Modules", "MPEG", "RealMedia", "AVI-DV Multifile",
                                 ZRAviExportSettings::kFormatName})
            engine.exportKinds.set(slot++, kind);

        engine.parts = 0;
        engine.namedParts = 0;
    }

    // Bit 0 leaves out the fonts and, with them, the transitions, the video effects and the
    // engine's name; bits 2 and 1 leave out the transitions and the video effects alone.
    const bool full = (m_flags & 1) == 0;
    const unsigned wanted = (full ? ZREngine::kFonts : 0u) |
                            (full && !(m_flags & 4) ? ZREngine::kTransitions : 0u) |
                            (full && !(m_flags & 2) ? ZREngine::kVideoEffects : 0u);
    const unsigned missing = wanted & ~engine.parts;
    if (missing & ZREngine::kFonts) {
        engine.fontKinds = ZRNameTable(2);
        engine.fontKinds.set(0, "System TT");
        if (ZRFont* font = zrProcessFont()) {
            discoverFonts(
                *font, fonts::discoveryFolders(base), *engine.fontRegistry,
                [this](const char* kind, const char* text) { m_host.message(kind, text); });
        }
        engine.fontNames = ZRNameTable(engine.fontRegistry->count() + 1);
        size_t slot = 0;
        for (const auto& [hash, entry] : *engine.fontRegistry)
            engine.fontNames.set(slot++, entry.key);
        engine.engineNames = ZRNameTable(2);
        engine.engineNames.set(0, "ZR-Engine");
    }
    if (missing & ZREngine::kTransitions) {
        engine.transitionNames =
            m_moduleManager.registerModuleGroups(data + "PlugIns/videotrn", "Transition");
    }
    if (missing & ZREngine::kVideoEffects) {
        engine.videoEffectNames =
            m_moduleManager.registerModuleGroups(data + "PlugIns/videofx", "Video Effect");
    }
    engine.parts |= wanted;

    // The categories name what the flags leave in, whatever was set up: remade only when that
    // grows, as a timeline made later must not free the table the host holds from an earlier
    // one's module list.
    const unsigned named = (m_flags & 4 ? 0u : ZREngine::kTransitions) |
                           (m_flags & 2 ? 0u : ZREngine::kVideoEffects) |
                           (m_flags & 1 ? 0u : ZREngine::kFonts);
    if (engine.timelineCount > 0 && (named & ~engine.namedParts) == 0) return;
    engine.namedParts |= named;

    engine.categories = ZRNameTable(8);
    size_t slot = 0;
    engine.categories.set(slot++, "Import");
    engine.categories.set(slot++, "Export");
    if (engine.namedParts & ZREngine::kTransitions) engine.categories.set(slot++, "Transition");
    if (engine.namedParts & ZREngine::kVideoEffects) engine.categories.set(slot++, "Video Effect");
    if (engine.namedParts & ZREngine::kFonts) {
        engine.categories.set(slot++, "Font");
        engine.categories.set(slot++, "2D-Text");
        engine.categories.set(slot++, "Solid Color");
    }
}
