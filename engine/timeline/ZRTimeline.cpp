#include "engine/timeline/ZRTimeline.h"

#include "common/config/QConfig.h"
#include "engine/api/ZRExportSession.h"
#include "engine/process/ZREngine.h"
#include "engine/script/ZRScriptFrontEnd.h"
#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFile>

#include <cstdarg>
#include <cstdio>
#include <new>
#include <vector>

ZRTimeline::ZRTimeline(IZRCallbacks* callbacks, const char* baseFolder, unsigned flags)
    : m_flags(flags) {
    m_host = ZRHostCallbacks(callbacks);
    if (m_host.has(&IZRCallbacks::message)) m_moduleManager.setMessage(callbacks->message);
    if (baseFolder) {
        m_baseFolder = baseFolder;
        // Every timeline's base folder ends in a separator, not only the first one's.
        const char last = m_baseFolder.empty() ? '/' : m_baseFolder.back();
        if (last != '/' && last != '\\') m_baseFolder += '/';
    }
    initialiseEngine();
    ++zrEngine().timelineCount;
    m_frameRate = ZRPos::defaultFrameRate();
    openLog();
}

ZRTimeline::~ZRTimeline() {
    // The renderer reads the tracks and objects destroyed below.
    m_worker.stop();
    // A host that still holds the text renderer gives up nothing else: what it took goes here.
    while (m_textRendererHolds > 0)
        lockTextRenderer(false);
    zrscript::forgetTimeline(this);
    for (IZRObject* object : takeTrackObjects())
        destroyObject(object);
    while (IZRObject* object = m_registries.objects.first())
        destroyObject(object);
    while (ZRGuardedList* list = m_registries.lists.first())
        destroyList(list);
    while (ZREffect* effect = m_registries.effects.first())
        destroyEffect(effect);
    while (ZRPos* pos = m_registries.positions.first())
        destroyPos(pos);
    while (ZRImage* image = m_registries.images.first())
        destroyImage(image);
    if (--zrEngine().timelineCount == 0) zrEngine().freeTables();
}

// The log is a configuration file kept in the per-user state folder; nothing is written to it.
void ZRTimeline::openLog() {
    m_logPath = platform::stateFolder() + "/kernel.log";
    m_log = std::make_unique<QConfig>(m_logPath);
}

QString ZRTimeline::dataFolder() const {
    if (!m_baseFolder.empty()) return QString::fromUtf8(m_baseFolder.c_str());
    static const int anchor = 0;
    return platform::folderOfAddress(&anchor);
}

void ZRTimeline::backgroundColor(int* first, int* second, int* third) const {
    m_settings.read([&](const ZRTimelineSettingValues& values) {
        *first = values.backgroundColor[0];
        *second = values.backgroundColor[1];
        *third = values.backgroundColor[2];
    });
}

void ZRTimeline::videoDimensions(int* width, int* height) const {
    m_settings.read([&](const ZRTimelineSettingValues& values) {
        *width = values.videoWidth;
        *height = values.videoHeight;
    });
}

int ZRTimeline::videoWidth() const {
    return m_settings.read([](const ZRTimelineSettingValues& values) { return values.videoWidth; });
}

int ZRTimeline::videoHeight() const {
    return m_settings.read(
        [](const ZRTimelineSettingValues& values) { return values.videoHeight; });
}

int ZRTimeline::sampleRate() const {
    return m_audio.settings().read([](const ZRAudioSettings& audio) { return audio.sampleRate; });
}

int ZRTimeline::bitsPerSample() const {
    return m_audio.settings().read(
        [](const ZRAudioSettings& audio) { return audio.bitsPerSample; });
}

int ZRTimeline::channels() const {
    return m_audio.settings().read([](const ZRAudioSettings& audio) { return audio.channels; });
}

bool ZRTimeline::autoInsertEditing() const {
    return m_settings.read(
        [](const ZRTimelineSettingValues& values) { return values.autoInsertEditing; });
}

// --- Scripts and projects ---------------------------------------------------

bool ZRTimeline::runScript(char* text, bool redeclare) {
    return m_scripts.runText(text, redeclare);
}

bool ZRTimeline::runScriptFile(const char* path, bool redeclare) {
    return m_scripts.runFile(path, redeclare);
}

bool ZRTimeline::runScriptLine(const char* format, ...) {
    if (!format) return false;
    std::vector<char> buffer(65536);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    return m_scripts.runLine(buffer.data());
}

bool ZRTimeline::saveProject(const char* fileName) {
    return m_scripts.saveProject(fileName);
}

// --- Sound -----------------------------------------------------------------

// The mix reads objects that the host's thread destroys, re-rates and sets only under the render
// mutex: the mix holds it shared, as the composers do, waiting for a waiting setter before it
// calls, and takes the mix mutex after it.
bool ZRTimeline::startAudioAt(IZRPos* position) {
    auto renderLock = renderMutex().holdShared();
    m_audio.start(position, m_frameRate);
    return true;
}

