#include "engine/modules/ZRModuleAccess.h"

#include "engine/api/IZRImage.h"
#include "engine/api/IZRPos.h"
#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/modules/ZRImageRecord.h"
#include "engine/modules/ZRModuleGuard.h"
#include "platform/scaler/SRScaler.h"
#include "platform/text/KeyCompare.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcModules, "clipstead.engine.modules", QtInfoMsg)

constexpr const char* kSource = "ZRModuleAccess";
// The largest picture side and audio block the engine hands a module buffer for.
constexpr int32_t kMaxSide = 16384;
constexpr size_t kMaxAudioBytes = size_t(64) << 20;

bool isKind(std::string_view kind, std::string_view name) {
    return platform::keyEqual(kind, name);
}

int bytesPerPixel(int32_t colourSpace) {
    return colourSpace == ZR_COLOUR_BGR ? 3 : 4;
}

// Bytes of one sample frame of `format`; 0 when the format is not one the engine reads.
size_t frameBytes(const ZRAudioFormat& format) {
    const int32_t bits = format.bitsPerSample;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (format.channels < 1 || format.channels > 64) return 0;
    return size_t(bits / 8) * size_t(format.channels);
}

} // namespace

const ZRModuleHost ZRModuleAccess::kHost = {
    &ZRModuleAccess::hostMessage, &ZRModuleAccess::hostVideoBuffer,
    &ZRModuleAccess::hostAudioBuffer, &ZRModuleAccess::hostAllocate, &ZRModuleAccess::hostRelease};

ZRModuleAccess::ZRModuleAccess(ZREngineServices* timeline) : m_timeline(timeline) {}

ZRModuleAccess::~ZRModuleAccess() {
    close();
}

bool ZRModuleAccess::openFile() {
    resetBlock();
    m_context.fileName = m_fileName.c_str();
    intptr_t answer = -1;
    return call(__LINE__, ZR_PLUGIN_OPEN, "open", &answer) && answer == 0;
}

bool ZRModuleAccess::useLocked() {
    if (!m_open) return false;
    if (m_suspended) {
        const ZRCallBlock described = m_block;
        if (!openFile()) {
            // The file stays described as it was opened; a later use tries again.
            m_block = described;
            m_block.moduleData = nullptr;
            return false;
        }
        m_suspended = false;
        if (m_audioSought && m_block.audio.sampleRate > 0) {
            double time = m_audioTime + double(m_audioFrames) / m_block.audio.sampleRate;
            m_block.argument = &time;
            call(__LINE__, ZR_PLUGIN_SEEK_AUDIO, "SeekAudio");
            m_block.argument = nullptr;
        }
    }
    if (isKind(m_kind, "Import")) ZRDecoderCache::instance().touch(this);
    return true;
}

bool ZRModuleAccess::trySuspend() {
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (!lock || !m_open || m_suspended) return false;
    call(__LINE__, ZR_PLUGIN_CLEANUP, "zrCleanup");
    m_suspended = true;
    m_frame.reset();
    m_frameCapacity = 0;
    return true;
}

bool ZRModuleAccess::call(long line, int32_t opcode, const char* operation, intptr_t* result) {
    const ZRHostCallbacks* host = m_timeline ? &m_timeline->host() : nullptr;
    ZRPluginCallFunction entry = m_module.entry();
    if (!entry) return false;
    return zrGuardedCall(host, kSource, line, operation, [&] {
        const intptr_t answer = entry(&m_block, 0, opcode);
        if (result) *result = answer;
    });
}

void ZRModuleAccess::resetBlock() {
    m_block = ZRCallBlock{};
    m_context = ZRHostContext{};
    m_context.host = &kHost;
    m_context.engine = this;
    m_block.context = &m_context;
}

bool ZRModuleAccess::open(const char* kind, const char* fileName, const char* libraryPath) {
    std::lock_guard locker(m_mutex);
    closeLocked();
    m_kind = kind ? kind : "";
    if (!libraryPath || !m_module.bind(QString::fromUtf8(libraryPath))) return false;
    m_libraryPath = libraryPath;
    resetBlock();
    if (isKind(m_kind, "Import")) {
        m_fileName = fileName ? fileName : "";
        if (!openFile()) {
            m_module.release();
            resetBlock();
            return false;
        }
    }
    m_open = true;
    m_suspended = false;
    m_audioSought = false;
    m_audioFrames = 0;
    useLocked();
    return true;
}

