#pragma once

#include "engine/api/IZRImage.h"

#include <QRgb>

#include <vector>

/// An engine image over a plain buffer, counting its lock depth.
class FakeEngineImage : public IZRImage {
public:
    FakeEngineImage(int w, int h, QRgb fill, int stride = 0)
        : m_w(w), m_h(h), m_stride(stride ? stride : w * 4),
          m_pixels(size_t(m_stride) * size_t(h) / 4, fill) {}

    int width() const override { return m_w; }
    int height() const override { return m_h; }
    int stride() const override { return m_stride; }
    unsigned char* pixels() override { return reinterpret_cast<unsigned char*>(m_pixels.data()); }
    bool create(int, int, int) override { return false; }
    bool attach(unsigned char*, int, int, int) override { return false; }
    bool copyTo(unsigned char*, int, int, bool) override { return false; }
    bool flag() const override { return false; }
    void scale(bool) override {}
    void clear() override {}
    void lock() override { ++m_locks; }
    void unlock() override { --m_locks; }
    bool locked() override { return m_locks > 0; }

    QRgb pixel(int x, int y) const {
        return m_pixels[size_t(y) * size_t(m_stride / 4) + size_t(x)];
    }
    void setPixel(int x, int y, QRgb value) {
        m_pixels[size_t(y) * size_t(m_stride / 4) + size_t(x)] = value;
    }
    int lockDepth() const { return m_locks; }

private:
    int m_w, m_h, m_stride;
    std::vector<QRgb> m_pixels;
    int m_locks = 0;
};
