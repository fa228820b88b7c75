// Sepia: the warm brown tones of an old photograph, as much as "Amount" (0..100 %) says.
#include "PluginImage.h"

namespace {

ZRModuleInfo info =
    zrmodule::makeInfo("Sepia", "Gives the picture the brown tones of an old photo.");

ZRSettingItem amount = {1, 0, 100, {}, "Amount", nullptr};
ZRSettingGroup group = {"Sepia", nullptr, &amount};
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
        const int a = std::clamp(amount.value, 0, 100);
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = zrmodule::row(input, y);
            uint8_t* out = zrmodule::row(output, y);
            for (int x = 0; x < width * 4; x += 4) {
                const int b = in[x], g = in[x + 1], r = in[x + 2];
                // The sepia matrix in thousandths.
                const int tone[3] = {std::min(255, (272 * r + 534 * g + 131 * b) / 1000),
                                     std::min(255, (349 * r + 686 * g + 168 * b) / 1000),
                                     std::min(255, (393 * r + 769 * g + 189 * b) / 1000)};
                for (int c = 0; c < 3; ++c)
                    out[x + c] = uint8_t(in[x + c] + (tone[c] - in[x + c]) * a / 100);
                out[x + 3] = in[x + 3];
            }
        }
        result = 1;
    });
    return result;
}
