#pragma once

#include "engine/api/zrexport.h"

#include <QString>

/// How one piece of text is to be drawn: face, size, colours, layout and movement. Inline tags
/// in `text` ("<!Font=...!>", "<!Size=...!>", "<!Color=R:..,G:..,B:..!>") change the record
/// while the text is measured or drawn, so callers that must keep their values pass a copy.
/// A plain value: copies own their strings; one record belongs to one thread at a time.
struct ZR_EXPORT ZRFontData {
    ZRFontData();
    ZRFontData(const ZRFontData& other);
    ZRFontData& operator=(const ZRFontData& other);
    ~ZRFontData();

    int reserved0 = 0;
    /// Font file name (tried in the program's "fonts" folder, then the system font folders),
    /// or an absolute path. Also set by the "Font=" tag.
    QString faceName = QStringLiteral("times.ttf");
    /// Face within a collection file (".ttc").
    int faceIndex = 0;
    /// Point size; below 1 no font can be opened.
    int size = 0;
    /// Non-zero: grey-level glyphs blended into the target; 0: one bit per pixel.
    int antiAlias = 1;
    int reserved1 = 0;
    /// Text colour, 0..255 each (set by the "Color=" tag), and its opacity.
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 255;
    /// Non-zero: `renderString` first fills the whole target with the background colour.
    int opaqueBackground = 0;
    int backgroundRed = 0;
    int backgroundGreen = 0;
    int backgroundBlue = 0;
    /// Kept with the background colour; the fill itself is always opaque.
    int backgroundAlpha = 255;
    /// Per line: 1 left, 2 centred, 4 right.
    int alignment = 2;
    /// Extra pixels between lines and after each character, both scaled by `sizeRatio`.
    int lineSpacing = 0;
    int charSpacing = 0;
    /// Further advance per character of `size` x `letterSpacing` x 0.1 pixels.
    float letterSpacing = 0.0f;
    /// Non-zero: the text travels from its start point to its end point.
    int movement = 0;
    /// Pixels per movement step; 0 is taken as 1 (and written back) by `init2DMovement`.
    int movementSpeed = 0;
    /// Set to 1 when the object's movement setting changes; not read by the font code.
    int movementChanged = 0;
    /// Placement rules of the start and end points (0..4) and the offsets added to them.
    int startXMode = 4;
    int startYMode = 4;
    int startX = 0;
    int startY = 0;
    int endXMode = 4;
    int endYMode = 0;
    int endX = 0;
    int endY = 0;
    int reserved2 = 0;
    int reserved3 = 0;
    /// The text: lines separated by line feeds (carriage returns are skipped), with inline tags.
    QString text;
    /// Length of `text` in characters, kept by the object settings; not read by the font code.
    int textLength = 0;
    /// Dots per inch that turn points into pixels.
    int xResolution = 120;
    int yResolution = 120;
    /// Multiplies `size` (pixel size = truncated product) and the two spacing values.
    double sizeRatio = 1.0;
    /// Fraction of the target's width and height kept free at each edge by placement rules 1, 3.
    float safeFrameSize = 0.0f;
};

/// The measured box of a text (zeroed by `getBBox`), in pixels.
struct ZRStringInfo {
    int width = 0;      ///< widest line
    int height = 0;     ///< all lines, line spacing included
    int maxHeight = 0;  ///< tallest glyph
    int lines = 0;      ///< number of lines
    int maxDescent = 0; ///< deepest glyph below the baseline
    int maxAscent = 0;  ///< tallest glyph above the baseline
};

/// Metrics of the last glyph loaded by `setChar`, in whole pixels.
struct ZRCharInfo {
    int reserved = 0; ///< left alone by the font code
    int advance = 0;  ///< to the next character, rounded up
    int height = 0;   ///< ascent + descent
    int descent = 0;  ///< below the baseline, rounded outward
    int ascent = 0;   ///< above the baseline, rounded up
};

/// The path of a moving text over a target, filled by `init2DMovement`.
struct ZRFont2DInstance {
    int startX = 0;
    int startY = 0;
    int endX = 0;
    int endY = 0;
    int steps = 0;
    double stepX = 0.0; ///< pixels per step
    double stepY = 0.0;
    double spanY = 0.0; ///< end minus start plus one
    double spanX = 0.0;
    double length = 0.0; ///< length of the path
};
