#include "engine/fonts/TTFont.h"

#include "engine/fonts/TTFontState.h"
#include "engine/fonts/ZRFaceCache.h"
#include "engine/fonts/ZRFontFolders.h"
#include "engine/fonts/ZRKernTable.h"
#include "platform/text/KeyCompare.h"

#include <QByteArray>

#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <mutex>

namespace {

constexpr FT_UShort kPlatformWindows = 3;
constexpr FT_UShort kLanguageEnglishUS = 1033;
constexpr FT_UShort kNameFull = 4;

// The full name of the face (Windows platform, US English record) as UTF-8, cut at a character
// boundary to fit 49 bytes.
void readFaceName(FT_Face face, char (&name)[50]) {
    std::memset(name, 0, sizeof name);
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName record;
        if (FT_Get_Sfnt_Name(face, i, &record) != 0) continue;
        if (record.platform_id != kPlatformWindows || record.language_id != kLanguageEnglishUS ||
            record.name_id != kNameFull)
            continue;
        QString text;
        for (FT_UInt at = 0; at + 1 < record.string_len; at += 2)
            text += QChar(char16_t((record.string[at] << 8) | record.string[at + 1]));
        QByteArray utf8 = text.toUtf8();
        while (utf8.size() > qsizetype(sizeof name - 1)) {
            // Drop whole characters (continuation bytes first).
            utf8.chop(1);
            while (!utf8.isEmpty() && (uchar(utf8.back()) & 0xC0) == 0x80)
                utf8.chop(1);
            if (!utf8.isEmpty() && uchar(utf8.back()) >= 0xC0) utf8.chop(1);
        }
        std::memcpy(name, utf8.constData(), size_t(utf8.size()));
        return;
    }
}

FT_CharMap chooseCharMap(FT_Face face) {
    for (const auto& [platform, encoding] : {std::pair{3, 1}, std::pair{1, 0}}) {
        for (FT_Int i = 0; i < face->num_charmaps; ++i) {
            FT_CharMap map = face->charmaps[i];
            if (map->platform_id == platform && map->encoding_id == encoding) return map;
        }
    }
    return face->num_charmaps > 0 ? face->charmaps[0] : nullptr;
}

// An extra reference on a face cache entry for a scope (null is allowed).
class FaceReference {
public:
    explicit FaceReference(fonts::ZRFaceEntry* entry) : m_entry(entry) {
        if (m_entry) ++m_entry->references;
    }
    ~FaceReference() { fonts::releaseFace(m_entry); }
    FaceReference(const FaceReference&) = delete;
    FaceReference& operator=(const FaceReference&) = delete;

private:
    fonts::ZRFaceEntry* m_entry;
};

} // namespace

TTFont::TTFont() : m_state(std::make_unique<FaceState>()) {
    fonts::fontMutex(); // the process-wide mutex exists before any font work
}

TTFont::~TTFont() {
    std::lock_guard lock(fonts::fontMutex());
    closeLocked();
}

int TTFont::isFont(const char* fileName) {
    if (!fileName) return 1;
    const size_t length = std::strlen(fileName);
    if (length < 4) return 1;
    const std::string_view suffix(fileName + length - 4, 4);
    return (platform::keyEqual(suffix, ".ttf") || platform::keyEqual(suffix, ".ttc")) ? 0 : 1;
}

int TTFont::numFaces() const {
    return (m_isOpen && m_faceEntry) ? int(m_faceEntry->face->num_faces) : -1;
}

int TTFont::baseLine() const {
    return m_isOpen ? m_ascent : -1;
}

void TTFont::lock() {
    m_mutex.lock();
}
void TTFont::unlock() {
    m_mutex.unlock();
}

int TTFont::openFont(ZRFontData* data) {
    std::lock_guard lock(fonts::fontMutex());
    return openLocked(data);
}

