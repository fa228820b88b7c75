#include "ZRImage.h"

#include "timeline/ZRTimeline.h"

#include <cstdlib>
#include <cstring>
#include <new>

ZRImage::ZRImage(ZRTimeline* owner) : m_owner(owner) {}

ZRImage::~ZRImage() {
    freePixels();
}

void ZRImage::freePixels() {
    if (m_ownsPixels && m_pixels) std::free(m_pixels);
    m_pixels = nullptr;
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
    if (!m_mutex.tryLock()) return true;
    const bool held = m_lockDepth > 0;
    m_mutex.unlock();
    return held;
}

bool ZRImage::create(int width, int height, int noAllocation) {
    lock();
    freePixels();
    m_ownsPixels = true;
    bool ok = false;
    const size_t bytes = size_t(width > 0 ? width : 0) * 4 * size_t(height > 0 ? height : 0);
    if (noAllocation == 0 && width > 0 && height > 0 && width <= (1 << 16) && height <= (1 << 16)) {
        m_pixels = static_cast<unsigned char*>(std::malloc(bytes));
        ok = m_pixels != nullptr;
    }
    if (ok) {
        m_width = width;
        m_height = height;
        m_stride = width * 4;
        clear();
    } else {
        m_width = m_height = m_stride = 0;
    }
    unlock();
    return ok;
}

bool ZRImage::attach(unsigned char* pixels, int width, int height, int stride) {
    lock();
    freePixels();
    m_ownsPixels = false;
    m_pixels = pixels;
    m_width = width;
    m_height = height;
    m_stride = stride;
    clear();
    unlock();
    return true;
}

void ZRImage::clear() {
    lock();
    int first = 255, second = 255, third = 255;
    if (m_owner) m_owner->backgroundColor(&first, &second, &third);
    // The second and third values land in blue and green: the order the setting was always read in.
    const uint32_t pixel = 0xFF000000u | (uint32_t(first & 0xFF) << 16) |
                           (uint32_t(third & 0xFF) << 8) | uint32_t(second & 0xFF);
    if (m_pixels && m_width > 0) {
        for (int y = 0; y < m_height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(m_pixels + size_t(y) * m_stride);
            for (int x = 0; x < m_width; ++x)
                row[x] = pixel;
        }
    }
    m_contentFlag = true;
    unlock();
}

bool ZRImage::copyTo(unsigned char* destination, int destinationStride, int format, bool flip) {
    if (format < 0 || format > 3) return false;
    lock();
    for (int y = 0; m_pixels && destination && y < m_height; ++y) {
        const unsigned char* src = m_pixels + size_t(y) * m_stride;
        const int row = flip ? m_height - 1 - y : y;
        unsigned char* dst = destination + ptrdiff_t(row) * destinationStride;
        switch (format) {
        case 0:
            std::memcpy(dst, src, size_t(m_width) * 4);
            break;
        case 1:
            for (int x = 0; x < m_width; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
            break;
        case 2:
        case 3:
            for (int x = 0; x < m_width; ++x) {
                const unsigned b = src[4 * x], g = src[4 * x + 1], r = src[4 * x + 2];
                const uint16_t v = format == 2
                                       ? uint16_t(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3))
                                       : uint16_t(((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (b >> 3));
                std::memcpy(dst + 2 * x, &v, 2);
            }
            break;
        }
    }
    unlock();
    return true;
}

void ZRImage::scale(bool) {
    // Field scaling arrives with the image scaler.
}

void ZRImage::setNative(int kind, const unsigned char* data, size_t length) {
    m_nativeKind = kind;
    m_nativeData = data;
    m_nativeLength = length;
}
