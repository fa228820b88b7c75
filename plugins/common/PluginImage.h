#pragma once

// Pixel access shared by our transition and video-effect modules: checks on the image records
// the engine hands over, row access, the catch-all every entry point runs its work in, and the
// walk over the area the pictures share.

#include "engine/api/zrplugin.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zrmodule {

/// True when `image` has pixels and a geometry whose rows hold its width.
inline bool usable(const ZRImageRecord* image) {
    return image && image->pixels && image->width > 0 && image->height > 0 &&
           int64_t(image->stride) >= int64_t(image->width) * 4;
}

inline uint8_t* row(const ZRImageRecord* image, int y) {
    return image->pixels + ptrdiff_t(y) * image->stride;
}

/// The area all of `images` cover; false when one of them is not usable.
template <class... Images> bool commonSize(int* width, int* height, const Images*... images) {
    if (!(usable(images) && ...)) return false;
    *width = std::min({images->width...});
    *height = std::min({images->height...});
    return true;
}

/// Runs `work`, swallowing whatever it throws: no exception may leave a module.
template <class Work> void guarded(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
    }
}

/// Runs `work(width, height)` over the area all `images` cover, guarded. True when every image
/// was usable and `work` ran to its end.
template <class Work, class... Images>
bool withCommonArea(Work&& work, const Images*... images) noexcept {
    bool done = false;
    guarded([&] {
        int width = 0, height = 0;
        if (!commonSize(&width, &height, images...)) return;
        work(width, height);
        done = true;
    });
    return done;
}

/// Runs `colour(in, out)` for every pixel of the area `input` and `output` both cover: it writes
/// the blue, green and red bytes at `out` from the pixel at `in`; the alpha byte is copied.
/// Guarded; true when every pixel was done.
template <class Colour>
bool recolour(const ZRImageRecord* input, ZRImageRecord* output, Colour&& colour) noexcept {
    return withCommonArea(
        [&](int width, int height) {
            for (int y = 0; y < height; ++y) {
                const uint8_t* in = row(input, y);
                uint8_t* out = row(output, y);
                for (int x = 0; x < width * 4; x += 4) {
                    colour(in + x, out + x);
                    out[x + 3] = in[x + 3];
                }
            }
        },
        input, output);
}

/// Fills `text` (of `size` bytes) with `value`, cut to fit and NUL-terminated.
inline void setText(char* text, size_t size, const char* value) {
    std::strncpy(text, value, size - 1);
    text[size - 1] = '\0';
}

/// A module's information record with its display name and the text the pages show.
inline ZRModuleInfo makeInfo(const char* name, const char* description) {
    ZRModuleInfo info{};
    info.version = 1;
    setText(info.name, sizeof info.name, name);
    setText(info.description, sizeof info.description, description);
    return info;
}

} // namespace zrmodule
