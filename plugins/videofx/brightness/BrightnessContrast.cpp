// Brightness & Contrast: "Brightness" (-100..100) shifts every colour by that share of full
// scale; "Contrast" (-100..100) stretches the colours away from mid-grey (100 doubles the
// distance, -100 makes everything grey).
#include "plugins/common/PluginImage.h"

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
    const int b = std::clamp(brightness.value, -100, 100);
    const int c = std::clamp(contrast.value, -100, 100);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = uint8_t(std::clamp((v - 128) * (100 + c) / 100 + 128 + b * 255 / 100, 0, 255));
    return zrmodule::recolour(input, output, [&](const uint8_t* in, uint8_t* out) {
        out[0] = table[in[0]];
        out[1] = table[in[1]];
        out[2] = table[in[2]];
    });
}
