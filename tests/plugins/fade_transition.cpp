// A transition for the tests: a cross-fade from the first picture to the second, with a
// settings record that offers anti-aliasing, colour and subdivision and asks for a custom
// configuration block. `fadeApplied` tells the tests what the engine last handed over.
#include "engine/api/zrplugin.h"

#include <algorithm>

namespace {

ZRModuleInfo info = {1, "Test Fade", 0, "Blends the first picture into the second"};
ZRTransitionSettings record;
ZRTransitionSettings applied;
int setCount = 0;

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void resetTransitionGUI(void) {
    record = ZRTransitionSettings{};
    record.offers = ZR_TRANSITION_ANTIALIAS | ZR_TRANSITION_COLOR | ZR_TRANSITION_SUBDIVISION;
    record.antiAlias = 1;
    record.colorMode = 3;
    record.penWidth = 2;
    record.subDivision[0] = 4;
    record.subDivision[1] = 3;
    record.color[0] = 10;
    record.color[1] = 20;
    record.color[2] = 30;
    record.color[3] = 255;
    record.customConfigWord = 1;
}

ZR_PLUGIN_ENTRY ZRTransitionSettings* transitionGUI(void) {
    return &record;
}

ZR_PLUGIN_ENTRY void setTransitionGUI(void) {
    applied = record;
    ++setCount;
}

ZR_PLUGIN_ENTRY void customTransitionConfig(void) {}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const int width = std::min({first->width, second->width, output->width});
    const int height = std::min({first->height, second->height, output->height});
    const int p = std::clamp(progress, 0, 10000);
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = first->pixels + size_t(y) * size_t(first->stride);
        const uint8_t* b = second->pixels + size_t(y) * size_t(second->stride);
        uint8_t* o = output->pixels + size_t(y) * size_t(output->stride);
        for (int x = 0; x < width * 4; ++x)
            o[x] = uint8_t((a[x] * (10000 - p) + b[x] * p) / 10000);
    }
}

ZR_PLUGIN_ENTRY const ZRTransitionSettings* fadeApplied(int* count) {
    *count = setCount;
    return &applied;
}
