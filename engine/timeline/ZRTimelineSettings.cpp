// The timeline's settings by key name. Keys compare without regard to case; every operation
// answers false for a key it does not serve or a value out of range, and then changes nothing.
#include "ZRTimeline.h"

#include "api/ZRFont.h"
#include "fonts/ZRProcessFont.h"
#include "objects/ZRObject.h"
#include "timeline/ZREngine.h"

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

bool is(const char* key, const char* name) {
    return key && qstricmp(key, name) == 0;
}
bool validChannel(long long channel) {
    return channel >= 1 && channel <= ZRTrackList::kChannels;
}

} // namespace

bool ZRTimeline::getIntSetting(const char* key, int* out) {
    if (!out) return false;
    if (is(key, "Audio Resampling Quality"))
        *out = m_audioResamplingQuality;
    else if (is(key, "Language"))
        *out = zrEngine().language;
    else if (is(key, "Enable Background Rendering"))
        *out = backgroundRenderingEnabled();
    else if (is(key, "Pause Background Rendering"))
        *out = rendererPaused();
    else if (is(key, "Force Background Rendering Video Format"))
        *out = m_forcedRenderFormat;
    else if (is(key, "Enhanced BRIVA Audio Handling"))
        *out = m_enhancedAudioHandling;
    else if (is(key, "Auto insert editing"))
        *out = m_autoInsertEditing;
    else
        return false;
    return true;
}

