// Blur: softens the picture with a box of "Radius" pixels (0..32) each way. With "Grow" set the
// radius grows from nothing to its full size over the effect's length.
#include "plugins/common/PluginImage.h"

#include <vector>

namespace {

ZRModuleInfo info = zrmodule::makeInfo("Blur", "Softens the picture; may grow over time.");

ZRSettingItem grow = {2, 0, 0, {}, "Grow", nullptr};
ZRSettingItem radius = {1, 0, 4, {}, "Radius", &grow};
ZRSettingGroup group = {"Blur", nullptr, &radius};
ZRSettingTree tree = {&group};

constexpr int kMaxRadius = 32;

// One box pass along a line of `count` pixels `step` words apart, edges repeated.
void boxLine(const uint8_t* in, size_t inStep, uint8_t* out, size_t outStep, int count, int r) {
    const int size = 2 * r + 1;
    for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += in[size_t(std::clamp(i, 0, count - 1)) * inStep + size_t(c)];
        for (int i = 0; i < count; ++i) {
            out[size_t(i) * outStep + size_t(c)] = uint8_t((sum + size / 2) / size);
            const int leaving = std::clamp(i - r, 0, count - 1);
            const int entering = std::clamp(i + r + 1, 0, count - 1);
            sum += in[size_t(entering) * inStep + size_t(c)] -
                   in[size_t(leaving) * inStep + size_t(c)];
        }
    }
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t, ZRStringLookup) {
    return &tree;
}

ZR_PLUGIN_ENTRY void setModuleGUIResult20(void) {}

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord* input, ZRImageRecord* output,
                                            int32_t progress) {
    int r = std::clamp(radius.value, 0, kMaxRadius);
    if (grow.value) r = int(int64_t(r) * std::clamp(progress, 0, 100000) / 100000);
    return zrmodule::withCommonArea(
        [&](int width, int height) {
            // Across into a buffer of our own, then down into the output.
            std::vector<uint8_t> across(size_t(width) * size_t(height) * 4);
            for (int y = 0; y < height; ++y)
                boxLine(zrmodule::row(input, y), 4, &across[size_t(y) * size_t(width) * 4], 4,
                        width, r);
            for (int x = 0; x < width; ++x)
                boxLine(&across[size_t(x) * 4], size_t(width) * 4, output->pixels + size_t(x) * 4,
                        size_t(output->stride), height, r);
        },
        input, output);
}
