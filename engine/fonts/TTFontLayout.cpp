// Text layout of TTFont: inline tags, line measuring, the text box, drawing a whole text and
// the movement path.

#include "engine/fonts/TTFont.h"

#include "engine/api/ZRFontData.h"
#include "engine/fonts/ZRFontEntry.h"
#include "engine/fonts/ZRFontRegistry.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

QChar charAt(const QString& text, int position) {
    return (position >= 0 && position < text.size()) ? text[position] : QChar();
}

// Rounds up, then clamps into int range: inputs come from settings and scripts.
int ceilToInt(double value) {
    if (!std::isfinite(value)) return 0;
    value = std::ceil(value);
    return int(std::clamp(value, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

int truncToInt(double value) {
    if (!std::isfinite(value)) return 0;
    return int(std::clamp(std::trunc(value), double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

int clampToInt(int64_t value) {
    return int(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
}

// Extra advance after every character: the spacing values scaled by the size ratio.
int characterSpacing(const ZRFontData& data) {
    const double letter = double(data.size) * double(data.letterSpacing) * 0.1;
    return ceilToInt(data.charSpacing * data.sizeRatio) + truncToInt(letter + 0.5);
}

int lineAdvance(int lineHeight, const ZRFontData& data) {
    return clampToInt(int64_t(lineHeight) + ceilToInt(data.lineSpacing * data.sizeRatio));
}

// Where a line of width `lineWidth` starts in a box of `boxWidth` under the alignment rule.
int alignmentOffset(int alignment, int boxWidth, int lineWidth) {
    if (alignment == 2) return (boxWidth - lineWidth) >> 1;
    if (alignment == 4) return boxWidth - lineWidth;
    return 0;
}

} // namespace

QChar TTFont::getNextChar(int& position, const QString& text, ZRFontData* data) {
    if (position < 0) position = 0;
    for (;;) {
        while (charAt(text, position) == QChar(13))
            ++position;
        if (charAt(text, position) != QChar('<') || charAt(text, position + 1) != QChar('!'))
            return charAt(text, position);

        // The tag ends before the first "!" or before the character that precedes ">".
        const int start = position + 2;
        int end = start;
        while (end < text.size() && text[end] != QChar('!') && charAt(text, end + 1) != QChar('>'))
            ++end;
        const QString tag = text.mid(start, end - start);
        position = end + 2;

        if (data) {
            const QByteArray bytes = tag.toUtf8();
            if (tag.startsWith(QLatin1String("Color="))) {
                int r = data->red, g = data->green, b = data->blue;
                std::sscanf(bytes.constData() + 6, "R:%i,G: %i,B:%i", &r, &g, &b);
                data->red = std::clamp(r, 0, 255);
                data->green = std::clamp(g, 0, 255);
                data->blue = std::clamp(b, 0, 255);
            } else if (tag.startsWith(QLatin1String("Font="))) {
                // An unknown name keeps the font that is open.
                const ZRFontEntry* entry = findFontEntry(bytes.constData() + 5);
                if (entry && !entry->fileName.empty() && entry->faceIndex >= 0) {
                    data->faceName = QString::fromUtf8(entry->fileName.c_str());
                    data->faceIndex = entry->faceIndex;
                    openFont(data);
                }
            } else if (tag.startsWith(QLatin1String("Size="))) {
                int size = 0;
                if (std::sscanf(bytes.constData() + 5, "%i", &size) == 1) {
                    data->size = size;
                    openFont(data);
                }
            }
        }
        if (charAt(text, position) != QChar('<')) return charAt(text, position);
    }
}

float TTFont::getLineWidth(int& position, const QString& text, ZRStringInfo* info,
                           ZRFontData* data) {
    if (!m_isOpen) {
        ++position;
        return 0.0f;
    }
    const int spacing = data ? characterSpacing(*data) : 0;
    int64_t width = 0;
    unsigned previous = 0;
    for (;;) {
        const QChar c = getNextChar(position, text, data);
        if (c.isNull() || c == QChar(10) || !m_isOpen) break;
        PlacedChar placed;
        if (!placeChar(c, previous, placed)) {
            ++position;
            previous = 0;
            continue;
        }
        if (info) {
            info->maxHeight = std::max(info->maxHeight, placed.info.height);
            info->maxDescent = std::max(info->maxDescent, placed.info.descent);
            info->maxAscent = std::max(info->maxAscent, placed.info.ascent);
        }
        width += int64_t(placed.kerning) + placed.info.advance + spacing;
        ++position;
        previous = placed.glyph;
    }
    return float(width);
}

void TTFont::getBBox(const QString& text, ZRStringInfo* info, ZRFontData* data) {
    if (!info || !data) return;
    // Tags act on a copy, so the caller's data keeps its values; measuring starts from them.
    ZRFontData state = *data;
    if (openFont(&state) != 0) return;
    *info = ZRStringInfo{};
    int position = 0;
    int lines = 1;
    for (;;) {
        const int width = ceilToInt(getLineWidth(position, text, info, &state));
        info->width = std::max(info->width, width);
        while (charAt(text, position) == QChar(13))
            ++position;
        if (charAt(text, position) != QChar(10)) break;
        ++position;
        while (charAt(text, position) == QChar(13))
            ++position;
        if (position >= text.size()) break;
        ++lines;
    }
    info->lines = lines;
    info->height =
        clampToInt(int64_t(m_lineHeight) * lines +
                   int64_t(ceilToInt(state.lineSpacing * state.sizeRatio)) * (lines - 1));
    openFont(data);
}

int TTFont::measureLine(int position, const QString& text, ZRFontData& state) {
    ZRFontData copy = state;
    const int width = ceilToInt(getLineWidth(position, text, nullptr, &copy));
    openFont(&state);
    return width;
}

void TTFont::renderString(unsigned char* pixels, int bytesPerLine, int width, int height,
                          ZRFontData* data, float x, float y, int bytesPerPixel) {
    if (!data || !pixels || width <= 0 || height <= 0 || bytesPerLine < 4) return;
    ZRFontData state = *data;
    if (openFont(&state) != 0) return;

    if (state.opaqueBackground) {
        const uint32_t fill = 0xFF000000u |
                              uint32_t(std::clamp(state.backgroundRed, 0, 255)) << 16 |
                              uint32_t(std::clamp(state.backgroundGreen, 0, 255)) << 8 |
                              uint32_t(std::clamp(state.backgroundBlue, 0, 255));
        const size_t words = size_t(bytesPerLine) * size_t(height) / 4;
        for (size_t i = 0; i < words; ++i)
            std::memcpy(pixels + i * 4, &fill, 4);
    }

    const QString text = state.text;
    ZRStringInfo box;
    getBBox(text, &box, &state);
    if (!m_isOpen) return;

    const double left = x;
    double penX = left + alignmentOffset(state.alignment, box.width, measureLine(0, text, state));
    double penY = double(y) + m_ascent;
    int spacing = characterSpacing(state);
    unsigned previous = 0;
    int position = 0;
    while (!charAt(text, position).isNull()) {
        const QChar c = getNextChar(position, text, &state);
        if (c.isNull() || !m_isOpen) break;
        if (c == QChar(10)) {
            penX = left + alignmentOffset(state.alignment, box.width,
                                          measureLine(position + 1, text, state));
            penY += lineAdvance(m_lineHeight, state);
            spacing = characterSpacing(state);
            previous = 0;
        } else {
            PlacedChar placed;
            if (!placeChar(c, previous, placed)) break;
            penX += placed.kerning;
            renderChar(pixels, bytesPerLine, width, height, &state, &placed.info,
                       float(std::floor(penX)), float(std::floor(penY)), bytesPerPixel);
            penX += double(placed.info.advance) + spacing;
            previous = placed.glyph;
        }
        ++position;
    }
    openFont(data);
}

void TTFont::init2DMovement(ZRFontData* data, ZRFont2DInstance* instance, int width, int height,
                            ZRStringInfo& info) {
    if (!data || !instance) return;
    const int64_t w = info.width;
    const int64_t h = info.height;
    int64_t marginX = 0;
    int64_t marginY = 0;
    if (data->safeFrameSize > 0.0f) {
        const double keep = 1.0 - 2.0 * double(data->safeFrameSize);
        marginX = (int64_t(width) - truncToInt(width * keep)) >> 1;
        marginY = (int64_t(height) - truncToInt(height * keep)) >> 1;
    }
    const auto place = [](int mode, int64_t offset, int64_t extent, int64_t margin, int64_t size,
                          int64_t gap, int& out) {
        switch (mode) {
        case 0:
            out = clampToInt(offset - extent - gap);
            break;
        case 1:
            out = clampToInt(offset + margin);
            break;
        case 2:
            out = clampToInt(offset + size + gap);
            break;
        case 3:
            out = clampToInt(offset - margin - extent - 1 + size);
            break;
        case 4:
            out = clampToInt(offset + (size - extent) / 2);
            break;
        default:
            break;
        }
    };
    // Horizontally the text leaves the target by one pixel more than vertically.
    place(data->startXMode, data->startX, w, marginX, width, 1, instance->startX);
    place(data->startYMode, data->startY, h, marginY, height, 0, instance->startY);
    place(data->endXMode, data->endX, w, marginX, width, 1, instance->endX);
    place(data->endYMode, data->endY, h, marginY, height, 0, instance->endY);

    instance->spanX = double(instance->endX) - double(instance->startX) + 1.0;
    instance->spanY = double(instance->endY) - double(instance->startY) + 1.0;
    instance->length =
        std::sqrt(instance->spanX * instance->spanX + instance->spanY * instance->spanY);
    if (data->movementSpeed == 0) data->movementSpeed = 1;
    instance->steps = ceilToInt(instance->length / data->movementSpeed);
    if (instance->steps > 0) {
        instance->stepX = instance->spanX / instance->steps;
        instance->stepY = instance->spanY / instance->steps;
    }
}
