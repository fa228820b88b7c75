#pragma once

#include "engine/base/ZRNameTable.h"
#include "engine/fonts/ZRFontEntry.h"
#include "engine/util/ZRStringMap.h"

#include <memory>

/// State shared by every timeline of the process. The first timeline's construction fills it,
/// a later one adds the parts its flags ask for that are not there yet, and the last one's
/// destruction frees the tables; between those it is only read, without a lock. Timelines are
/// made and destroyed on one thread.
struct ZREngine {
    /// The parts set up so far, and those named in the categories, by the flags of the
    /// timelines made.
    static constexpr unsigned kFonts = 1, kTransitions = 2, kVideoEffects = 4;
    unsigned parts = 0;
    unsigned namedParts = 0;
    int timelineCount = 0;
    /// The interface language handed to plug-in modules (the setting "Language").
    int language = 0;
    /// Font face name -> the file that holds it; made by the first timeline, destroyed by
    /// `IZRDeleteTimelineInstance` after each timeline it deletes.
    std::unique_ptr<ZRStringMap<ZRFontEntry>> fontRegistry;
    std::unique_ptr<ZRFontEntry> defaultFont;

    ZRNameTable categories;
    ZRNameTable importKinds;
    ZRNameTable exportKinds;
    ZRNameTable fontKinds;
    ZRNameTable fontNames;
    ZRNameTable transitionNames;
    ZRNameTable videoEffectNames;
    ZRNameTable engineNames;

    /// Frees every table (the font registry stays).
    void freeTables();
};

/// The process's one engine state.
ZREngine& zrEngine();

/// The built-in import kinds that fill the first eight slots of the import kind table.
inline constexpr const char* kBuiltinImportKinds[] = {
    "AVI-DV 64bit", "Marvesto Modules", "Video for Windows",     "DirectShow",
    "MPEG",         "AVI Multifile",    "External Video Object", "GFL"};