bool ZRTimeline::setIntSetting(const char* key, intptr_t value) {
    if (is(key, "Audio Resampling Quality")) {
        m_audioResamplingQuality = int(value);
    } else if (is(key, "Language")) {
        zrEngine().language = int(value);
    } else if (is(key, "Preview Mode")) {
        m_previewMode = value != 0;
    } else if (is(key, "Enable Background Rendering")) {
        setRendererEnabled(value != 0);
    } else if (is(key, "Pause Background Rendering")) {
        if (value == 1)
            ++m_pauseCounter;
        else if (m_pauseCounter > 0)
            --m_pauseCounter;
        if (backgroundRenderingEnabled()) {
            if (m_pauseCounter > 0 && !rendererPaused())
                suspendRenderer();
            else if (m_pauseCounter == 0 && rendererPaused())
                resumeRenderer();
        }
    } else if (is(key, "Reset Background Rendering")) {
        m_pauseCounter = 0;
    } else if (is(key, "Force Background Rendering Video Format")) {
        m_forcedRenderFormat = int(value);
    } else if (is(key, "Temporary Directory")) {
        // The folder's text passed as the number. No text lies in the first 64 KiB, which
        // Linux never maps: small numbers are refused rather than read.
        if (value >= 0 && value < 0x10000) return false;
        return setTemporaryFolder(reinterpret_cast<const char*>(value));
    } else if (is(key, "Lock Text Renderer")) {
        lockTextRenderer(value == 1);
    } else if (is(key, "Enhanced BRIVA Audio Handling")) {
        m_enhancedAudioHandling = value != 0;
    } else if (is(key, "Auto insert editing")) {
        m_autoInsertEditing = value != 0;
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::getDoubleSetting(const char* key, double* out) {
    if (!out) return false;
    if (is(key, "Version"))
        *out = 4.04;
    else if (is(key, "Framerate"))
        *out = ZRPos::defaultFrameRate();
    else
        return false;
    return true;
}

bool ZRTimeline::setDoubleSetting(const char* key, double value) {
    if (!is(key, "Framerate")) return false;
    if (!(value > 0) || !std::isfinite(value)) return false;
    setFrameRate(value);
    return true;
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

bool ZRTimeline::getIndexedDoubleSetting(const char* key, int* index, double* out) {
    if (!index || !out) return false;
    if (is(key, "Track Audio Level")) {
        ZRTrackList* list = m_tracks.settingsList(*index);
        if (!list) return false;
        *out = list->level;
    } else if (is(key, "MasterChannel Audio Level") || is(key, "MasterChannel Audio Panning")) {
        if (!validChannel(*index)) return false;
        const auto& values = is(key, "MasterChannel Audio Level") ? m_masterLevel : m_masterPanning;
        *out = values[size_t(*index - 1)];
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::setIndexedDoubleSetting(const char* key, int index, double value) {
    if (is(key, "Track Audio Level")) {
        ZRTrackList* list = m_tracks.settingsList(index);
        if (!list) return false;
        list->level = value;
    } else if (is(key, "MasterChannel Audio Level") || is(key, "MasterChannel Audio Panning")) {
        if (!validChannel(index)) return false;
        auto& values = is(key, "MasterChannel Audio Level") ? m_masterLevel : m_masterPanning;
        values[size_t(index - 1)] = value;
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::getTrackChannelDoubleSetting(const char* key, int* track, unsigned* channel,
                                              double* out) {
    if (!track || !channel || !out) return false;
    const bool level = is(key, "Channel Audio Level");
    if (!level && !is(key, "Channel Audio Panning")) return false;
    if (!validChannel(*channel)) return false;
    ZRTrackList* list = m_tracks.settingsList(*track);
    if (!list) return false;
    *out = (level ? list->channelLevel : list->channelPanning)[*channel - 1];
    return true;
}

bool ZRTimeline::setTrackChannelDoubleSetting(const char* key, int track, unsigned channel,
                                              double value) {
    const bool level = is(key, "Channel Audio Level");
    if (!level && !is(key, "Channel Audio Panning")) return false;
    if (!validChannel(channel)) return false;
    if (!level && !(value >= -1.0 && value <= 1.0)) return false;
    ZRTrackList* list = m_tracks.settingsList(track);
    if (!list) return false;
    (level ? list->channelLevel : list->channelPanning)[channel - 1] = value;
    return true;
}

bool ZRTimeline::getIntPairSetting(const char* key, int* a, int* b) {
    if (!a || !b) return false;
    if (is(key, "Video Dimensions")) {
        *a = m_videoWidth;
        *b = m_videoHeight;
    } else if (is(key, "Mute Track")) {
        ZRTrackList* list = m_tracks.settingsList(*a);
        if (!list) return false;
        *b = list->mute;
    } else if (is(key, "Mute MasterChannel") || is(key, "Invert MasterChannel")) {
        if (!validChannel(*a)) return false;
        *b = (is(key, "Mute MasterChannel") ? m_masterMute : m_masterInvert)[size_t(*a - 1)];
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::setIntPairSetting(const char* key, int a, int b) {
    if (is(key, "Video Dimensions")) {
        if (a < 0 || b < 0 || a > 16384 || b > 16384) return false;
        setVideoDimensions(a, b);
    } else if (is(key, "Mute Track")) {
        ZRTrackList* list = m_tracks.settingsList(a);
        if (!list) return false;
        list->mute = b != 0;
    } else if (is(key, "Mute MasterChannel") || is(key, "Invert MasterChannel")) {
        if (!validChannel(a)) return false;
        (is(key, "Mute MasterChannel") ? m_masterMute : m_masterInvert)[size_t(a - 1)] = b != 0;
    } else {
        return false;
    }
    return true;
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
        rescaleTitles(m_videoWidth, width);
        m_videoWidth = width;
        m_videoHeight = height;
        m_compositor.resize(width, height);
    }
    // Stored frames have the old size.
    forgetRenderedFrames();
    resumeRenderer();
}

bool ZRTimeline::getIntTripleSetting(const char* key, int* a, int* b, int* c) {
    if (!a || !b || !c) return false;
    if (is(key, "Audio Settings")) {
        *a = m_sampleRate;
        *b = m_bitsPerSample;
        *c = m_channels;
    } else if (is(key, "Background Color")) {
        *a = m_backgroundColor[0];
        *b = m_backgroundColor[1];
        *c = m_backgroundColor[2];
    } else if (is(key, "Mute Channel") || is(key, "Invert Channel")) {
        if (!validChannel(*b)) return false;
        ZRTrackList* list = m_tracks.settingsList(*a);
        if (!list) return false;
        *c = (is(key, "Mute Channel") ? list->channelMute : list->channelInvert)[size_t(*b - 1)];
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::setIntTripleSetting(const char* key, int a, int b, int c) {
    if (is(key, "Audio Settings")) {
        m_sampleRate = a;
        m_bitsPerSample = b;
        m_channels = c;
    } else if (is(key, "Background Color")) {
        m_backgroundColor[0] = a;
        m_backgroundColor[1] = b;
        m_backgroundColor[2] = c;
    } else if (is(key, "Mute Channel") || is(key, "Invert Channel")) {
        if (!validChannel(b)) return false;
        ZRTrackList* list = m_tracks.settingsList(a);
        if (!list) return false;
        (is(key, "Mute Channel") ? list->channelMute : list->channelInvert)[size_t(b - 1)] = c != 0;
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::getStringSetting(const char* key, char** out) {
    if (!out) return false;
    if (is(key, "Export Filename")) {
        // The whole name, in a buffer of its own (at least 256 bytes, which the host may write).
        *out = m_export.fileName.data();
    } else if (is(key, "Temporary Directory")) {
        m_tempFolderText = m_tempFiles.folder().toLocal8Bit();
        *out = m_tempFolderText.data();
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::setStringSetting(const char* key, const char* value) {
    if (!value) return false;
    if (is(key, "FadeCharacteristics SetType")) {
        if (qstricmp(value, "Linear") == 0)
            m_fadeCurve.setLinear();
        else if (qstricmp(value, "Sine") == 0)
            m_fadeCurve.setSine();
        else
            return false;
    } else if (is(key, "Export Filename")) {
        m_export.fileName = value;
    } else if (is(key, "Temporary Directory")) {
        return setTemporaryFolder(value);
    } else {
        return false;
    }
    return true;
}

bool ZRTimeline::getUnicodeStringSetting(const char*, const char16_t**) {
    return false;
}
bool ZRTimeline::setUnicodeStringSetting(const char*, const char16_t*) {
    return false;
}

bool ZRTimeline::addFadePoint(const char* key, double x, double y) {
    if (!is(key, "FadeCharacteristics AddPoint")) return false;
    if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) return false;
    return m_fadeCurve.addPoint(int(x * 1000), int(y * 1000));
}

bool ZRTimeline::getFadeFactor(const char* key, double* x, double* levelFrom, double* levelTo,
                               double* out) {
    if (!is(key, "FadeCharacteristics GetFactor") || !x || !levelFrom || !levelTo || !out)
        return false;
    if (!(*x >= 0.0 && *x <= 1.0)) return false;
    const int64_t gain =
        m_fadeCurve.levelAt(int64_t(*x * 1000000), 0, 1000000, *levelFrom, *levelTo);
    *out = double(gain) * 0.001;
    return true;
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

void ZRTimeline::lockTextRenderer(bool lock) {
    ZRFont* font = zrProcessFont();
    if (!font) return;
    if (lock)
        font->lock();
    else
        font->unlock();
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
