// A video effect for the tests without settings: `moduleGUI20` answers no tree.
#include "engine/api/zrplugin.h"

namespace {

ZRModuleInfo info = {1, "Test Plain", 0, ""};

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY ZRSettingTree* moduleGUI20(int32_t, ZRStringLookup) {
    return nullptr;
}

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord*, ZRImageRecord*, int32_t) {
    return 3;
}