int TTFont::openLocked(ZRFontData* data) {
    if (!data) {
        closeLocked();
        return 1;
    }
    const double requested = double(data->size) * data->sizeRatio;
    const int pixels =
        (std::isfinite(requested) && requested >= 0.0 && requested <= 1e9) ? int(requested) : 0;
    // Resolutions are compared too: the same face and size at another resolution is another
    // pixel size.
    if (m_isOpen && m_currentFace == data->faceName && m_pixelSize == pixels &&
        m_faceEntry->faceIndex == data->faceIndex && m_state->xResolution == data->xResolution &&
        m_state->yResolution == data->yResolution)
        return 0;
    // The face in use stays open while the font moves to another size of it.
    const FaceReference keep(m_faceEntry);
    closeLocked();
    if (data->size < 1) return 1;

    for (const QString& path : fonts::fontFileCandidates(data->faceName)) {
        m_faceEntry = fonts::acquireFace(path, data->faceIndex);
        if (m_faceEntry) break;
    }
    if (!m_faceEntry) return 1;
    FT_Face face = m_faceEntry->face;

    if (FT_New_Size(face, &m_state->size) != 0) {
        m_state->size = nullptr;
        closeLocked();
        return 1;
    }
    const auto validResolution = [](int dpi) { return dpi >= 1 && dpi <= 10000; };
    const auto emPixels = [pixels](int dpi) { return double(pixels) * dpi / 72.0; };
    if (pixels < 1 || !validResolution(data->xResolution) || !validResolution(data->yResolution) ||
        emPixels(data->xResolution) > kMaxPixelSize ||
        emPixels(data->yResolution) > kMaxPixelSize || FT_Activate_Size(m_state->size) != 0 ||
        FT_Set_Char_Size(face, FT_F26Dot6(pixels) * 64, FT_F26Dot6(pixels) * 64,
                         FT_UInt(data->xResolution), FT_UInt(data->yResolution)) != 0) {
        closeLocked();
        return 2;
    }
    m_state->xResolution = data->xResolution;
    m_state->yResolution = data->yResolution;

    readFaceName(face, m_name);

    m_state->charMap = chooseCharMap(face);
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (!m_state->charMap || FT_Set_Charmap(face, m_state->charMap) != 0 || !hhea ||
        face->units_per_EM == 0) {
        closeLocked();
        return 3;
    }
    m_currentFace = data->faceName;
    m_pixelSize = pixels;

    m_state->kerning = pixels >= 12 ? fonts::faceKerning(m_faceEntry) : nullptr;

    m_scale = float(double(pixels) * 64.0 * data->yResolution / (face->units_per_EM * 72.0));
    m_ascent = int(std::floor(std::ceil(m_scale * hhea->Ascender) / 64.0));
    m_descent = int(std::floor(std::floor(m_scale * hhea->Descender) / 64.0));
    m_lineGap = int(std::floor(std::ceil(m_scale * hhea->Line_Gap) / 64.0));
    m_lineHeight = m_lineGap - m_descent + m_ascent;
    m_isOpen = true;
    return 0;
}

void TTFont::closeLocked() {
    if (m_state->glyph) FT_Done_Glyph(m_state->glyph);
    if (m_state->size) FT_Done_Size(m_state->size);
    fonts::releaseFace(m_faceEntry);
    *m_state = FaceState{};
    m_faceEntry = nullptr;
    m_isOpen = false;
}

int TTFont::setChar(int glyphIndex, ZRCharInfo* info) {
    if (glyphIndex < 0) return 1;
    std::lock_guard lock(fonts::fontMutex());
    return setCharLocked(unsigned(glyphIndex), info);
}

int TTFont::setCharLocked(unsigned glyphIndex, ZRCharInfo* info) {
    if (!m_isOpen) return 1;
    if (m_state->glyph) {
        FT_Done_Glyph(m_state->glyph);
        m_state->glyph = nullptr;
    }
    FT_Face face = m_faceEntry->face;
    if (FT_Activate_Size(m_state->size) != 0 ||
        FT_Load_Glyph(face, glyphIndex, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE ||
        FT_Get_Glyph(face->glyph, &m_state->glyph) != 0) {
        m_state->glyph = nullptr;
        return 1;
    }
    FT_Outline_Get_CBox(&face->glyph->outline, &m_state->box);
    m_state->advance = face->glyph->advance.x;
    m_state->linearAdvance = face->glyph->linearHoriAdvance;
    if (info) {
        info->advance = int((m_state->advance + 63) >> 6);
        info->descent = -int(m_state->box.yMin >> 6);
        info->ascent = int((m_state->box.yMax + 63) >> 6);
        info->height = info->ascent + info->descent;
    }
    return 0;
}

bool TTFont::placeChar(QChar c, unsigned previous, PlacedChar& placed) {
    std::lock_guard lock(fonts::fontMutex());
    FT_Face face = m_faceEntry->face;
    // The face is shared: another font object may have chosen another map meanwhile.
    FT_Set_Charmap(face, m_state->charMap);
    placed.glyph = FT_Get_Char_Index(face, c.unicode());
    placed.kerning = 0;
    if (m_state->kerning && previous != 0) {
        const int value = m_state->kerning->pairValue(0, previous, placed.glyph);
        if (value != 0) placed.kerning = int(std::floor(std::ceil(double(value) * m_scale) / 64.0));
    }
    const bool loaded = setCharLocked(placed.glyph, &placed.info) == 0;
    if (loaded && c.unicode() == 32)
        placed.info.advance = int((m_state->linearAdvance + 0xFFFF) >> 16);
    return loaded;
}
