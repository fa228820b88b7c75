#pragma once

#include "engine/api/zrplugin.h"
#include "engine/base/ZRObjectBindings.h"
#include "engine/modules/ZRDecoderCache.h"
#include "engine/modules/ZRPluginModule.h"

#include <QString>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

class IZRImage;
class IZRPos;
class ZREngineServices;

/// The engine's guarded handle on one media file opened by a single-entry module: seeks and
/// renders its frames into engine images (scaled, stills letterboxed over black, interlaced
/// frames field by field, native frames described in the image), seeks and reads its audio.
/// Every call into the module runs under the access's own mutex and inside a catch-all guard:
/// an exception writes "ZRModuleAccess(<line>): Exception in '<operation>'" to the debug output
/// and the host's debug entry, and the operation goes on as if the call had returned.
/// The frame and audio buffers the module renders into belong to the access.
/// An open file takes part in the decoder cache (`ZRDecoderCache`): when many files are open the
/// least recently used one is closed in the module (its decoder and buffers freed) and opened
/// again on its next use, with its audio where it was; to its users it stays open throughout.
/// Thread-safety: every operation holds the access's mutex; different accesses run in parallel.
/// The module may call the host functions only during a call, on the calling thread.
class ZRModuleAccess final : public ZRMediaSource, private ZRDecoderCache::Client {
public:
    /// `timeline` (may be null) receives the debug lines and module messages.
    explicit ZRModuleAccess(ZREngineServices* timeline);
    ~ZRModuleAccess() override;
    ZRModuleAccess(const ZRModuleAccess&) = delete;
    ZRModuleAccess& operator=(const ZRModuleAccess&) = delete;

    /// Loads the module at `libraryPath` (UTF-8) and binds `zrPluginCall`; for the kind "Import"
    /// it then opens `fileName` (UTF-8). False, with nothing loaded, when any step fails. An
    /// access that was open is closed first.
    bool open(const char* kind, const char* fileName, const char* libraryPath);
    /// The frame at `position` scaled into `image`, with the image's native fields set from the
    /// module's. False when nothing is open, the image has no pixels, or the module delivered a
    /// colour space or frame geometry the engine cannot read; true otherwise, also when the
    /// module failed (the image then keeps what it held).
    bool renderVideo(IZRPos* position, IZRImage* image) override;
    /// The module's native (compressed) data of the frame at `position`, described in the
    /// image's native fields. False when nothing is open or the image is null.
    bool nativeVideo(IZRPos* position, IZRImage* image) override;
    /// Moves the audio to `position`; false when nothing is open.
    bool seekAudio(IZRPos* position) override;
    /// The next `sampleFrames` sample frames in the source's audio format (`audioSettings`):
    /// `*data` and `*bytes` receive the access's buffer and its size. Frames the module did not
    /// deliver (the end of the source, a failed call) are silence. False, with null and 0, when
    /// nothing is open or the source has no usable audio format.
    bool renderAudio(int32_t sampleFrames, const void** data, int32_t* bytes) override;
    /// A new access to the same file through the same module, or null when this one is not an
    /// open "Import" access or the file does not open again.
    std::unique_ptr<ZRMediaSource> duplicate() override;
    /// Tells the module to clean up and unloads it; run by the destructor.
    void close();

    bool isOpen() const;
    /// What the module reported on open.
    double frameRate() const;
    double playLength() const;
    double sourceLength() const;
    int32_t formatCode() const;

    // ZRMediaSource
    bool sourceHasVideo() override;
    bool sourceHasAudio() override;
    bool videoDimensions(int* width, int* height) override;
    bool audioSettings(int* rate, int* bits, int* channels) override;

private:
    struct Free {
        void operator()(void* block) const { std::free(block); }
    };
    using Buffer = std::unique_ptr<uint8_t, Free>;

    static int32_t hostMessage(ZRHostContext* context, const char* type, const char* text);
    static int32_t hostVideoBuffer(ZRHostContext* context, int32_t width, int32_t height,
                                   int32_t colourSpace, ZRVideoDescriptor** descriptor);
    static int32_t hostAudioBuffer(ZRHostContext* context, const ZRAudioFormat* format,
                                   int32_t sampleFrames, void** data);
    static void* hostAllocate(ZRHostContext* context, size_t size);
    static void hostRelease(ZRHostContext* context, void* block);
    static const ZRModuleHost kHost;

    /// One guarded call; false when it threw (or nothing is bound). `line` is the caller's.
    bool call(long line, int32_t opcode, const char* operation, intptr_t* result = nullptr);
    void closeLocked();
    /// Opens the file in the module (again); false when the module refuses it.
    bool openFile();
    /// Reopens a suspended file and marks it used; false when it cannot be reopened.
    bool useLocked();
    // ZRDecoderCache::Client
    bool trySuspend() override;
    void resetBlock();
    void setTime(IZRPos* position, double* time);
    bool convertFrame(IZRImage* image);
    void storeNative(IZRImage* image);
    static bool grow(Buffer& buffer, size_t& capacity, size_t bytes, bool keep);

    ZREngineServices* m_timeline;
    std::string m_kind;
    std::string m_fileName;
    std::string m_libraryPath;
    ZRHostContext m_context{};
    ZRCallBlock m_block{};
    ZRPluginModule m_module;
    bool m_open = false;
    bool m_suspended = false; ///< open to its users, closed in the module by the cache
    bool m_audioSought = false;
    double m_audioTime = 0.0;  ///< the last audio seek, in seconds
    int64_t m_audioFrames = 0; ///< sample frames the module delivered since
    Buffer m_frame;
    size_t m_frameCapacity = 0;
    Buffer m_audio;
    size_t m_audioCapacity = 0;
    void* m_audioData = nullptr;
    size_t m_audioBytes = 0;
    mutable std::mutex m_mutex;
};
