// The process's one font object, made when the library is loaded and destroyed when it is
// unloaded, and the engine operations that draw with it.

#include "engine/fonts/ZRProcessFont.h"

#include "engine/api/ZRFont.h"
#include "engine/render/ZRImage.h"

#include <cmath>
#include <limits>
#include <mutex>

namespace {

struct ProcessFont {
    ProcessFont() : font(TTFontFactory()) {}
    ~ProcessFont() {
        TTFontDestroy(font);
        font = nullptr;
    }
    ProcessFont(const ProcessFont&) = delete;
    ProcessFont& operator=(const ProcessFont&) = delete;

    ZRFont* font;
};

ProcessFont g_processFont;

// Offset along a movement span at `frame` of `frames`, truncated toward zero.
int travelled(double span, double frame, double frames) {
    const double value = std::trunc((span - 1.0) * frame / (frames - 1.0));
    if (!std::isfinite(value)) return 0;
    return int(std::clamp(value, double(std::numeric_limits<int>::min() / 2),
                          double(std::numeric_limits<int>::max() / 2)));
}

} // namespace

ZRFont* zrProcessFont() {
    return g_processFont.font;
}

void renderTextFrame(ZRImage* target, ZRStringInfo& info, ZRFontData* data, double frame,
                     double frames) {
    ZRFont* font = zrProcessFont();
    if (!font || !target || !data) return;
    std::lock_guard fontLock(*font);
    font->openFont(data);
    ZRFont2DInstance path;
    font->init2DMovement(data, &path, target->width(), target->height(), info);
    int x = path.startX;
    int y = path.startY;
    if (data->movement && frames > 1.0) {
        x += travelled(path.spanX, frame, frames);
        y += travelled(path.spanY, frame, frames);
    }
    font->renderString(target->pixels(), target->stride(), target->width(), target->height(), data,
                       float(x), float(y), 4);
}
