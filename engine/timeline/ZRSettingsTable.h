#pragma once

#include "engine/timeline/ZRFadeCurve.h"
#include "engine/timeline/ZRGuardedValues.h"

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <cstddef>

/// One row of a settings key table: the key, what answers a get of it and what serves a set
/// (null where the key serves only one way).
template <class Get, class Set> struct ZRSettingKey {
    const char* name;
    Get get;
    Set set;
};

/// The row of `table` whose key is `key` without regard to case, or null (also for a null key).
template <class Row, size_t N> const Row* zrFindSetting(const Row (&table)[N], const char* key) {
    if (!key) return nullptr;
    for (const Row& row : table) {
        if (qstricmp(key, row.name) == 0) return &row;
    }
    return nullptr;
}

/// The timeline's own setting values: those that no other component of it keeps (the audio
/// settings are the audio mix's, the tracks' mix values their lists').
struct ZRTimelineSettingValues {
    /// "Background Color", in the order it was given.
    int backgroundColor[3] = {255, 255, 255};
    /// "Video Dimensions": 0 x 0 until the host sets them.
    int videoWidth = 0;
    int videoHeight = 0;
    bool previewMode = false;
    bool autoInsertEditing = true;
    /// Nesting of "Pause Background Rendering".
    int pauseCounter = 0;
    ZRFadeCurve fadeCurve;
};

/// The timeline's settings values and the text it hands out for "Temporary Directory".
/// Thread-safety: the settings mutex (a leaf, see `ZRGuardedValues`) guards the values; the
/// forced render format is atomic.
class ZRSettingsTable : public ZRGuardedValues<ZRTimelineSettingValues> {
public:
    /// "Force Background Rendering Video Format"; read by the background renderer.
    std::atomic<int> forcedRenderFormat{0};
    /// What a get of "Temporary Directory" answered last (the host's thread only).
    QByteArray temporaryFolderText;
};
