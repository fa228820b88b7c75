#pragma once

#include "engine/api/ZRFont.h"

#include <memory>

/// A font object from the factory, destroyed through `TTFontDestroy`.
struct FontDeleter {
    void operator()(ZRFont* font) const { TTFontDestroy(font); }
};
using FontPtr = std::unique_ptr<ZRFont, FontDeleter>;

inline FontPtr makeFont() {
    return FontPtr(TTFontFactory());
}

/// Font data for an installed font at `size` points, one point a pixel, left aligned.
inline ZRFontData fontData(const QString& face, int size) {
    ZRFontData data;
    data.faceName = face;
    data.size = size;
    data.xResolution = data.yResolution = 72;
    data.alignment = 1;
    return data;
}

inline ZRFontData sansData(int size) {
    return fontData(QStringLiteral("DejaVuSans.ttf"), size);
}

/// Width of `text` as one line, measured on a copy of `data`.
inline int lineWidth(ZRFont& font, const QString& text, ZRFontData data) {
    font.openFont(&data);
    int position = 0;
    return int(font.getLineWidth(position, text, nullptr, &data));
}