void* ZRTimeline::renderAudio(int32_t frames, int32_t* bytes) {
    auto renderLock = renderMutex().holdShared();
    return const_cast<unsigned char*>(m_audio.render(frames, bytes, m_tracks));
}

ZREngine& ZRTimeline::engineTables() {
    return zrEngine();
}

// --- Change tracking -------------------------------------------------------

void ZRTimeline::markChanged(const char*) {
    if (m_externalChange) clearDirty();
    if (m_trackingEnabled) {
        ++m_changeCounter;
        m_externalChange = true;
    }
}

void ZRTimeline::clearDirty() {
    m_externalChange = false;
}

void ZRTimeline::enableChangeTracking(bool on) {
    m_trackingEnabled = on;
}

void ZRTimeline::noteChange(const char*) {
    if (m_externalChange) return;
    m_internalChange = false;
    if (m_trackingEnabled) {
        ++m_changeCounter;
        m_internalChange = true;
    }
}

// --- Frames and image buffers ----------------------------------------------

// The frame buffer stays locked for the caller, who unlocks it once done with the frame.
IZRImage* ZRTimeline::videoAt(IZRPos* position, int) {
    if (!position) return nullptr;
    ZRPos at;
    at.assign(position);
    ZRImage* frame = m_compositor.buffer(0);
    frame->lock();
    // A native frame of the last call must not go out with this one: only a stored frame or the
    // pass-through nominee's source set one again.
    frame->resetNative();
    // A frame the background renderer stored is served before any track is looked at.
    if (loadStoredFrame(at, frame)) return frame;
    // Before "Video Dimensions" are set there are no pixels to compose into.
    if (!frame->pixels()) return frame;
    m_compositor.compose(at);
    return frame;
}

void ZRTimeline::composeInto(const ZRPos& at, ZRImage* frame, ZRImage* bufferA, ZRImage* bufferB) {
    std::lock_guard frameLock(*frame);
    frame->resetNative();
    if (loadStoredFrame(at, frame)) return;
    if (!frame->pixels()) return;
    m_compositor.composeInto(at, frame, bufferA, bufferB);
}

IZRImage* ZRTimeline::imageBuffer(int index) {
    if (index == 2) return m_compositor.buffer(1);
    if (index == 3) return m_compositor.buffer(2);
    return m_compositor.buffer(0);
}

// --- Positions and images made for the host --------------------------------

IZRPos* ZRTimeline::createPos() {
    return createPosAt(0, 0, 0, 0, m_frameRate);
}

IZRPos* ZRTimeline::createPosHMSF(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames) {
    return createPosAt(hours, minutes, seconds, frames, m_frameRate);
}

IZRPos* ZRTimeline::createPosAt(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames,
                                double rate) {
    return m_registries.positions.add(
        std::unique_ptr<ZRPos>(new (std::nothrow) ZRPos(hours, minutes, seconds, frames, rate)));
}

void ZRTimeline::destroyPos(IZRPos* pos) {
    if (pos) m_registries.positions.take(static_cast<ZRPos*>(pos));
}

IZRImage* ZRTimeline::createEmptyImage() {
    return m_registries.images.add(std::unique_ptr<ZRImage>(new (std::nothrow) ZRImage(this)));
}

IZRImage* ZRTimeline::createImage(int32_t width, int32_t height, int32_t noAllocation) {
    IZRImage* image = createEmptyImage();
    if (image) image->create(width, height, noAllocation);
    return image;
}

void ZRTimeline::destroyImage(IZRImage* image) {
    if (image) m_registries.images.take(static_cast<ZRImage*>(image));
}

// Only pointers this timeline made are destroyed, through their own destroy operation; null
// and unknown pointers are ignored rather than deleted blindly.
void ZRTimeline::deleteInterfaceObject(void* object) {
    if (!object) return;
    if (m_registries.objects.contains(object))
        destroyObject(static_cast<IZRObject*>(object));
    else if (m_registries.effects.contains(object))
        destroyEffect(static_cast<ZREffect*>(object));
    else if (m_registries.positions.contains(object))
        destroyPos(static_cast<ZRPos*>(object));
    else if (m_registries.images.contains(object))
        destroyImage(static_cast<ZRImage*>(object));
    else if (m_registries.lists.contains(object))
        destroyList(static_cast<ZRGuardedList*>(object));
    else if (m_export.hasSession(object))
        delete static_cast<ZRExportSession*>(object);
}

// --- Library entry ---------------------------------------------------------

extern "C" ZR_EXPORT IZRTimeline*
IZRCreateTimelineInstance(IZRCallbacks* callbacks, const char* baseFolder, unsigned flags) {
    return new (std::nothrow) ZRTimeline(callbacks, baseFolder, flags);
}

extern "C" ZR_EXPORT void IZRDeleteTimelineInstance(IZRTimeline* timeline) {
    delete timeline;
    // Other timelines may still draw titles: the font registry goes with the last one only.
    ZREngine& engine = zrEngine();
    if (engine.timelineCount > 0) return;
    engine.fontRegistry.reset();
    engine.defaultFont.reset();
}
