#include "platform/scaler/SRScaler.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

namespace {

constexpr int kMaxSide = 16384;
constexpr size_t kCachedContexts = 8;

struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using SwsHandle = std::unique_ptr<SwsContext, SwsDeleter>;

struct Key {
    AVPixelFormat format;
    int sourceWidth, sourceHeight, destinationWidth, destinationHeight, flags;
    bool operator==(const Key&) const = default;
};

// A few contexts per thread, the most recently used first: a thread usually scales between
// one or two size pairs (preview, thumbnails, field doubling), and a context must not be
// shared between threads.
class ContextCache {
public:
    SwsContext* get(const Key& key) {
        for (size_t i = 0; i < m_used; ++i) {
            if (m_entries[i].first == key) {
                std::rotate(m_entries.begin(), m_entries.begin() + i, m_entries.begin() + i + 1);
                return m_entries[0].second.get();
            }
        }
        SwsHandle context(sws_getContext(key.sourceWidth, key.sourceHeight, key.format,
                                         key.destinationWidth, key.destinationHeight,
                                         AV_PIX_FMT_BGRA, key.flags, nullptr, nullptr, nullptr));
        if (!context) return nullptr;
        if (m_used < m_entries.size()) ++m_used;
        // The least recently used entry (if the cache is full) falls off the end.
        std::rotate(m_entries.begin(), m_entries.begin() + m_used - 1, m_entries.begin() + m_used);
        m_entries[0] = {key, std::move(context)};
        return m_entries[0].second.get();
    }

private:
    std::array<std::pair<Key, SwsHandle>, kCachedContexts> m_entries{};
    size_t m_used = 0;
};

bool validSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

} // namespace

bool SRScaler_FourCC_BGRA(int, uint32_t sourceFourCC, const unsigned char* source, int sourceStride,
                          int sourceWidth, int sourceHeight, unsigned char* destination,
                          int destinationStride, int destinationWidth, int destinationHeight, int,
                          int) {
    int bytesPerPixel;
    AVPixelFormat format;
    if (sourceFourCC == kFourCC_BGRA) {
        format = AV_PIX_FMT_BGRA;
        bytesPerPixel = 4;
    } else if (sourceFourCC == kFourCC_BGR3) {
        format = AV_PIX_FMT_BGR24;
        bytesPerPixel = 3;
    } else {
        return false;
    }
    if (!source || !destination) return false;
    if (!validSize(sourceWidth, sourceHeight) || !validSize(destinationWidth, destinationHeight))
        return false;
    if (sourceStride < sourceWidth * bytesPerPixel || destinationStride < destinationWidth * 4)
        return false;

    // Filtered bilinear keeps flat colours exact; the fast variant shifts them by up to 4 steps
    // and bicubic costs twice the time for no visible gain at these sizes.
    const int flags = SWS_BILINEAR;
    thread_local ContextCache cache;
    SwsContext* context =
        cache.get({format, sourceWidth, sourceHeight, destinationWidth, destinationHeight, flags});
    if (!context) return false;
    const uint8_t* const sourcePlanes[4] = {source, nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {sourceStride, 0, 0, 0};
    uint8_t* const destinationPlanes[4] = {destination, nullptr, nullptr, nullptr};
    const int destinationStrides[4] = {destinationStride, 0, 0, 0};
    return sws_scale(context, sourcePlanes, sourceStrides, 0, sourceHeight, destinationPlanes,
                     destinationStrides) == destinationHeight;
}
