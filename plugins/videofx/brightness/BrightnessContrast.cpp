// Brightness & Contrast: "Brightness" (-100..100) shifts every colour by that share of full
// scale; "Contrast" (-100..100) stretches the colours away from mid-grey (100 doubles the
// distance, -100 makes everything grey).
#include "PluginImage.h"

namespace {

ZRModuleInfo info = zrmodule::makeInfo(
    "Brightness & Contrast", "Makes the picture brighter or darker and changes its contrast.");

ZRSettingItem contrast = {2, 0, 20, {}, "Contrast", nullptr};
ZRSettingItem brightness = {1, 0, 20, {}, "Brightness", &contrast};
ZRSettingGroup group = {"Brightness & Contrast", nullptr, &brightness};
ZRSettingTree tree = {&group};

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t, ZRStringLookup) {
    return &tree;
}

ZR_PLUGIN_ENTRY void setModuleGUIResult20(void) {}

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord* input, ZRImageRecord* output, int32_t) {
    int32_t result = 0;
    zrmodule::guarded([&] {
        int width = 0, height = 0;
        if (!zrmodule::commonSize(&width, &height, input, output)) return;
        const int b = std::clamp(brightness.value, -100, 100);
        const int c = std::clamp(contrast.value, -100, 100);
        uint8_t table[256];
        for (int v = 0; v < 256; ++v)
            table[v] =
                uint8_t(std::clamp((v - 128) * (100 + c) / 100 + 128 + b * 255 / 100, 0, 255));
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = zrmodule::row(input, y);
            uint8_t* out = zrmodule::row(output, y);
            for (int x = 0; x < width * 4; x += 4) {
                out[x] = table[in[x]];
                out[x + 1] = table[in[x + 1]];
                out[x + 2] = table[in[x + 2]];
                out[x + 3] = in[x + 3];
            }
        }
        result = 1;
    });
    return result;
}
