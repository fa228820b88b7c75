// The timeline's settings by key name: one key table per kind of value, each row naming what
// answers a get and what serves a set of its key. Keys compare without regard to case; every
// operation answers false for a key it does not serve or a value out of range, and then
// changes nothing.
#include "engine/timeline/ZRTimeline.h"

#include "engine/api/ZRFont.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/objects/ZRObject.h"
#include "engine/process/ZREngine.h"

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

bool validChannel(long long channel) {
    return channel >= 1 && channel <= ZRTrackList::kChannels;
}

using Values = ZRTimelineSettingValues;
using Audio = ZRAudioSettings;
using Channels = std::array<bool, ZRTrackList::kChannels>;
using Levels = std::array<double, ZRTrackList::kChannels>;

} // namespace

struct ZRTimeline::SettingKeys {
    using T = ZRTimeline;
    using IntKey = ZRSettingKey<bool (*)(T&, int*), bool (*)(T&, intptr_t)>;
    using DoubleKey = ZRSettingKey<bool (*)(T&, double*), bool (*)(T&, double)>;
    using IndexedKey = ZRSettingKey<bool (*)(T&, int, double*), bool (*)(T&, int, double)>;
    using PairKey = ZRSettingKey<bool (*)(T&, int*, int*), bool (*)(T&, int, int)>;
    using TripleKey = ZRSettingKey<bool (*)(T&, int*, int*, int*), bool (*)(T&, int, int, int)>;
    using StringKey = ZRSettingKey<bool (*)(T&, char**), bool (*)(T&, const char*)>;
    /// A per-channel value of an audio track; panning lies in -1..1.
    struct TrackChannelKey {
        const char* name;
        Levels ZRTrackList::*values;
        bool panning;
    };

    // A master channel's value (1-based channel), read or written under the mix mutex.
    template <class Array>
    static bool getMaster(T& t, Array Audio::*values, int channel,
                          typename Array::value_type* out) {
        if (!validChannel(channel)) return false;
        *out = t.m_audio.settings().read(
            [&](const Audio& a) { return (a.*values)[size_t(channel - 1)]; });
        return true;
    }
    template <class Array>
    static bool setMaster(T& t, Array Audio::*values, int channel,
                          typename Array::value_type value) {
        if (!validChannel(channel)) return false;
        t.m_audio.settings().change([&](Audio& a) { (a.*values)[size_t(channel - 1)] = value; });
        return true;
    }
    // A track channel's switch ("Mute Channel", "Invert Channel").
    static bool getTrackSwitch(T& t, Channels ZRTrackList::*values, int track, int channel,
                               int* out) {
        if (!validChannel(channel)) return false;
        ZRTrackList* list = t.m_tracks.settingsList(track);
        if (!list) return false;
        std::lock_guard trackLock(*list);
        *out = (list->*values)[size_t(channel - 1)];
        return true;
    }
    static bool setTrackSwitch(T& t, Channels ZRTrackList::*values, int track, int channel,
                               int value) {
        if (!validChannel(channel)) return false;
        ZRTrackList* list = t.m_tracks.settingsList(track);
        if (!list) return false;
        std::lock_guard trackLock(*list);
        (list->*values)[size_t(channel - 1)] = value != 0;
        return true;
    }
    template <class F> static bool setValue(T& t, F f) {
        t.m_settings.change(f);
        return true;
    }
    template <class F> static bool setAudio(T& t, F f) {
        t.m_audio.settings().change(f);
        return true;
    }

