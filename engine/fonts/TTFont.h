#pragma once

#include "engine/api/ZRFont.h"

#include <QString>

#include <memory>
#include <mutex>

namespace fonts {
struct ZRFaceEntry;
}

/// The TrueType font: opens ".ttf" files and ".ttc" collections through FreeType, lays out
/// text of several lines with kerning, inline tags, alignment, spacing and a movement path, and
/// draws it into 32-bit ARGB pixels, anti-aliased or one bit per pixel, clipped to the target.
/// Faces are shared between font objects through the process-wide face cache.
/// Thread-safety: an object is used by one thread at a time, or under its `lock()`, which a
/// thread may take again while it holds it (the host holds it around title settings that
/// measure text under it); all FreeType work inside runs under the process-wide font mutex,
/// taken after the object's.
class TTFont final : public ZRFont {
public:
    TTFont();
    ~TTFont() override;
    TTFont(const TTFont&) = delete;
    TTFont& operator=(const TTFont&) = delete;

    /// Largest em size in target pixels (size x ratio x resolution / 72) that can be opened;
    /// larger sizes answer 2 like any size FreeType cannot set up.
    static constexpr int kMaxPixelSize = 4096;

    int isFont(const char* fileName) override;
    int numFaces() const override;
    int openFont(ZRFontData* data) override;
    int setChar(int glyphIndex, ZRCharInfo* info) override;
    int renderChar(unsigned char* pixels, int bytesPerLine, int width, int height, ZRFontData* data,
                   ZRCharInfo* info, float x, float y, int bytesPerPixel) override;
    int baseLine() const override;
    void renderString(unsigned char* pixels, int bytesPerLine, int width, int height,
                      ZRFontData* data, float x, float y, int bytesPerPixel) override;
    void getBBox(const QString& text, ZRStringInfo* info, ZRFontData* data) override;
    float getLineWidth(int& position, const QString& text, ZRStringInfo* info,
                       ZRFontData* data) override;
    void init2DMovement(ZRFontData* data, ZRFont2DInstance* instance, int width, int height,
                        ZRStringInfo& info) override;
    QChar getNextChar(int& position, const QString& text, ZRFontData* data) override;
    void lock() override;
    void unlock() override;

    bool isOpen() const { return m_isOpen; }
    int pixelSize() const { return m_pixelSize; }
    int ascent() const { return m_ascent; }
    int descent() const { return m_descent; }
    int lineHeight() const { return m_lineHeight; }
    float scale() const { return m_scale; }

private:
    struct FaceState;
    /// One character ready to place: its glyph, the kerning against the previous glyph (whole
    /// pixels) and its metrics, space advance applied.
    struct PlacedChar {
        unsigned glyph = 0;
        int kerning = 0;
        ZRCharInfo info;
    };

    int openLocked(ZRFontData* data);
    void closeLocked();
    int setCharLocked(unsigned glyphIndex, ZRCharInfo* info);
    /// Loads `c` after the glyph `previous` (0: none): false when the glyph cannot be loaded.
    bool placeChar(QChar c, unsigned previous, PlacedChar& placed);
    /// Width of the line at `position` as `state` opens it, measured on a copy; the font is
    /// opened with `state` again afterwards.
    int measureLine(int position, const QString& text, ZRFontData& state);

    std::unique_ptr<FaceState> m_state;
    QString m_currentFace;
    int m_pixelSize = 10;
    int m_ascent = 0;
    int m_descent = 0;
    int m_lineGap = 0;
    int m_lineHeight = 0;
    float m_scale = 0.0f;
    bool m_isOpen = false;
    fonts::ZRFaceEntry* m_faceEntry = nullptr;
    std::recursive_mutex m_mutex;
};
