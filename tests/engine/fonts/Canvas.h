#pragma once

#include <QRect>

#include <cstdint>
#include <vector>

/// A 32-bit pixel buffer for drawing tests, with the box of the pixels that changed.
struct Canvas {
    Canvas(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}

    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(pixels.data()); }
    int bytesPerLine() const { return width * 4; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }

    /// The smallest rectangle holding every pixel that differs from `background` within `area`
    /// (the whole canvas when `area` is null).
    QRect ink(uint32_t background = 0, QRect area = QRect()) const {
        if (area.isNull()) area = QRect(0, 0, width, height);
        QRect box;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (at(x, y) != background) box |= QRect(x, y, 1, 1);
            }
        }
        return box;
    }

    int width;
    int height;
    std::vector<uint32_t> pixels;
};
