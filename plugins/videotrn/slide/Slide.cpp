// Slide: the second picture slides in from the right edge over the first.
#include "plugins/common/PluginImage.h"

namespace {

ZRModuleInfo info =
    zrmodule::makeInfo("Slide", "Slides the second clip in from the right over the first.");

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const int64_t p = std::clamp(progress, 0, 10000);
    zrmodule::withCommonArea(
        [&](int width, int height) {
            // The second picture's left edge: at the right border at 0, at the left one at 10000.
            const int edge = int(width - int64_t(width) * p / 10000);
            for (int y = 0; y < height; ++y) {
                const uint8_t* a = zrmodule::row(first, y);
                const uint8_t* b = zrmodule::row(second, y);
                uint8_t* o = zrmodule::row(output, y);
                std::memmove(o, a, size_t(edge) * 4);
                std::memmove(o + size_t(edge) * 4, b, size_t(width - edge) * 4);
            }
        },
        first, second, output);
}
