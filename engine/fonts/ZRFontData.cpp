#include "engine/api/ZRFontData.h"

ZRFontData::ZRFontData() = default;
ZRFontData::ZRFontData(const ZRFontData& other) = default;
ZRFontData& ZRFontData::operator=(const ZRFontData& other) = default;
ZRFontData::~ZRFontData() = default;