    static constexpr IntKey kInts[] = {
        {"Audio Resampling Quality",
         [](T& t, int* out) {
             *out = t.m_audio.settings().read([](const Audio& a) { return a.resamplingQuality; });
             return true;
         },
         [](T& t, intptr_t value) {
             return setAudio(t, [value](Audio& a) { a.resamplingQuality = int(value); });
         }},
        {"Language",
         [](T& t, int* out) {
             *out = t.engineTables().language;
             return true;
         },
         [](T& t, intptr_t value) {
             t.engineTables().language = int(value);
             return true;
         }},
        {"Preview Mode", nullptr,
         [](T& t, intptr_t value) {
             return setValue(t, [value](Values& v) { v.previewMode = value != 0; });
         }},
        {"Enable Background Rendering",
         [](T& t, int* out) {
             *out = t.backgroundRenderingEnabled();
             return true;
         },
         [](T& t, intptr_t value) {
             t.setRendererEnabled(value != 0);
             return true;
         }},
        {"Pause Background Rendering",
         [](T& t, int* out) {
             *out = t.rendererPaused();
             return true;
         },
         [](T& t, intptr_t value) {
             t.pauseRenderer(value == 1);
             return true;
         }},
        {"Reset Background Rendering", nullptr,
         [](T& t, intptr_t) { return setValue(t, [](Values& v) { v.pauseCounter = 0; }); }},
        {"Force Background Rendering Video Format",
         [](T& t, int* out) {
             *out = t.m_settings.forcedRenderFormat;
             return true;
         },
         [](T& t, intptr_t value) {
             t.m_settings.forcedRenderFormat = int(value);
             return true;
         }},
        // The folder's text passed as the number. No text lies in the first 64 KiB, which Linux
        // never maps: small numbers are refused rather than read.
        {"Temporary Directory", nullptr,
         [](T& t, intptr_t value) {
             if (value >= 0 && value < 0x10000) return false;
             return t.setTemporaryFolder(reinterpret_cast<const char*>(value));
         }},
        {"Lock Text Renderer", nullptr,
         [](T& t, intptr_t value) {
             t.lockTextRenderer(value == 1);
             return true;
         }},
        {"Enhanced BRIVA Audio Handling",
         [](T& t, int* out) {
             *out = t.m_audio.settings().read([](const Audio& a) { return a.enhanced; });
             return true;
         },
         [](T& t, intptr_t value) {
             return setAudio(t, [value](Audio& a) { a.enhanced = value != 0; });
         }},
        {"Auto insert editing",
         [](T& t, int* out) {
             *out = t.autoInsertEditing();
             return true;
         },
         [](T& t, intptr_t value) {
             return setValue(t, [value](Values& v) { v.autoInsertEditing = value != 0; });
         }},
    };

    static constexpr DoubleKey kDoubles[] = {
        {"Version",
         [](T&, double* out) {
             *out = 4.04;
             return true;
         },
         nullptr},
        {"Framerate",
         [](T&, double* out) {
             *out = ZRPos::defaultFrameRate();
             return true;
         },
         [](T& t, double value) {
             if (!(value > 0) || !std::isfinite(value)) return false;
             t.setFrameRate(value);
             return true;
         }},
    };

    static constexpr IndexedKey kIndexed[] = {
        {"Track Audio Level",
         [](T& t, int track, double* out) {
             ZRTrackList* list = t.m_tracks.settingsList(track);
             if (!list) return false;
             std::lock_guard trackLock(*list);
             *out = list->level;
             return true;
         },
         [](T& t, int track, double value) {
             ZRTrackList* list = t.m_tracks.settingsList(track);
             if (!list) return false;
             std::lock_guard trackLock(*list);
             list->level = value;
             return true;
         }},
        {"MasterChannel Audio Level",
         [](T& t, int channel, double* out) {
             return getMaster(t, &Audio::masterLevel, channel, out);
         },
         [](T& t, int channel, double value) {
             return setMaster(t, &Audio::masterLevel, channel, value);
         }},
        {"MasterChannel Audio Panning",
         [](T& t, int channel, double* out) {
             return getMaster(t, &Audio::masterPanning, channel, out);
         },
         [](T& t, int channel, double value) {
             return setMaster(t, &Audio::masterPanning, channel, value);
         }},
    };

    static constexpr TrackChannelKey kTrackChannels[] = {
        {"Channel Audio Level", &ZRTrackList::channelLevel, false},
        {"Channel Audio Panning", &ZRTrackList::channelPanning, true},
    };

