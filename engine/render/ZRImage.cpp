#include "engine/render/ZRImage.h"

#include "engine/base/ZREngineServices.h"
#include "engine/render/ZRColourTables.h"
#include "platform/scaler/SRScaler.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

namespace {

// Blocks start on a cache line, so row copies and fills run on whole lines.
constexpr size_t kBlockAlignment = 64;

} // namespace

void ZRImage::AlignedFree::operator()(unsigned char* block) const {
    std::free(block);
}

ZRImage::ZRImage(ZREngineServices* owner) : m_owner(owner) {}

ZRImage::~ZRImage() = default;

void ZRImage::freePixels() {
    m_block.reset();
    m_blockSize = 0;
    m_pixels = nullptr;
}

void ZRImage::makeEmpty() {
    freePixels();
    m_width = m_height = m_stride = 0;
}

void ZRImage::lock() {
    m_mutex.lock();
    ++m_lockDepth;
}

void ZRImage::unlock() {
    --m_lockDepth;
    m_mutex.unlock();
}

bool ZRImage::locked() {
    if (!m_mutex.try_lock()) return true;
    const bool held = m_lockDepth > 0;
    m_mutex.unlock();
    return held;
}

bool ZRImage::create(int width, int height, int noAllocation) {
    std::lock_guard locker(*this);
    makeEmpty();
    if (noAllocation != 0) return false;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
    const size_t bytes = size_t(width) * 4 * size_t(height);
    const size_t rounded = (bytes + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
    auto* block = static_cast<unsigned char*>(std::aligned_alloc(kBlockAlignment, rounded));
    if (!block) return false;
    m_block.reset(block);
    m_blockSize = bytes;
    m_pixels = block;
    m_width = width;
    m_height = height;
    m_stride = width * 4;
    clear();
    return true;
}

bool ZRImage::attach(unsigned char* pixels, int width, int height, int stride) {
    std::lock_guard locker(*this);
    makeEmpty();
    if (!pixels || width < 1 || height < 1 || width > std::numeric_limits<int>::max() / 4)
        return false;
    const int64_t row = int64_t(width) * 4;
    if (stride > -row && stride < row) return false;
    m_pixels = pixels;
    m_width = width;
    m_height = height;
    m_stride = stride;
    clear();
    return true;
}

void ZRImage::clear() {
    std::lock_guard locker(*this);
    int first = 255, second = 255, third = 255;
    if (m_owner) m_owner->backgroundColor(&first, &second, &third);
    // The second and third values land in blue and green: the order the setting was always
    // read in.
    const uint32_t pixel = 0xFF000000u | (uint32_t(first & 0xFF) << 16) |
                           (uint32_t(third & 0xFF) << 8) | uint32_t(second & 0xFF);
    m_contentFlag = true;
    if (!m_pixels) return;
    const size_t rowBytes = size_t(m_width) * 4;
    const bool contiguous = m_stride > 0 && size_t(m_stride) == rowBytes;
    const size_t total = contiguous ? rowBytes * size_t(m_height) : rowBytes;
    // A colour whose four bytes agree (the default white) is a plain memset.
    if ((pixel & 0xFF) * 0x01010101u == pixel) {
        if (contiguous) {
            std::memset(m_pixels, int(pixel & 0xFF), total);
        } else {
            for (int y = 0; y < m_height; ++y)
                std::memset(m_pixels + ptrdiff_t(y) * m_stride, int(pixel & 0xFF), rowBytes);
        }
        return;
    }
    // Otherwise one row is filled pixel by pixel and the rest is copied from what is filled,
    // in blocks that double each time.
    unsigned char* row = m_pixels;
    for (size_t x = 0; x < rowBytes; x += 4)
        std::memcpy(row + x, &pixel, 4);
    if (contiguous) {
        for (size_t done = rowBytes; done < total;) {
            const size_t chunk = std::min(done, total - done);
            std::memcpy(row + done, row, chunk);
            done += chunk;
        }
        return;
    }
    for (int y = 1; y < m_height; ++y)
        std::memcpy(row + ptrdiff_t(y) * m_stride, row, rowBytes);
}

bool ZRImage::copyTo(unsigned char* destination, int destinationStride, int format, bool flip) {
    if (format < 0 || format > 5 || format == 4 || !destination) return false;
    std::lock_guard locker(*this);
    if (!m_pixels) return true;
    if (format == 5) {
        zrPack422(destination, destinationStride, m_pixels, m_stride, m_width, m_height);
        return true;
    }
    for (int y = 0; y < m_height; ++y) {
        const unsigned char* src = m_pixels + ptrdiff_t(y) * m_stride;
        const int row = flip ? m_height - 1 - y : y;
        unsigned char* dst = destination + ptrdiff_t(row) * destinationStride;
        switch (format) {
        case 0:
            std::memcpy(dst, src, size_t(m_width) * 4);
            break;
        case 1:
            for (int x = 0; x < m_width; ++x, src += 4, dst += 3) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
            break;
        default:
            for (int x = 0; x < m_width; ++x, src += 4, dst += 2) {
                const unsigned b = src[0], g = src[1], r = src[2];
                const unsigned v = format == 2 ? ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)
                                               : ((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (b >> 3);
                dst[0] = uint8_t(v);
                dst[1] = uint8_t(v >> 8);
            }
            break;
        }
    }
    return true;
}

void ZRImage::scale(bool firstField) {
    std::lock_guard locker(*this);
    if (!m_pixels || m_height < 2 || m_stride < m_width * 4 ||
        m_stride > std::numeric_limits<int>::max() / 2)
        return;
    const size_t bytes = size_t(m_stride) * size_t(m_height);
    std::unique_ptr<unsigned char[]> frame(new (std::nothrow) unsigned char[bytes]);
    if (!frame) return;
    const int fieldRows = firstField ? (m_height + 1) / 2 : m_height / 2;
    const unsigned char* field = m_pixels + (firstField ? 0 : m_stride);
    if (SRScaler_FourCC_BGRA(0, kFourCC_BGRA, field, 2 * m_stride, m_width, fieldRows, frame.get(),
                             m_stride, m_width, m_height, 0, 1))
        std::memcpy(m_pixels, frame.get(), bytes);
}

void ZRImage::setNative(int kind, const unsigned char* data, size_t length) {
    m_nativeKind = kind;
    m_nativeData = data;
    m_nativeLength = length;
}

void ZRImage::copyNative(int kind, const unsigned char* data, size_t length) {
    if (!data || length == 0) {
        setNative(kind, nullptr, 0);
        return;
    }
    m_nativeCopy.assign(data, data + length);
    setNative(kind, m_nativeCopy.data(), length);
}
