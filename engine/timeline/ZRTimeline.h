#pragma once

#include "engine/api/IZRTimeline.h"
#include "engine/audio/ZRAudioMixer.h"
#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/base/ZRNameTable.h"
#include "engine/base/ZRPos.h"
#include "engine/base/ZRTrackItem.h"
#include "engine/config/ZRModuleCache.h"
#include "engine/export/ZRTimelineExportState.h"
#include "engine/fonts/ZRFontEntry.h"
#include "engine/modules/ZRModuleManager.h"
#include "engine/output/ZRDVOutputState.h"
#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRCompositor.h"
#include "engine/timeline/ZRFadeCurve.h"
#include "engine/timeline/ZRObjectHandles.h"
#include "engine/timeline/ZRObjectRegistries.h"
#include "engine/timeline/ZRRegistry.h"
#include "engine/timeline/ZRScriptBridge.h"
#include "engine/timeline/ZRSettingsTable.h"
#include "engine/timeline/ZRTimelineAudio.h"
#include "engine/timeline/ZRTrackList.h"
#include "engine/timeline/ZRTrackTable.h"
#include "engine/util/ZRStringMap.h"
#include "engine/util/ZRTempFileStore.h"
#include "engine/util/ZRYieldingMutex.h"
#include "engine/worker/ZRTimelineWorker.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

/// The timeline: tracks of objects, their rendering, export, projects and scripts, and the
/// host's way into the engine through five interfaces. The first timeline of the process sets
/// up the engine-wide tables (see ZREngine.h); the last one frees them.
///
/// A facade over components, each with its own header and lock:
///  - the track table (ZRTrackTable.h): the track lists, the highest track; the timeline mutex;
///  - the registries (ZRObjectRegistries.h): everything the factory made and still owns; one
///    mutex per registry;
///  - the compositor (ZRCompositor.h): the frame and work buffers, `videoAt`'s composition;
///    the render mutex;
///  - the audio mix (ZRTimelineAudio.h): the mix run, under the mix mutex, and the audio
///    settings, under a mutex of their own;
///  - the settings table (ZRSettingsTable.h): the timeline's own setting values, served by the
///    key tables of ZRTimelineSettings.cpp; the settings mutex;
///  - the script bridge (ZRScriptBridge.h): script runs and project saving; the interpreter's
///    lock;
///  - the exporter (ZRTimelineExport.cpp over export/ZRTimelineExportState.h): the export
///    sessions' mutex.
/// Its parts (images, objects, module accesses, export sessions, the background renderer, the
/// module manager) reach it through `ZREngineServices` only.
/// Thread-safety: driven from the host's thread (edits, settings, scripts) while the preview, the
/// export loop and the background renderer compose frames (`videoAt`) on threads of their own.
///
/// The engine's locks, in the one order every path takes them (none is taken while a later one
/// is held):
///  1. the background renderer's state mutex (ZRTimelineWorker): held around the frame in
///     flight; `suspend` and `setEnabled` take it with nothing else held;
///  2. the frame buffer's image lock: `videoAt` takes it first and its caller holds it until it
///     unlocks the frame (the export loop mixes the frame's sound meanwhile); an export's
///     composing threads take their own frame's lock at the same place (`composeInto`), and
///     the export loop holds the frame it was handed while it mixes the sound, and takes the
///     frame buffer's lock inside it once a second to show that frame (`showExportFrame`);
///     nothing else takes a composer's frame lock;
///  3. the render mutex (the compositor's), a read-write mutex: every frame's composition holds
///     it shared, several at once (the export composes frames on several threads); every object
///     setting, attaching effects, destroying objects and effects, replacing the work buffers
///     ("Video Dimensions") and re-rating positions ("Framerate") hold it exclusively, and so
///     wait for the frames in flight; composers step aside for a waiting setter between frames;
///  3a. an object's own render lock (ZRObject), one object at a time: a title's or external
///     object's render, a transition, an effect run; then the object's own-source and spare-
///     source mutexes, and a media source's access mutex;
///  4. the audio mix's mutex: `startAudioAt` and `renderAudio` hold it for the whole mix, inside
///     the render mutex, which they hold shared as the composers do (so no object they mix is
///     destroyed or set meanwhile);
///  5. the end-position mutex;
///  6. the timeline mutex (the track table's, recursive): the track tables, placement and the
///     objects' positions; `videoAt` copies what it needs of them under it and composes
///     outside it;
///  7. a track's list mutex;
///  8. the registries' mutexes (objects, effects, positions, images, lists), one at a time;
///  9. the work buffers' image locks, then an effect list's mutex, then the process font's lock;
/// 10. leaves: the settings table's and the audio settings' mutexes (ZRGuardedValues.h), the
///     export sessions' mutex, the temporary-file store's mutex, the renderer's store, encoder
///     and decoder-pool mutexes.
/// Edits tell the background renderer of changed ranges after their locks are released
/// (`EditScope`); telling it takes only its store mutex and never waits for a frame.
class ZRObject;

