#pragma once

#include "engine/api/ZRFontData.h"
#include "engine/api/zrexport.h"

#include <QChar>
#include <QString>

#include <cstddef>

/// The engine's font abstraction, shared by the engine's title rendering and the program's
/// captions. Every operation has a do-nothing default; `TTFontFactory` hands out the TrueType
/// implementation. Results follow the font's conventions: 0 success, non-zero failure, -1 not
/// supported. Thread-safety: one object is used by one thread at a time; callers that share an
/// object bracket each open-measure-draw sequence with `lock()` / `unlock()`.
class ZR_EXPORT ZRFont {
public:
    ZRFont();
    ZRFont(const ZRFont& other);
    ZRFont& operator=(const ZRFont& other);
    virtual ~ZRFont();

    /// 0 when the file name ends in ".ttf" or ".ttc" (any case), else 1.
    virtual int isFont(const char* fileName);
    /// Faces in the open font file; -1 when none is open.
    virtual int numFaces() const;
    /// Opens (or keeps) the face, size and resolution the data names: 0 success; 1 size below 1
    /// or file not found; 2 size not set up; 3 character map missing. On failure the font is
    /// closed.
    virtual int openFont(ZRFontData* data);
    /// Loads a glyph by index and gives its metrics: 0, or 1 on failure.
    virtual int setChar(int glyphIndex, ZRCharInfo* info);
    /// Draws the glyph of the last `setChar` with its baseline at y into 32-bit pixels, clipped
    /// to width x height: 0 drawn, 1 nothing to draw, 2 rasteriser failure.
    virtual int renderChar(unsigned char* pixels, int bytesPerLine, int width, int height,
                           ZRFontData* data, ZRCharInfo* info, float x, float y, int bytesPerPixel);
    /// Pixels above the baseline of the open font; -1 when none is open.
    virtual int baseLine() const;
    /// Draws `data->text` (lines, alignment, tags) with its top-left corner at (x, y).
    virtual void renderString(unsigned char* pixels, int bytesPerLine, int width, int height,
                              ZRFontData* data, float x, float y, int bytesPerPixel);
    /// Measures `text` into `info`; tags act on `data`.
    virtual void getBBox(const QString& text, ZRStringInfo* info, ZRFontData* data);
    /// Width of the line that starts at `position`; leaves `position` on the line feed or the end.
    virtual float getLineWidth(int& position, const QString& text, ZRStringInfo* info,
                               ZRFontData* data);
    /// The start and end points of the text's movement over a width x height target.
    virtual void init2DMovement(ZRFontData* data, ZRFont2DInstance* instance, int width, int height,
                                ZRStringInfo& info);
    /// The character at `position` after skipping carriage returns and applying inline tags
    /// (null past the end); `position` is left on it.
    virtual QChar getNextChar(int& position, const QString& text, ZRFontData* data);
    /// The system font folder, with "/" and `fileName` appended when it is not null, into `out`
    /// of `outSize` bytes (always terminated; empty when it does not fit).
    virtual void getSystemFontDir(char* out, size_t outSize, const char* fileName);
    /// The program's own "fonts" folder beside the engine library, likewise.
    virtual void getMarvestoFontDir(char* out, size_t outSize, const char* fileName);
    virtual void lock();
    virtual void unlock();

    /// Full name of the open face (at most 49 characters); empty before the first open.
    const char* name() const { return m_name; }

protected:
    char m_name[50] = {};
};

extern "C" {
/// A new TrueType font object, closed; null when memory runs out. Destroy it with
/// `TTFontDestroy` only.
ZR_EXPORT ZRFont* TTFontFactory();
/// Destroys a font from `TTFontFactory`; null is ignored.
ZR_EXPORT void TTFontDestroy(ZRFont* font);
}