    static constexpr PairKey kPairs[] = {
        {"Video Dimensions",
         [](T& t, int* a, int* b) {
             t.videoDimensions(a, b);
             return true;
         },
         [](T& t, int a, int b) {
             if (a < 0 || b < 0 || a > 16384 || b > 16384) return false;
             t.setVideoDimensions(a, b);
             return true;
         }},
        {"Mute Track",
         [](T& t, int* a, int* b) {
             ZRTrackList* list = t.m_tracks.settingsList(*a);
             if (!list) return false;
             std::lock_guard trackLock(*list);
             *b = list->mute;
             return true;
         },
         [](T& t, int a, int b) {
             ZRTrackList* list = t.m_tracks.settingsList(a);
             if (!list) return false;
             std::lock_guard trackLock(*list);
             list->mute = b != 0;
             return true;
         }},
        {"Mute MasterChannel",
         [](T& t, int* a, int* b) {
             bool muted = false;
             if (!getMaster(t, &Audio::masterMute, *a, &muted)) return false;
             *b = muted;
             return true;
         },
         [](T& t, int a, int b) { return setMaster(t, &Audio::masterMute, a, b != 0); }},
        {"Invert MasterChannel",
         [](T& t, int* a, int* b) {
             bool inverted = false;
             if (!getMaster(t, &Audio::masterInvert, *a, &inverted)) return false;
             *b = inverted;
             return true;
         },
         [](T& t, int a, int b) { return setMaster(t, &Audio::masterInvert, a, b != 0); }},
    };

    static constexpr TripleKey kTriples[] = {
        {"Audio Settings",
         [](T& t, int* a, int* b, int* c) {
             t.m_audio.settings().read([&](const Audio& audio) {
                 *a = audio.sampleRate;
                 *b = audio.bitsPerSample;
                 *c = audio.channels;
             });
             return true;
         },
         [](T& t, int a, int b, int c) {
             return setAudio(t, [&](Audio& audio) {
                 audio.sampleRate = a;
                 audio.bitsPerSample = b;
                 audio.channels = c;
             });
         }},
        {"Background Color",
         [](T& t, int* a, int* b, int* c) {
             t.backgroundColor(a, b, c);
             return true;
         },
         [](T& t, int a, int b, int c) {
             return setValue(t, [&](Values& v) {
                 v.backgroundColor[0] = a;
                 v.backgroundColor[1] = b;
                 v.backgroundColor[2] = c;
             });
         }},
        {"Mute Channel",
         [](T& t, int* a, int* b, int* c) {
             return getTrackSwitch(t, &ZRTrackList::channelMute, *a, *b, c);
         },
         [](T& t, int a, int b, int c) {
             return setTrackSwitch(t, &ZRTrackList::channelMute, a, b, c);
         }},
        {"Invert Channel",
         [](T& t, int* a, int* b, int* c) {
             return getTrackSwitch(t, &ZRTrackList::channelInvert, *a, *b, c);
         },
         [](T& t, int a, int b, int c) {
             return setTrackSwitch(t, &ZRTrackList::channelInvert, a, b, c);
         }},
    };

    static constexpr StringKey kStrings[] = {
        {"FadeCharacteristics SetType", nullptr,
         [](T& t, const char* value) {
             return t.m_settings.change([value](Values& v) {
                 if (qstricmp(value, "Linear") == 0)
                     v.fadeCurve.setLinear();
                 else if (qstricmp(value, "Sine") == 0)
                     v.fadeCurve.setSine();
                 else
                     return false;
                 return true;
             });
         }},
        // The whole name, in a buffer of its own (at least 256 bytes, which the host may write).
        {"Export Filename",
         [](T& t, char** out) {
             *out = t.m_export.fileName.data();
             return true;
         },
         [](T& t, const char* value) {
             t.m_export.fileName = value;
             return true;
         }},
        {"Temporary Directory",
         [](T& t, char** out) {
             t.m_settings.temporaryFolderText = t.m_tempFiles.folder().toLocal8Bit();
             *out = t.m_settings.temporaryFolderText.data();
             return true;
         },
         [](T& t, const char* value) { return t.setTemporaryFolder(value); }},
    };
};

bool ZRTimeline::getIntSetting(const char* key, int* out) {
    const auto* row = zrFindSetting(SettingKeys::kInts, key);
    return out && row && row->get && row->get(*this, out);
}

bool ZRTimeline::setIntSetting(const char* key, intptr_t value) {
    const auto* row = zrFindSetting(SettingKeys::kInts, key);
    return row && row->set && row->set(*this, value);
}

