#pragma once

#include "timeline/ZRFadeCurve.h"

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <mutex>

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
/// Thread-safety: the settings mutex guards the values; it is a leaf among the engine's locks,
/// held only inside `read` and `change`, whose functions take no other lock. The forced
/// render format is atomic.
class ZRSettingsTable {
public:
    /// Calls `f(const ZRTimelineSettingValues&)` under the settings mutex; answers its result.
    template <class F> auto read(F f) const {
        std::lock_guard lock(m_mutex);
        return f(static_cast<const ZRTimelineSettingValues&>(m_values));
    }
    /// Calls `f(ZRTimelineSettingValues&)` under the settings mutex; answers its result.
    template <class F> auto change(F f) {
        std::lock_guard lock(m_mutex);
        return f(m_values);
    }

    /// "Force Background Rendering Video Format"; read by the background renderer.
    std::atomic<int> forcedRenderFormat{0};
    /// What a get of "Temporary Directory" answered last (the host's thread only).
    QByteArray temporaryFolderText;

private:
    mutable std::mutex m_mutex;
    ZRTimelineSettingValues m_values;
};
