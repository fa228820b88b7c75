// A module for the tests that exports a render entry but neither `zrPluginCall` nor
// `moduleInfo20`: the scan must skip it.
#include "engine/api/zrplugin.h"

ZR_PLUGIN_ENTRY int32_t generateVideoEffect(ZRImageRecord*, ZRImageRecord*, int32_t) {
    return 0;
}
