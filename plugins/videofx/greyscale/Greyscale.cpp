// Greyscale: takes the colour out of the picture, as much as "Amount" (0..100 %) says.
#include "plugins/common/PluginImage.h"

namespace {

ZRModuleInfo info = zrmodule::makeInfo("Greyscale", "Turns the picture into shades of grey.");

ZRSettingItem amount = {1, 0, 100, {}, "Amount", nullptr};
ZRSettingGroup group = {"Greyscale", nullptr, &amount};
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
        // ITU-R 601 luma from blue, green, red.
        const int luma = (29 * in[0] + 150 * in[1] + 77 * in[2] + 128) >> 8;
        for (int c = 0; c < 3; ++c)
            out[c] = uint8_t(in[c] + (luma - in[c]) * a / 100);
    });
}
