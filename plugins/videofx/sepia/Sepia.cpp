// Sepia: the warm brown tones of an old photograph, as much as "Amount" (0..100 %) says.
#include "plugins/common/PluginImage.h"

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
    const int a = std::clamp(amount.value, 0, 100);
    return zrmodule::recolour(input, output, [&](const uint8_t* in, uint8_t* out) {
        const int b = in[0], g = in[1], r = in[2];
        // The sepia matrix in thousandths.
        const int tone[3] = {std::min(255, (272 * r + 534 * g + 131 * b) / 1000),
                             std::min(255, (349 * r + 686 * g + 168 * b) / 1000),
                             std::min(255, (393 * r + 769 * g + 189 * b) / 1000)};
        for (int c = 0; c < 3; ++c)
            out[c] = uint8_t(in[c] + (tone[c] - in[c]) * a / 100);
    });
}