std::unique_ptr<ZRMediaSource> ZRModuleAccess::duplicate() {
    std::string kind, fileName, libraryPath;
    {
        std::lock_guard locker(m_mutex);
        if (!m_open || !isKind(m_kind, "Import")) return nullptr;
        kind = m_kind;
        fileName = m_fileName;
        libraryPath = m_libraryPath;
    }
    auto copy = std::make_unique<ZRModuleAccess>(m_timeline);
    if (!copy->open(kind.c_str(), fileName.c_str(), libraryPath.c_str())) return nullptr;
    return copy;
}

void ZRModuleAccess::close() {
    std::lock_guard locker(m_mutex);
    closeLocked();
}

void ZRModuleAccess::closeLocked() {
    ZRDecoderCache::instance().remove(this);
    if (m_module.entry() && !m_suspended) call(__LINE__, ZR_PLUGIN_CLEANUP, "zrCleanup");
    m_module.release();
    m_open = false;
    m_suspended = false;
    resetBlock();
}

// The module's time of a position: its frames counted again in the module's own rate. A module
// that reports no usable rate is given the position's own.
void ZRModuleAccess::setTime(IZRPos* position, double* time) {
    const double rate = position->framerate();
    double moduleRate = m_block.frameRate;
    if (!(moduleRate > 0.0) || !std::isfinite(moduleRate)) moduleRate = rate;
    const double seconds =
        double(position->hours()) * 3600.0 + position->minutes() * 60.0 + position->seconds();
    double frames = 0.0;
    if (rate > 0.0 && std::isfinite(rate) && moduleRate > 0.0)
        frames = std::floor(position->frames() * moduleRate / rate + 0.5) / moduleRate;
    *time = seconds + frames;
    m_block.argument = time;
}

bool ZRModuleAccess::renderVideo(IZRPos* position, IZRImage* image) {
    std::lock_guard locker(m_mutex);
    if (!m_open || !position || !image || !image->pixels() || image->width() < 1 ||
        image->height() < 1 || !useLocked())
        return false;
    double time = 0.0;
    setTime(position, &time);
    call(__LINE__, ZR_PLUGIN_SEEK_VIDEO, "SeekVideo");
    m_block.engineImage = image;
    m_block.video.pixels = nullptr;
    m_block.renderFlags = 0;
    call(__LINE__, ZR_PLUGIN_RENDER_VIDEO, "RenderVideo");
    m_block.engineImage = nullptr;
    m_block.argument = nullptr;
    const bool converted = convertFrame(image);
    if (converted) storeNative(image);
    return converted;
}

// Scales the delivered frame into the image, unless the module rendered in place or delivered
// nothing.
bool ZRModuleAccess::convertFrame(IZRImage* image) {
    const ZRVideoDescriptor& v = m_block.video;
    unsigned char* target = image->pixels();
    if (!v.pixels || v.pixels == target) return true;
    const ZRHostCallbacks* host = m_timeline ? &m_timeline->host() : nullptr;
    if (v.colourSpace != ZR_COLOUR_BGRA && v.colourSpace != ZR_COLOUR_BGR) {
        const char* text = "Wrong colorspace for SRScaler_FourCC_BGRA\n";
        qWarning("%s", QByteArray(text).trimmed().constData());
        if (host) host->debug(text);
        return false;
    }
    const size_t row = size_t(v.width > 0 ? v.width : 0) * size_t(bytesPerPixel(v.colourSpace));
    const bool sized = v.width > 0 && v.height > 0 && v.width <= kMaxSide && v.height <= kMaxSide &&
                       v.stride > 0 && size_t(v.stride) >= row;
    // A frame in the engine's own buffer must lie inside it.
    const bool inside = v.pixels != m_frame.get() ||
                        (sized && size_t(v.stride) * size_t(v.height - 1) + row <= m_frameCapacity);
    if (!sized || !inside) return false;

    const uint32_t code = v.colourSpace == ZR_COLOUR_BGR ? kFourCC_BGR3 : kFourCC_BGRA;
    const int width = image->width();
    const int height = image->height();
    const int stride = image->stride();
    bool scaled = true;
    if (v.flags & ZR_VIDEO_STILL) {
        const char* text = "Is a picture\n";
        qCDebug(lcModules, "%s", QByteArray(text).trimmed().constData());
        if (host) host->debug(text);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(target + ptrdiff_t(y) * stride);
            std::fill(line, line + width, 0xFF000000u);
        }
        // Fit the picture into the image keeping its shape, centred over black.
        int64_t fitHeight = int64_t(width) * v.height / v.width;
        int64_t fitWidth = width;
        if (fitHeight > height) {
            fitWidth = int64_t(width) * height / fitHeight;
            fitHeight = height;
        }
        if (fitWidth < 1 || fitHeight < 1) return true;
        const int64_t x = (width - fitWidth) / 2;
        const int64_t y = (height - fitHeight) / 2;
        scaled = SRScaler_FourCC_BGRA(0, code, v.pixels, v.stride, v.width, v.height,
                                      target + ptrdiff_t(y) * stride + x * 4, stride, int(fitWidth),
                                      int(fitHeight), 0, 1);
    } else if (!(v.flags & ZR_VIDEO_INTERLACED)) {
        scaled = SRScaler_FourCC_BGRA(0, code, v.pixels, v.stride, v.width, v.height, target,
                                      stride, width, height, 0, 1);
    } else if (height <= 288 || v.height < 2) {
        // A small image takes the first field only.
        scaled =
            SRScaler_FourCC_BGRA(0, code, v.pixels, v.stride * 2, v.width,
                                 std::max(1, v.height / 2), target, stride, width, height, 0, 1);
    } else {
        // Each field to its own lines keeps the motion between fields.
        scaled =
            SRScaler_FourCC_BGRA(0, code, v.pixels, v.stride * 2, v.width, v.height / 2, target,
                                 stride * 2, width, height / 2, 0, 1) &&
            SRScaler_FourCC_BGRA(0, code, v.pixels + v.stride, v.stride * 2, v.width, v.height / 2,
                                 target + stride, stride * 2, width, height / 2, 0, 1);
    }
    return scaled;
}

