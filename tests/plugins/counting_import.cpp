// A single-entry import module for the tests: a 2-second source at 25 frames per second whose
// every pixel encodes the frame number (blue = low byte, green = high byte) and whose audio is a
// 1 kHz tone, 48000 Hz, 16 bits, stereo. Words in the file name choose its behaviour:
// "missing" (open fails), "long" (20 seconds), "single" (one frame), "still" (a 400 x 300 still
// picture), "interlaced" (720 x 576, the second field's lines red 0xC0 instead of 0x40), "inplace"
// (asks for a 720 x 576 BGRA frame), "bgr" (24-bit frames), "badcs" (an unknown colour space for
// frame 0), "nofps" (frame rate 0), "zerowidth" (a still picture of width 0), "native" (native DV
// frames), "debug" (a debug note on open), "silent" (no sound). `countingSessions` tells how many
// files were opened and how many are open now.
#include "engine/api/zrplugin.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kSeconds = 2.0;
constexpr int kRate = 48000;
constexpr double kPi = 3.14159265358979323846;

struct Source {
    std::string name;
    double rate = 25.0;
    double seconds = kSeconds;
    int width = 320;
    int height = 240;
    int colourSpace = ZR_COLOUR_BGRA;
    uint32_t flags = 0;
    long frame = 0;
    long sample = 0;
    std::vector<uint8_t> native;
    uint8_t zeroWidth[16] = {};

    bool has(const char* word) const { return name.find(word) != std::string::npos; }
};

ZRPluginInfo info = {1, "Media Import"};
std::atomic<int> opened{0};
std::atomic<int> live{0};

void paint(uint8_t* pixels, int width, int height, int stride, int perPixel, long frame,
           bool fields) {
    for (int y = 0; y < height; ++y) {
        uint8_t* p = pixels + size_t(y) * size_t(stride);
        const uint8_t red = fields && (y & 1) ? 0xC0 : 0x40;
        for (int x = 0; x < width; ++x, p += perPixel) {
            p[0] = uint8_t(frame & 0xFF);
            p[1] = uint8_t((frame >> 8) & 0xFF);
            p[2] = red;
            if (perPixel == 4) p[3] = 0xFF;
        }
    }
}

intptr_t open(ZRCallBlock* block) {
    ZRHostContext* context = block->context;
    auto* source = new Source;
    source->name = context->fileName ? context->fileName : "";
    if (source->has("missing")) {
        delete source;
        return 1;
    }
    if (source->has("still")) {
        source->width = 400;
        source->height = 300;
        source->flags = ZR_VIDEO_STILL;
    }
    if (source->has("interlaced") || source->has("inplace")) {
        source->width = 720;
        source->height = 576;
    }
    if (source->has("interlaced")) source->flags = ZR_VIDEO_INTERLACED;
    if (source->has("bgr")) source->colourSpace = ZR_COLOUR_BGR;
    if (source->has("badcs")) source->colourSpace = 7;
    if (source->has("nofps")) source->rate = 0.0;
    if (source->has("long")) source->seconds = 20.0;
    if (source->has("single")) source->seconds = 1.0 / source->rate;
    block->moduleData = source;
    block->frameRate = source->rate;
    block->playLength = source->seconds;
    block->sourceLength = source->seconds;
    block->hasVideo = 1;
    block->hasAudio = source->has("silent") ? 0 : 1;
    block->formatCode = 3;
    block->videoWidth = source->width;
    block->videoHeight = source->height;
    block->audio = ZRAudioFormat{kRate, 16, 2};
    if (source->has("debug")) context->host->message(context, "Debug Text", "counting: opened\n");
    ++opened;
    ++live;
    return 0;
}

void renderVideo(ZRCallBlock* block, Source* source) {
    if (source->has("zerowidth")) {
        block->video.pixels = source->zeroWidth;
        block->video.width = 0;
        block->video.height = 300;
        block->video.stride = 0;
        block->video.flags = ZR_VIDEO_STILL;
        return;
    }
    ZRHostContext* context = block->context;
    ZRVideoDescriptor* frame = nullptr;
    const int colourSpace =
        source->has("badcs") && source->frame != 0 ? ZR_COLOUR_BGRA : source->colourSpace;
    if (context->host->videoBuffer(context, source->width, source->height, colourSpace, &frame) !=
            0 ||
        !frame)
        return;
    paint(frame->pixels, frame->width, frame->height, frame->stride,
          colourSpace == ZR_COLOUR_BGR ? 3 : 4, source->frame, source->flags & ZR_VIDEO_INTERLACED);
    frame->flags = source->flags;
}

void nativeVideo(ZRCallBlock* block, Source* source) {
    if (!source->has("native")) return;
    source->native.assign(144000, 0);
    source->native[0] = uint8_t(source->frame & 0xFF);
    block->video.nativeKind = ZR_NATIVE_DV;
    block->video.nativeData = source->native.data();
    block->video.nativeLength = int32_t(source->native.size());
    block->video.nativeWord1 = 7;
    block->video.nativeWord2 = 9;
}

void renderAudio(ZRCallBlock* block, Source* source) {
    const auto* request = static_cast<const ZRAudioRequest*>(block->argument);
    const long total = long(source->seconds * kRate);
    const long count = std::clamp<long>(total - source->sample, 0, request->sampleFrames);
    void* data = nullptr;
    ZRHostContext* context = block->context;
    if (context->host->audioBuffer(context, &block->audio, int32_t(count), &data) != 0) return;
    auto* samples = static_cast<int16_t*>(data);
    for (long i = 0; i < count; ++i) {
        const double t = double(source->sample + i) / kRate;
        const auto value = int16_t(std::lround(8000.0 * std::sin(2.0 * kPi * 1000.0 * t)));
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    source->sample += count;
}

} // namespace

ZR_PLUGIN_ENTRY void countingSessions(int* openedSoFar, int* openNow) {
    *openedSoFar = opened;
    *openNow = live;
}

ZR_PLUGIN_ENTRY intptr_t zrPluginCall(ZRCallBlock* block, intptr_t, int32_t opcode) {
    if (opcode == ZR_PLUGIN_INFO) return reinterpret_cast<intptr_t>(&info);
    if (!block) return -1;
    if (opcode == ZR_PLUGIN_OPEN) return open(block);
    auto* source = static_cast<Source*>(block->moduleData);
    if (!source) return -1;
    auto time = [block] {
        return block->argument ? *static_cast<const double*>(block->argument) : 0.0;
    };
    switch (opcode) {
    case ZR_PLUGIN_CLEANUP:
        --live;
        delete source;
        block->moduleData = nullptr;
        return 0;
    case ZR_PLUGIN_SEEK_VIDEO:
        source->frame = std::lround(time() * (source->rate > 0 ? source->rate : 25.0));
        return 0;
    case ZR_PLUGIN_SEEK_AUDIO:
        source->sample = std::lround(time() * kRate);
        return 0;
    case ZR_PLUGIN_RENDER_VIDEO:
        renderVideo(block, source);
        nativeVideo(block, source);
        return 0;
    case ZR_PLUGIN_NATIVE_VIDEO:
        nativeVideo(block, source);
        block->video.width = 720;
        block->video.height = 576;
        return 0;
    case ZR_PLUGIN_RENDER_AUDIO:
        renderAudio(block, source);
        return 0;
    default:
        return -1;
    }
}
