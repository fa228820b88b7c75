// A video effect for the render tests: copies its input and records the progress of every
// call, which `progressLog` hands to the tests and `progressReset` forgets.
#include "engine/api/zrplugin.h"

#include <algorithm>
#include <vector>

namespace {

ZRModuleInfo info = {1, "Test Progress", 0, "Records its progress values"};
std::vector<int32_t> seen;

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t, ZRStringLookup) {
    return nullptr;
}

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord* input, ZRImageRecord* output,
                                            int32_t progress) {
    seen.push_back(progress);
    const int width = std::min(input->width, output->width);
    const int height = std::min(input->height, output->height);
    for (int y = 0; y < height; ++y)
        std::copy_n(input->pixels + size_t(y) * size_t(input->stride), size_t(width) * 4,
                    output->pixels + size_t(y) * size_t(output->stride));
    return 1;
}

ZR_PLUGIN_ENTRY const int32_t* progressLog(int* count) {
    *count = int(seen.size());
    return seen.data();
}

ZR_PLUGIN_ENTRY void progressReset(void) {
    seen.clear();
}