bool ZRTimeline::getDoubleSetting(const char* key, double* out) {
    const auto* row = zrFindSetting(SettingKeys::kDoubles, key);
    return out && row && row->get && row->get(*this, out);
}

bool ZRTimeline::setDoubleSetting(const char* key, double value) {
    const auto* row = zrFindSetting(SettingKeys::kDoubles, key);
    return row && row->set && row->set(*this, value);
}

bool ZRTimeline::getIndexedDoubleSetting(const char* key, int* index, double* out) {
    const auto* row = zrFindSetting(SettingKeys::kIndexed, key);
    return index && out && row && row->get(*this, *index, out);
}

bool ZRTimeline::setIndexedDoubleSetting(const char* key, int index, double value) {
    const auto* row = zrFindSetting(SettingKeys::kIndexed, key);
    return row && row->set(*this, index, value);
}

bool ZRTimeline::getTrackChannelDoubleSetting(const char* key, int* track, unsigned* channel,
                                              double* out) {
    if (!track || !channel || !out) return false;
    const auto* row = zrFindSetting(SettingKeys::kTrackChannels, key);
    if (!row || !validChannel(*channel)) return false;
    ZRTrackList* list = m_tracks.settingsList(*track);
    if (!list) return false;
    std::lock_guard trackLock(*list);
    *out = (list->*row->values)[*channel - 1];
    return true;
}

bool ZRTimeline::setTrackChannelDoubleSetting(const char* key, int track, unsigned channel,
                                              double value) {
    const auto* row = zrFindSetting(SettingKeys::kTrackChannels, key);
    if (!row || !validChannel(channel)) return false;
    if (row->panning && !(value >= -1.0 && value <= 1.0)) return false;
    ZRTrackList* list = m_tracks.settingsList(track);
    if (!list) return false;
    std::lock_guard trackLock(*list);
    (list->*row->values)[channel - 1] = value;
    return true;
}

bool ZRTimeline::getIntPairSetting(const char* key, int* a, int* b) {
    const auto* row = zrFindSetting(SettingKeys::kPairs, key);
    return a && b && row && row->get(*this, a, b);
}

bool ZRTimeline::setIntPairSetting(const char* key, int a, int b) {
    const auto* row = zrFindSetting(SettingKeys::kPairs, key);
    return row && row->set(*this, a, b);
}

bool ZRTimeline::getIntTripleSetting(const char* key, int* a, int* b, int* c) {
    const auto* row = zrFindSetting(SettingKeys::kTriples, key);
    return a && b && c && row && row->get(*this, a, b, c);
}

bool ZRTimeline::setIntTripleSetting(const char* key, int a, int b, int c) {
    const auto* row = zrFindSetting(SettingKeys::kTriples, key);
    return row && row->set(*this, a, b, c);
}

bool ZRTimeline::getStringSetting(const char* key, char** out) {
    const auto* row = zrFindSetting(SettingKeys::kStrings, key);
    return out && row && row->get && row->get(*this, out);
}

bool ZRTimeline::setStringSetting(const char* key, const char* value) {
    const auto* row = zrFindSetting(SettingKeys::kStrings, key);
    return value && row && row->set && row->set(*this, value);
}

bool ZRTimeline::getUnicodeStringSetting(const char*, const char16_t**) {
    return false;
}
bool ZRTimeline::setUnicodeStringSetting(const char*, const char16_t*) {
    return false;
}

bool ZRTimeline::addFadePoint(const char* key, double x, double y) {
    if (!key || qstricmp(key, "FadeCharacteristics AddPoint") != 0) return false;
    if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) return false;
    return m_settings.change(
        [x, y](Values& v) { return v.fadeCurve.addPoint(int(x * 1000), int(y * 1000)); });
}

bool ZRTimeline::getFadeFactor(const char* key, double* x, double* levelFrom, double* levelTo,
                               double* out) {
    if (!key || qstricmp(key, "FadeCharacteristics GetFactor") != 0 || !x || !levelFrom ||
        !levelTo || !out)
        return false;
    if (!(*x >= 0.0 && *x <= 1.0)) return false;
    const int64_t gain = m_settings.read([&](const Values& v) {
        return v.fadeCurve.levelAt(int64_t(*x * 1000000), 0, 1000000, *levelFrom, *levelTo);
    });
    *out = double(gain) * 0.001;
    return true;
}