class ZRTimeline final : public IZRTimeline,
                         public IZRSettings,
                         public IZRObjectFactory,
                         public IZRModuleConfig,
                         public IZRChangeTracker,
                         public ZREngineServices {
public:
    ZRTimeline(IZRCallbacks* callbacks, const char* baseFolder, unsigned flags);
    ~ZRTimeline() override;
    ZRTimeline(const ZRTimeline&) = delete;
    ZRTimeline& operator=(const ZRTimeline&) = delete;

    // IZRTimeline
    IZRImage* videoAt(IZRPos* position, int buffer) override;
    bool startAudioAt(IZRPos* position) override;
    void* renderAudio(int32_t frames, int32_t* bytes) override;
    IZRPos* currentPosition() override { return &m_currentPosition; }
    bool insertObject(int track, IZRPos* start, IZRObject* object) override;
    void removeObject(IZRObject* object) override;
    ZRGuardedList* track(int track, bool video) override;
    void packTrack(int track, bool video) override;
    void shiftTrackObjects(int track, bool video, IZRObject* from, IZRPos* amount,
                           bool later) override;
    IZRObject* objectAt(int track, IZRPos* position, bool video) override;
    void clear() override;
    bool configureExportModule(const char* format) override;
    const char* const* exportCodecSetting(const char* format, bool video) override;
    void setExportCodecName(const char* format, bool video, const char* codec) override;
    const char* exportCodecName(const char* format, bool video) override;
    int exportProject(const char* fileName, const char* format, IZRPos* rangeStart,
                      IZRPos* rangeEnd, int width, int height, double rate) override;
    IZRPos* endPosition() override;
    bool setObjectMarkIn(IZRObject* object, IZRPos* markIn) override;
    bool setObjectMarkOut(IZRObject* object, IZRPos* markOut) override;
    void dumpTrack(int track, bool video) override;
    bool saveProject(const char* fileName) override;
    bool runScript(char* text, bool redeclare) override;
    bool runScriptFile(const char* path, bool redeclare) override;
    bool runScriptLine(const char* format, ...) override;
    bool startDVOutput(int mode) override;
    unsigned char* dvOutputFrame(IZRPos* position, int* frameSize) override;
    void stopDVOutput() override;
    int renderStateAt(IZRPos* position) override;
    void* moduleList(const char* category, const char* name, const char* entry,
                     int fourth) override;
    const char* suggestImportModule(const char* fileName) override;
    bool identifyMediaFile(const char* fileName, char* kind, uint32_t* subtype) override;
    IZRImage* imageBuffer(int index) override;
    IZRSettings* settings() override { return this; }
    IZRObjectFactory* factory() override { return this; }
    IZRModuleConfig* moduleConfig() override { return this; }
    IZRChangeTracker* changeTracker() override { return this; }

    // IZRSettings
    bool getFadeFactor(const char* key, double* x, double* levelFrom, double* levelTo,
                       double* out) override;
    bool getTrackChannelDoubleSetting(const char* key, int* track, unsigned* channel,
                                      double* out) override;
    bool getUnicodeStringSetting(const char* key, const char16_t** out) override;
    bool getStringSetting(const char* key, char** out) override;
    bool getIntTripleSetting(const char* key, int* a, int* b, int* c) override;
    bool getIntPairSetting(const char* key, int* a, int* b) override;
    bool getIndexedDoubleSetting(const char* key, int* index, double* out) override;
    bool getDoubleSetting(const char* key, double* out) override;
    bool getIntSetting(const char* key, int* out) override;
    bool addFadePoint(const char* key, double x, double y) override;
    bool setTrackChannelDoubleSetting(const char* key, int track, unsigned channel,
                                      double value) override;
    bool setUnicodeStringSetting(const char* key, const char16_t* value) override;
    bool setStringSetting(const char* key, const char* value) override;
    bool setIntTripleSetting(const char* key, int a, int b, int c) override;
    bool setIntPairSetting(const char* key, int a, int b) override;
    bool setIndexedDoubleSetting(const char* key, int index, double value) override;
    bool setDoubleSetting(const char* key, double value) override;
    bool setIntSetting(const char* key, intptr_t value) override;

    // IZRObjectFactory
    IZRObject* duplicateObject(IZRObject* source) override;
    IZRObject* createObject(const char* kind, const char* subclass, const char* module,
                            const char* options) override;
    void destroyObject(IZRObject* object) override;
    ZREffect* createEffect(const char* kind, const char* subclass, const char* module) override;
    void destroyEffect(ZREffect* effect) override;
    IZRPos* createPos() override;
    IZRPos* createPosHMSF(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames) override;
    IZRPos* createPosAt(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames,
                        double rate) override;
    void destroyPos(IZRPos* pos) override;
    IZRImage* createImage(int32_t width, int32_t height, int32_t noAllocation) override;
    IZRImage* createEmptyImage() override;
    void destroyImage(IZRImage* image) override;
    ZRGuardedList* createList() override;
    void destroyList(ZRGuardedList* list) override;
    ZRExportSession* createExportModule(const char* moduleName, IZRImage* size, int32_t totalFrames,
                                        double rate, const char* fileName) override;
    void deleteInterfaceObject(void* object) override;

    // IZRModuleConfig
    bool openModuleCacheGroup(const char* first, const char* second) override;
    const char* firstModuleCacheKey() override;
    const char* nextModuleCacheKey() override;
    int readModuleCacheInt(const char* key) override;
    bool readModuleCacheBool(const char* key) override;
    double readModuleCacheDouble(const char* key) override;
    const char* readModuleCacheString(const char* key) override;
    void writeModuleCacheString(const char* key, const char* value) override;
    void writeModuleCacheDouble(const char* key, double value) override;
    void writeModuleCacheBool(const char* key, bool value) override;
    void writeModuleCacheInt(const char* key, int value) override;

    // IZRChangeTracker
    void markChanged(const char* what) override;
    void clearDirty() override;
    void enableChangeTracking(bool on) override;

    // Engine-internal
    /// The engine's own change note ("Insert Object", "Create Object").
    void noteChange(const char* what);
    uint32_t changeCount() const { return m_changeCounter; }
    bool isDirty() const { return m_externalChange; }

    // ZREngineServices
    const ZRHostCallbacks& host() const override { return m_host; }
    ZREngine& engineTables() override;
    std::string moduleFilePath(const char* category, const char* kind, const char* third) override;
    void backgroundColor(int* first, int* second, int* third) const override;
    void videoDimensions(int* width, int* height) const override;
    /// "Force Background Rendering Video Format"; read by the background renderer.
    int forcedRenderFormat() const override { return m_settings.forcedRenderFormat.load(); }
    /// Serialises frame composition: `videoAt` and every object's `renderVideo` hold it, and so
    /// does everything that changes what they read outside the timeline mutex.
    ZRYieldingMutex& renderMutex() override { return m_compositor.renderMutex(); }
    ZRObjectPlacement placementOf(IZRObject* object) override;
    IZRImage* composeFrame(IZRPos* position) override { return videoAt(position, 0); }
    /// What `videoAt` composes at `at`, into `frame` with the work buffers `bufferA` and
    /// `bufferB`: the caller's own images, of one size; on any number of threads at once.
    void composeInto(const ZRPos& at, ZRImage* frame, ZRImage* bufferA, ZRImage* bufferB);
    /// Copies `composed` (an export composer's frame, locked by the caller) into the frame
    /// buffer, which the host shows during an export; nothing when their sizes differ.
    void showExportFrame(IZRImage* composed);
    IZRObject* videoObjectAt(int track, IZRPos* position) override {
        return objectAt(track, position, true);
    }
    /// The highest track number that has held an object (0 when none); no track above it has
    /// a list. Read under the timeline mutex.
    int highestTrack() override;
    /// The frame after the last end of any track (frame 0 when empty), computed under the
    /// timeline mutex; the engine's own threads use this copy rather than `endPosition`.
    ZRPos projectEnd() override;
    /// True while an export passes frames through: the module wrote the last frame's native
    /// data unchanged, so the compositor should go on handing native frames.
    bool exportPassThrough() const override { return m_export.passThrough.load(); }
    /// True for the object that the composition in progress on the calling thread lets hand its
    /// source's native frame on unchanged (export pass-through).
    bool isPassThroughNominee(const ZRObject* object) const override {
        return m_compositor.isPassThroughNominee(object);
    }
    /// Export: the AVI settings, the last export's file, the export sessions handed out.
    ZRTimelineExportState& exportState() override { return m_export; }
    bool backgroundRenderingEnabled() const override;
    void invalidateRange(const ZRPos& start, const ZRPos& end) override;
    ZRTempFileStore& tempFiles() override { return m_tempFiles; }

    /// The base folder given at creation, ending in "/" (empty when none was given).
    const std::string& baseFolder() const { return m_baseFolder; }
    /// Where the engine's read-only data lies: the base folder, else the library's own folder.
    QString dataFolder() const;
    unsigned creationFlags() const { return m_flags; }
    /// The background renderer (ZRTimelineBackground.cpp).
    ZRTimelineWorker& backgroundRenderer() { return m_worker; }
    ZRModuleManager& moduleManager() { return m_moduleManager; }
    int videoWidth() const;
    int videoHeight() const;
    double frameRate() const { return m_frameRate; }
    /// A copy of the fade curve ("FadeCharacteristics ...").
    ZRFadeCurve fadeCurve() const {
        return m_settings.read(
            [](const ZRTimelineSettingValues& values) { return values.fadeCurve; });
    }
    /// The kernel log, a configuration file in the per-user state folder.
    QString logPath() const { return m_logPath; }

    /// The ids that scripts and project files hold for this timeline's objects and effects.
    ZRObjectHandles& handles() { return m_handles; }

    static constexpr int kTrackCount = ZRTrackTable::kTrackCount;

private:
    void initialiseEngine();
    void openLog();

    // Factory (ZRTimelineFactory.cpp)
    bool buildObject(ZRObject* object, const char* kind, const char* subclass, const char* module,
                     const char* options);
    QByteArray mediaPath(const char* fileName) const;
    bool registered(IZRObject* object);

    // Tracks (ZRTimelineTracks.cpp)
    /// Places `object` on `list` at `start` and every object that pushes on either kind of
    /// track, to any depth (under the timeline mutex).
    void placeInList(ZRTrackList* list, ZRTrackItem* object, const IZRPos* start, bool video,
                     int index);
    std::vector<ZRTrackItem*> placeOnce(ZRTrackList* list, ZRTrackItem* object, const IZRPos* start,
                                        bool video, int index);
    void shiftFollowers(ZRTrackItem* object, const ZRPos& newEnd);
    /// Empties every track and hands back the objects that were on them, each once, with their
    /// places reset; they stay registered for the caller to destroy.
    std::vector<IZRObject*> takeTrackObjects();

    // Holds the timeline mutex for an edit; the outermost scope tells the background renderer of
    // the ranges noted meanwhile once the mutex is released.
    class EditScope;
    void noteChangedRange(const ZRPos& start, const ZRPos& end);

    // The background renderer's side of editing: held while the tracks change wholesale.
    void suspendRenderer();
    void resumeRenderer();
    void forgetRenderedFrames();
    /// The background renderer's stored frame at `position`, read into `frame` (pixels and
    /// native data); false when none is stored or it cannot be read.
    bool loadStoredFrame(const ZRPos& position, ZRImage* frame);
    void setRendererEnabled(bool on);
    bool rendererPaused() const;
    void setFrameRate(double rate);
    void setVideoDimensions(int width, int height);
    /// "Temporary Directory": false for a null or empty text.
    bool setTemporaryFolder(const char* folder);
    /// "Lock Text Renderer": 1 takes this timeline's render mutex, then the process font's
    /// lock, for the host to hold across calls (title settings included); 0 gives back what 1
    /// took, in the reverse order, and nothing when the host holds nothing. Host thread only.
    void lockTextRenderer(bool lock);
    /// "Pause Background Rendering": one pause more, or one less.
    void pauseRenderer(bool pause);
    /// Scales every title's text with the frame width (nothing while the old width is 0).
    void rescaleTitles(int oldWidth, int newWidth);
    // The key tables of the settings, one per kind of value (ZRTimelineSettings.cpp).
    struct SettingKeys;
    // The export's audio format, from the audio mix's settings.
    int sampleRate() const;
    int bitsPerSample() const;
    int channels() const;
    /// "Auto insert editing": lengthening an object pushes its followers later.
    bool autoInsertEditing() const;

    char m_textBuffer[256] = {};
    std::string m_baseFolder;
    ZRTrackTable m_tracks;
    ZRObjectRegistries m_registries;
    ZRCompositor m_compositor{*this, m_tracks};
    // What `endPosition` hands each calling thread, rewritten only by that thread's own calls
    // (the map itself is guarded by m_endPositionMutex; its nodes never move).
    std::unordered_map<std::thread::id, ZRPos> m_endPositions;
    ZRModuleManager m_moduleManager{*this};
    std::mutex m_endPositionMutex;
    // Edits in progress on the thread holding the timeline mutex, and the ranges they changed
    // (guarded by the timeline mutex).
    int m_editDepth = 0;
    std::vector<std::pair<ZRPos, ZRPos>> m_changedRanges;
    int m_textRendererHolds = 0; ///< "Lock Text Renderer" holds; host thread only
    ZRTimelineAudio m_audio;
    ZRTempFileStore m_tempFiles;
    // After the store: stopped in the destructor, and its files deleted before the store goes.
    ZRTimelineWorker m_worker{this};
    // DV output (ZRTimelineDVOutput.cpp).
    ZRDVOutputState m_dvOutput;
    ZRHostCallbacks m_host{nullptr};
    ZRSettingsTable m_settings;
    std::atomic<double> m_frameRate{30.0};
    ZRPos m_currentPosition;
    uint32_t m_changeCounter = 0;
    bool m_internalChange = false;
    bool m_trackingEnabled = false;
    bool m_externalChange = false;
    QString m_logPath;
    std::unique_ptr<QConfig> m_log;
    ZRModuleCache m_moduleCache;
    unsigned m_flags;
    ZRScriptBridge m_scripts{*this, m_worker};
    ZRObjectHandles m_handles;
    // Last, so that export sessions still open end before anything they use goes away.
    ZRTimelineExportState m_export;
};
