// A single-entry import module for the tests whose decoder throws on every frame and every
// audio block; opening and seeking work.
#include "engine/api/zrplugin.h"

#include <stdexcept>

namespace {

ZRPluginInfo info = {1, "Throwing Import"};

} // namespace

ZR_PLUGIN_ENTRY intptr_t zrPluginCall(ZRCallBlock* block, intptr_t, int32_t opcode) {
    switch (opcode) {
    case ZR_PLUGIN_INFO:
        return reinterpret_cast<intptr_t>(&info);
    case ZR_PLUGIN_OPEN:
        block->frameRate = 25.0;
        block->playLength = 1.0;
        block->sourceLength = 1.0;
        block->hasVideo = 1;
        block->hasAudio = 1;
        block->videoWidth = 320;
        block->videoHeight = 240;
        block->audio = ZRAudioFormat{48000, 16, 2};
        return 0;
    case ZR_PLUGIN_RENDER_VIDEO:
    case ZR_PLUGIN_RENDER_AUDIO:
        throw std::runtime_error("decoder fault");
    default:
        return 0;
    }
}
