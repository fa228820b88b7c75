// Mirror: flips the picture. "Mode" 0 mirrors left and right, 1 top and bottom, 2 both.
#include "plugins/common/PluginImage.h"

#include <vector>

namespace {

ZRModuleInfo info = zrmodule::makeInfo("Mirror", "Shows the picture as in a mirror.");

ZRSettingItem mode = {1, 0, 0, {}, "Mode", nullptr};
ZRSettingGroup group = {"Mirror", nullptr, &mode};
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
    const bool across = mode.value == 0 || mode.value == 2;
    const bool upDown = mode.value == 1 || mode.value == 2;
    return zrmodule::withCommonArea(
        [&](int width, int height) {
            // A picture mirrored onto itself is read from a copy.
            std::vector<uint32_t> copy;
            if (input->pixels == output->pixels) {
                copy.resize(size_t(width) * size_t(height));
                for (int y = 0; y < height; ++y)
                    std::memcpy(&copy[size_t(y) * size_t(width)], zrmodule::row(input, y),
                                size_t(width) * 4);
            }
            for (int y = 0; y < height; ++y) {
                const int from = upDown ? height - 1 - y : y;
                const auto* in = copy.empty()
                                     ? reinterpret_cast<const uint32_t*>(zrmodule::row(input, from))
                                     : &copy[size_t(from) * size_t(width)];
                auto* out = reinterpret_cast<uint32_t*>(zrmodule::row(output, y));
                for (int x = 0; x < width; ++x)
                    out[x] = in[across ? width - 1 - x : x];
            }
        },
        input, output);
}
