#pragma once

#include "engine/fonts/TTFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H

#include FT_SIZES_H

class ZRKernTable;

/// The FreeType objects of a `TTFont`'s open face: its own size object on the shared face, the
/// character map, the last loaded glyph and its metrics. Owned by the font object; used under
/// the font mutex.
struct TTFont::FaceState {
    FT_Size size = nullptr;
    FT_CharMap charMap = nullptr;
    int xResolution = 0;
    int yResolution = 0;
    /// Pairs of the face's kerning table, shared through the face cache; null below 12 pixels.
    const ZRKernTable* kerning = nullptr;
    /// Copy of the glyph that the last `setChar` loaded, and its metrics in 26.6 / 16.16 units.
    FT_Glyph glyph = nullptr;
    FT_BBox box{};
    FT_Pos advance = 0;
    FT_Fixed linearAdvance = 0;
};
