#pragma once

#include "engine/api/IZRImage.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class ZREngineServices;

/// The engine's image buffer: 32-bit pixels with the bytes blue, green, red, alpha, rows
/// top-down `stride` bytes apart. The block is either the image's own (aligned heap memory,
/// freed by the image) or attached (the caller's, never freed here). A module may also hand
/// over a frame in its own format (native kind 2 = one DV frame).
/// Thread-safety: every access holds the image's recursive mutex (`lock`/`unlock`); `create`,
/// `attach`, `clear`, `copyTo` and `scale` take it themselves.
class ZRImage : public IZRImage {
public:
    /// The largest width or height an image allocates.
    static constexpr int kMaxSide = 16384;

    /// `owner` gives the background colour for `clear`; null clears to opaque white.
    explicit ZRImage(ZREngineServices* owner);
    ~ZRImage() override;
    ZRImage(const ZRImage&) = delete;
    ZRImage& operator=(const ZRImage&) = delete;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    int stride() const override { return m_stride; }
    unsigned char* pixels() override { return m_pixels; }
    /// Frees an owned block first. With `noAllocation` 0 and 1 <= width, height <= kMaxSide
    /// allocates width x 4 x height bytes, clears them and answers true; otherwise (or when
    /// the allocation fails) the image is left without pixels, 0 x 0, and answers false.
    bool create(int width, int height, int noAllocation) override;
    /// Uses the caller's block (never freed here) and clears it. False, leaving the image
    /// empty, for a null block, a size below 1 or a stride shorter than a row (a negative
    /// stride addresses the rows bottom-up).
    bool attach(unsigned char* pixels, int width, int height, int stride) override;
    /// Copies every row into `destination`, rows `destinationStride` bytes apart, as 0: BGRA,
    /// 1: BGR, 2: RGB 5-6-5, 3: RGB 5-5-5 (16-bit little-endian words), 5: 4:2:2 Y U Y V bytes
    /// (see zrPack422; never flipped). `flip` puts source row y at row height - 1 - y. False
    /// for any other format or a null destination.
    bool copyTo(unsigned char* destination, int destinationStride, int format, bool flip) override;
    bool flag() const override { return m_stateFlag; }
    /// Rebuilds the picture from the rows of one field (even rows when `firstField`, odd ones
    /// otherwise), scaled to the full height. Images of fewer than 2 rows stay as they are.
    void scale(bool firstField) override;
    /// Fills every pixel with the owner's "Background Color", alpha 255.
    void clear() override;
    void lock() override;
    void unlock() override;
    bool locked() override;

    /// The frame a module delivered in its own format: kind (2 = DV), data and its length.
    int nativeKind() const { return m_nativeKind; }
    const unsigned char* nativeData() const { return m_nativeData; }
    size_t nativeLength() const { return m_nativeLength; }
    void setNative(int kind, const unsigned char* data, size_t length);
    /// As `setNative`, with the data copied into the image: it stays valid however long the
    /// image is used, whatever becomes of the module that delivered it.
    void copyNative(int kind, const unsigned char* data, size_t length);
    void resetNative() { setNative(0, nullptr, 0); }

    /// Set by `clear` and by the renderer once a frame is drawn.
    bool hasContent() const { return m_contentFlag; }
    void setContent(bool on) { m_contentFlag = on; }
    /// Bytes of the owned block; 0 while the image has none.
    size_t blockSize() const { return m_blockSize; }

private:
    struct AlignedFree {
        void operator()(unsigned char* block) const;
    };

    void freePixels();
    void makeEmpty();

    unsigned char* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    int m_nativeKind = 0;
    const unsigned char* m_nativeData = nullptr;
    size_t m_nativeLength = 0;
    std::vector<unsigned char> m_nativeCopy;
    std::unique_ptr<unsigned char[], AlignedFree> m_block;
    size_t m_blockSize = 0;
    bool m_stateFlag = false;
    bool m_contentFlag = false;
    ZREngineServices* m_owner;
    std::recursive_mutex m_mutex;
    std::atomic<int> m_lockDepth{0};
};