// "Pause Background Rendering" nests: 1 pauses once more, anything else undoes one pause.
void ZRTimeline::pauseRenderer(bool pause) {
    const int pauses = m_settings.change([pause](Values& v) {
        if (pause)
            ++v.pauseCounter;
        else if (v.pauseCounter > 0)
            --v.pauseCounter;
        return v.pauseCounter;
    });
    if (!backgroundRenderingEnabled()) return;
    if (pauses > 0 && !rendererPaused())
        suspendRenderer();
    else if (pauses == 0 && rendererPaused())
        resumeRenderer();
}

// Every position and object made here keeps its time in the new rate. Frames read the objects'
// positions: they change with the renderer held and no frame being composed. Stored frames are
// keyed by their position at the old rate: all of them are forgotten.
void ZRTimeline::setFrameRate(double rate) {
    suspendRenderer();
    {
        std::lock_guard renderLock(renderMutex());
        std::lock_guard timelineLock(m_tracks.mutex());
        ZRPos::setDefaultFrameRate(rate);
        m_frameRate = rate;
        m_registries.positions.forEach([rate](ZRPos* pos) { pos->changeFramerate(rate); });
        m_registries.objects.forEach([rate](IZRObject* object) {
            for (IZRPos* pos :
                 {object->startPos(), object->endPos(), object->duration(), object->markIn(),
                  object->markOut(), object->sourceLength(), object->currentPos()})
                pos->changeFramerate(rate);
        });
    }
    forgetRenderedFrames();
    resumeRenderer();
}

// The three buffers are replaced while no `videoAt` runs on any thread: the background renderer
// is held after its frame in flight, a caller still holding the frame buffer is waited for, and
// the render mutex keeps every other composer out.
void ZRTimeline::setVideoDimensions(int width, int height) {
    suspendRenderer();
    {
        std::lock_guard frameLock(*m_compositor.buffer(0));
        std::lock_guard renderLock(renderMutex());
        // Titles keep their size relative to the frame; there is nothing to scale from before
        // the first width is known.
        rescaleTitles(videoWidth(), width);
        m_settings.change([width, height](Values& v) {
            v.videoWidth = width;
            v.videoHeight = height;
        });
        m_compositor.resize(width, height);
    }
    // Stored frames have the old size.
    forgetRenderedFrames();
    resumeRenderer();
}

// The stored frames lie in the old folder: they are forgotten, with the renderer held, before the
// store moves.
bool ZRTimeline::setTemporaryFolder(const char* folder) {
    if (!folder || !*folder) return false;
    suspendRenderer();
    m_worker.clearFrames();
    m_tempFiles.setFolder(QString::fromLocal8Bit(folder));
    resumeRenderer();
    return true;
}

// The font's lock comes after the render mutex (ZRTimeline.h). A host holding only the font
// would take the render mutex inside it with its next title setting, while a composer holding
// the render mutex waits for the font: both are taken here, in their order.
void ZRTimeline::lockTextRenderer(bool lock) {
    ZRFont* font = zrProcessFont();
    if (!font) return;
    if (lock) {
        renderMutex().lock();
        font->lock();
        ++m_textRendererHolds;
        return;
    }
    if (m_textRendererHolds == 0) return; // an unlock without a lock unlocks nothing
    --m_textRendererHolds;
    font->unlock();
    renderMutex().unlock();
}

// Under the render mutex: titles' font data is what frames read.
void ZRTimeline::rescaleTitles(int oldWidth, int newWidth) {
    if (oldWidth <= 0 || newWidth <= 0 || oldWidth == newWidth) return;
    m_registries.objects.forEach([oldWidth, newWidth](IZRObject* item) {
        auto* object = static_cast<ZRObject*>(item);
        if (object->trackIndex(true) < 0 || !object->fontData()) return;
        object->fontData()->sizeRatio *= double(newWidth) / oldWidth;
        object->remeasureText();
    });
}
