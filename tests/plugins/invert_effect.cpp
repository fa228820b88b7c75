// A video effect for the tests: inverts blue, green and red while its first setting is non-zero,
// else copies. Its settings tree holds an item with extra words and a second group;
// `invertTree` lets the tests see what the engine wrote back.
#include "engine/api/zrplugin.h"

#include <algorithm>

namespace {

ZRModuleInfo info = {1, "Test Invert", 0x11, "Inverts the picture"};
ZRSettingItem third = {3, 0, 9, {}, "Third", nullptr};
ZRSettingItem second = {2, ZR_SETTING_EXTRA, 5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "Extra", nullptr};
ZRSettingItem first = {1, 0, 1, {}, "Invert", &second};
ZRSettingGroup lastGroup = {"More", nullptr, &third};
ZRSettingGroup firstGroup = {"Main", &lastGroup, &first};
ZRSettingTree tree = {&firstGroup};
int results = 0;

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t, ZRStringLookup) {
    return &tree;
}

ZR_PLUGIN_ENTRY void setModuleGUIResult20(void) {
    ++results;
}

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord* input, ZRImageRecord* output, int32_t) {
    const int width = std::min(input->width, output->width);
    const int height = std::min(input->height, output->height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = input->pixels + size_t(y) * size_t(input->stride);
        uint8_t* out = output->pixels + size_t(y) * size_t(output->stride);
        for (int x = 0; x < width * 4; ++x)
            out[x] = (x % 4 != 3 && first.value) ? uint8_t(255 - in[x]) : in[x];
    }
    return first.value ? 1 : 2;
}

ZR_PLUGIN_ENTRY ZRSettingTree* invertTree(int* resultCount) {
    *resultCount = results;
    return &tree;
}