void ZRModuleAccess::storeNative(IZRImage* image) {
    const ZRVideoDescriptor& v = m_block.video;
    ZRImageRecord native{};
    native.nativeKind = v.nativeKind;
    native.nativeData = v.nativeData;
    native.nativeLength = v.nativeLength;
    native.nativeWidth = v.width;
    native.nativeHeight = v.height;
    native.nativeWord1 = v.nativeWord1;
    native.nativeWord2 = v.nativeWord2;
    native.interlaced = (v.flags & ZR_VIDEO_INTERLACED) ? 1 : 0;
    zrStoreNative(image, native);
}

bool ZRModuleAccess::nativeVideo(IZRPos* position, IZRImage* image) {
    std::lock_guard locker(m_mutex);
    if (!m_open || !position || !image || !useLocked()) return false;
    double time = 0.0;
    setTime(position, &time);
    call(__LINE__, ZR_PLUGIN_SEEK_VIDEO, "SeekVideo");
    m_block.engineImage = image;
    m_block.video.pixels = nullptr;
    call(__LINE__, ZR_PLUGIN_NATIVE_VIDEO, "GetNativeVideo");
    m_block.engineImage = nullptr;
    m_block.argument = nullptr;
    storeNative(image);
    return true;
}

bool ZRModuleAccess::seekAudio(IZRPos* position) {
    std::lock_guard locker(m_mutex);
    if (!m_open || !position || !useLocked()) return false;
    double time = 0.0;
    setTime(position, &time);
    call(__LINE__, ZR_PLUGIN_SEEK_AUDIO, "SeekAudio");
    m_block.argument = nullptr;
    m_audioSought = true;
    m_audioTime = time;
    m_audioFrames = 0;
    return true;
}

bool ZRModuleAccess::renderAudio(int32_t sampleFrames, const void** data, int32_t* bytes) {
    if (data) *data = nullptr;
    if (bytes) *bytes = 0;
    std::lock_guard locker(m_mutex);
    const size_t perFrame = frameBytes(m_block.audio);
    if (!m_open || sampleFrames < 1 || perFrame == 0) return false;
    const size_t wanted = size_t(sampleFrames) * perFrame;
    if (wanted > kMaxAudioBytes || !useLocked()) return false;

    ZRAudioRequest request{sampleFrames};
    m_block.argument = &request;
    m_audioData = nullptr;
    m_audioBytes = 0;
    call(__LINE__, ZR_PLUGIN_RENDER_AUDIO, "RenderAudio");
    m_block.argument = nullptr;

    // The module's data is in the access's buffer (the host hands out no other); what it did not
    // deliver becomes silence.
    const size_t delivered = m_audioData == m_audio.get() ? std::min(m_audioBytes, wanted) : 0;
    m_audioFrames += int64_t(delivered / perFrame);
    if (!grow(m_audio, m_audioCapacity, wanted, true)) return false;
    std::memset(m_audio.get() + delivered, m_block.audio.bitsPerSample == 8 ? 0x80 : 0,
                wanted - delivered);
    if (data) *data = m_audio.get();
    if (bytes) *bytes = int32_t(wanted);
    return true;
}

bool ZRModuleAccess::grow(Buffer& buffer, size_t& capacity, size_t bytes, bool keep) {
    if (bytes <= capacity && buffer) return true;
    const size_t size = std::max<size_t>(bytes, 1);
    void* block = keep ? std::realloc(buffer.get(), size) : std::malloc(size);
    if (!block) return false;
    if (keep) (void)buffer.release();
    buffer.reset(static_cast<uint8_t*>(block));
    capacity = size;
    return true;
}

