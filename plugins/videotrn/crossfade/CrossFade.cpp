// Cross Fade: the first picture fades into the second, every pixel mixed by the progress. The
// mix weighs in 1/256 steps in 16-bit lanes (255 * 256 fits), so the loop vectorises and needs
// no division per byte.
#include "plugins/common/PluginImage.h"

namespace {

ZRModuleInfo info = zrmodule::makeInfo("Cross Fade", "Fades the first clip into the second.");

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const int p = std::clamp(progress, 0, 10000);
    const uint16_t weight = uint16_t((p * 256 + 5000) / 10000);
    const uint16_t rest = uint16_t(256 - weight);
    zrmodule::withCommonArea(
        [&](int width, int height) {
            for (int y = 0; y < height; ++y) {
                const uint8_t* a = zrmodule::row(first, y);
                const uint8_t* b = zrmodule::row(second, y);
                uint8_t* o = zrmodule::row(output, y);
                for (int x = 0; x < width * 4; ++x)
                    o[x] = uint8_t(uint16_t(a[x] * rest + b[x] * weight + 128) >> 8);
            }
        },
        first, second, output);
}
