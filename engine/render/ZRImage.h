#pragma once

#include "api/IZRImage.h"
#include "util/ZRHeapMutex.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class ZRTimeline;

/// The engine's image buffer: 32-bit BGRA pixels, owned (heap block) or attached (the caller's).
/// A module may also hand over a frame in its own format (kind 2 = one DV frame).
/// Thread-safety: every access holds the image's recursive mutex (`lock`/`unlock`).
class ZRImage : public IZRImage {
public:
    /// `owner` gives the background colour for `clear`; null clears to opaque white.
    explicit ZRImage(ZRTimeline* owner);
    ~ZRImage() override;
    ZRImage(const ZRImage&) = delete;
    ZRImage& operator=(const ZRImage&) = delete;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    int stride() const override { return m_stride; }
    unsigned char* pixels() override { return m_pixels; }
    bool create(int width, int height, int noAllocation) override;
    bool attach(unsigned char* pixels, int width, int height, int stride) override;
    bool copyTo(unsigned char* destination, int destinationStride, int format, bool flip) override;
    bool flag() const override { return m_stateFlag; }
    void scale(bool firstField) override;
    void clear() override;
    void lock() override;
    void unlock() override;
    bool locked() override;

    /// The frame a module delivered in its own format: kind (2 = DV), data and its length.
    int nativeKind() const { return m_nativeKind; }
    const unsigned char* nativeData() const { return m_nativeData; }
    size_t nativeLength() const { return m_nativeLength; }
    void setNative(int kind, const unsigned char* data, size_t length);
    void resetNative() { setNative(0, nullptr, 0); }

    /// Set by `clear` and by the renderer once a frame is drawn.
    bool hasContent() const { return m_contentFlag; }
    void setContent(bool on) { m_contentFlag = on; }

private:
    void freePixels();

    unsigned char* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    int m_nativeKind = 0;
    const unsigned char* m_nativeData = nullptr;
    size_t m_nativeLength = 0;
    bool m_stateFlag = false;
    bool m_contentFlag = false;
    bool m_ownsPixels = true;
    ZRTimeline* m_owner;
    ZRHeapMutex m_mutex{true};
    std::atomic<int> m_lockDepth{0};
};
