// Cross Fade: the first picture fades into the second, every pixel mixed by the progress.
#include "PluginImage.h"

namespace {

ZRModuleInfo info = zrmodule::makeInfo("Cross Fade", "Fades the first clip into the second.");

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const uint32_t p = uint32_t(std::clamp(progress, 0, 10000));
    zrmodule::withCommonArea(
        [&](int width, int height) {
            for (int y = 0; y < height; ++y) {
                const uint8_t* a = zrmodule::row(first, y);
                const uint8_t* b = zrmodule::row(second, y);
                uint8_t* o = zrmodule::row(output, y);
                for (int x = 0; x < width * 4; ++x)
                    o[x] = uint8_t((a[x] * (10000 - p) + b[x] * p + 5000) / 10000);
            }
        },
        first, second, output);
}
