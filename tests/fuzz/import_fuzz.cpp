// Arbitrary bytes, as a file, through the media import module: open, then a few frames, a native
// frame and some sound, the way the engine asks for them.
#include "engine/api/zrplugin.h"

extern "C" {
#include <libavutil/log.h>
}

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Host {
    ZRCallBlock* block = nullptr;
    std::vector<uint8_t> frame;
    std::vector<uint8_t> audio;
};

int32_t message(ZRHostContext*, const char*, const char*) {
    return 0;
}

int32_t videoBuffer(ZRHostContext* context, int32_t width, int32_t height, int32_t colourSpace,
                    ZRVideoDescriptor** descriptor) {
    auto* host = static_cast<Host*>(context->engine);
    *descriptor = nullptr;
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return -1;
    const int perPixel = colourSpace == ZR_COLOUR_BGR ? 3 : 4;
    host->frame.resize(size_t(width) * size_t(height) * size_t(perPixel));
    ZRVideoDescriptor& v = host->block->video;
    v = ZRVideoDescriptor{};
    v.colourSpace = colourSpace;
    v.width = width;
    v.height = height;
    v.stride = width * perPixel;
    v.pixels = host->frame.data();
    *descriptor = &v;
    return 0;
}

int32_t audioBuffer(ZRHostContext* context, const ZRAudioFormat* format, int32_t frames,
                    void** data) {
    auto* host = static_cast<Host*>(context->engine);
    *data = nullptr;
    const size_t bytes =
        size_t(frames) * size_t(format->channels) * size_t(format->bitsPerSample / 8);
    if (frames < 0 || bytes > (size_t(64) << 20)) return -1;
    host->audio.resize(bytes + 1);
    *data = host->audio.data();
    return 0;
}

void* allocate(ZRHostContext*, size_t size) {
    return malloc(size);
}

void release(ZRHostContext*, void* block) {
    free(block);
}

const ZRModuleHost kHost = {message, videoBuffer, audioBuffer, allocate, release};

void call(ZRCallBlock& block, int32_t opcode, const void* argument = nullptr) {
    block.argument = argument;
    zrPluginCall(&block, 0, opcode);
    block.argument = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes become a file without touching the disk.
    const int fd = memfd_create("import_fuzz", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) != ssize_t(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    Host host;
    ZRCallBlock block{};
    ZRHostContext context{&kHost, path.c_str(), &host};
    block.context = &context;
    host.block = &block;
    if (zrPluginCall(&block, 0, ZR_PLUGIN_OPEN) == 0) {
        for (const double time : {0.0, 0.5, 0.04, 3.0}) {
            call(block, ZR_PLUGIN_SEEK_VIDEO, &time);
            call(block, ZR_PLUGIN_RENDER_VIDEO);
        }
        const double time = 0.2;
        call(block, ZR_PLUGIN_SEEK_VIDEO, &time);
        call(block, ZR_PLUGIN_NATIVE_VIDEO);
        call(block, ZR_PLUGIN_SEEK_AUDIO, &time);
        const ZRAudioRequest request{2000};
        call(block, ZR_PLUGIN_RENDER_AUDIO, &request);
        call(block, ZR_PLUGIN_RENDER_AUDIO, &request);
        call(block, ZR_PLUGIN_CLEANUP);
    }
    close(fd);
    return 0;
}