// --- What the module calls back ------------------------------------------------------------

int32_t ZRModuleAccess::hostMessage(ZRHostContext* context, const char* type, const char* text) {
    if (!context || !context->engine || !type || !text) return 0;
    auto* access = static_cast<ZRModuleAccess*>(context->engine);
    if (std::strcmp(type, "Debug Text") == 0 && access->m_timeline)
        access->m_timeline->host().debug(text);
    return 0;
}

int32_t ZRModuleAccess::hostVideoBuffer(ZRHostContext* context, int32_t width, int32_t height,
                                        int32_t colourSpace, ZRVideoDescriptor** descriptor) {
    if (descriptor) *descriptor = nullptr;
    if (!context || !context->engine || !descriptor) return -1;
    auto* access = static_cast<ZRModuleAccess*>(context->engine);
    ZRVideoDescriptor& v = access->m_block.video;
    auto* image = static_cast<IZRImage*>(access->m_block.engineImage);
    if (image && image->pixels() && colourSpace == ZR_COLOUR_BGRA && width == image->width() &&
        height == image->height()) {
        v.flags = 0;
        v.colourSpace = ZR_COLOUR_BGRA;
        v.width = width;
        v.height = height;
        v.stride = image->stride();
        v.pixels = image->pixels();
        *descriptor = &v;
        return 0;
    }
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return -1;
    const int perPixel = bytesPerPixel(colourSpace);
    const size_t bytes = size_t(width) * size_t(height) * size_t(perPixel);
    if (!grow(access->m_frame, access->m_frameCapacity, bytes, false)) return -1;
    v.flags = 0;
    v.colourSpace = colourSpace;
    v.width = width;
    v.height = height;
    v.stride = width * perPixel;
    v.pixels = access->m_frame.get();
    *descriptor = &v;
    return 0;
}

int32_t ZRModuleAccess::hostAudioBuffer(ZRHostContext* context, const ZRAudioFormat* format,
                                        int32_t sampleFrames, void** data) {
    if (data) *data = nullptr;
    if (!context || !context->engine || !format || !data || sampleFrames < 0) return -1;
    auto* access = static_cast<ZRModuleAccess*>(context->engine);
    const size_t perFrame = frameBytes(*format);
    const size_t bytes = size_t(sampleFrames) * perFrame;
    if (perFrame == 0 || bytes > kMaxAudioBytes) return -1;
    if (!grow(access->m_audio, access->m_audioCapacity, bytes, false)) return -1;
    access->m_audioData = access->m_audio.get();
    access->m_audioBytes = bytes;
    *data = access->m_audioData;
    return 0;
}

void* ZRModuleAccess::hostAllocate(ZRHostContext*, size_t size) {
    return std::malloc(size);
}

void ZRModuleAccess::hostRelease(ZRHostContext*, void* block) {
    std::free(block);
}

// --- What the module reported ------------------------------------------------------------------

bool ZRModuleAccess::isOpen() const {
    std::lock_guard locker(m_mutex);
    return m_open;
}

double ZRModuleAccess::frameRate() const {
    std::lock_guard locker(m_mutex);
    return m_block.frameRate;
}

double ZRModuleAccess::playLength() const {
    std::lock_guard locker(m_mutex);
    return m_block.playLength;
}

double ZRModuleAccess::sourceLength() const {
    std::lock_guard locker(m_mutex);
    return m_block.sourceLength;
}

int32_t ZRModuleAccess::formatCode() const {
    std::lock_guard locker(m_mutex);
    return m_block.formatCode;
}

bool ZRModuleAccess::sourceHasVideo() {
    std::lock_guard locker(m_mutex);
    return m_open && m_block.hasVideo != 0;
}

bool ZRModuleAccess::sourceHasAudio() {
    std::lock_guard locker(m_mutex);
    return m_open && m_block.hasAudio != 0;
}

bool ZRModuleAccess::videoDimensions(int* width, int* height) {
    std::lock_guard locker(m_mutex);
    if (!m_open || !m_block.hasVideo || m_block.videoWidth < 1 || m_block.videoHeight < 1)
        return false;
    if (width) *width = m_block.videoWidth;
    if (height) *height = m_block.videoHeight;
    return true;
}

bool ZRModuleAccess::audioSettings(int* rate, int* bits, int* channels) {
    std::lock_guard locker(m_mutex);
    if (!m_open || !m_block.hasAudio) return false;
    if (rate) *rate = m_block.audio.sampleRate;
    if (bits) *bits = m_block.audio.bitsPerSample;
    if (channels) *channels = m_block.audio.channels;
    return true;
}
