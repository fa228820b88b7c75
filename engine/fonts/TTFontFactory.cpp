#include "engine/api/ZRFont.h"
#include "engine/fonts/TTFont.h"

#include <new>

extern "C" ZR_EXPORT ZRFont* TTFontFactory() {
    return new (std::nothrow) TTFont;
}

extern "C" ZR_EXPORT void TTFontDestroy(ZRFont* font) {
    delete font;
}
