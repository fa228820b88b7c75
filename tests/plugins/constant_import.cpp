// A single-entry import module for the audio tests: a sound whose every sample has one value.
// Words of the file name (no extension), separated by "_", choose it: "v<value>" the sample value
// (default 1000, in the sample format's own units), "u<value>" another value for the second
// channel, "r<rate>" the sample rate (44100), "c<channels>" the channel count (2), "b<bits>" the
// bits per sample (16), "s<seconds>" the length (10), "ramp" makes sample n of channel k the value
// n + k instead (for following the read position). No video.
#include "engine/api/zrplugin.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

ZRPluginInfo info = {1, "Constant Source"};

struct Source {
    long value = 1000;
    long second = 0;
    bool hasSecond = false;
    int rate = 44100;
    int channels = 2;
    int bits = 16;
    double seconds = 10.0;
    bool ramp = false;
    long sample = 0;
};

void parse(Source* s, const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    size_t at = 0;
    while (at <= name.size()) {
        size_t end = name.find('_', at);
        if (end == std::string::npos) end = name.size();
        const std::string word = name.substr(at, end - at);
        if (word == "ramp") s->ramp = true;
        if (word.size() > 1) {
            const char* digits = word.c_str() + 1;
            char* stop = nullptr;
            const double number = std::strtod(digits, &stop);
            if (stop && *stop == '\0' && stop != digits) {
                switch (word[0]) {
                case 'v':
                    s->value = long(number);
                    break;
                case 'u':
                    s->second = long(number);
                    s->hasSecond = true;
                    break;
                case 'r':
                    s->rate = int(number);
                    break;
                case 'c':
                    s->channels = int(number);
                    break;
                case 'b':
                    s->bits = int(number);
                    break;
                case 's':
                    s->seconds = number;
                    break;
                default:
                    break;
                }
            }
        }
        at = end + 1;
    }
}

void put(uint8_t* p, int bytes, long value) {
    if (bytes == 1) {
        *p = uint8_t(value + 128);
        return;
    }
    for (int i = 0; i < bytes; ++i)
        p[i] = uint8_t((unsigned long)value >> (8 * i));
}

void renderAudio(ZRCallBlock* block, Source* s) {
    const auto* request = static_cast<const ZRAudioRequest*>(block->argument);
    const long total = long(s->seconds * s->rate);
    long count = total - s->sample;
    if (count < 0) count = 0;
    if (count > request->sampleFrames) count = request->sampleFrames;
    void* data = nullptr;
    ZRHostContext* context = block->context;
    if (context->host->audioBuffer(context, &block->audio, int32_t(count), &data) != 0) return;
    const int bytes = s->bits / 8;
    auto* out = static_cast<uint8_t*>(data);
    for (long i = 0; i < count; ++i)
        for (int k = 0; k < s->channels; ++k, out += bytes)
            put(out, bytes,
                s->ramp ? s->sample + i + k : (k == 1 && s->hasSecond ? s->second : s->value));
    s->sample += count;
}

} // namespace

ZR_PLUGIN_ENTRY intptr_t zrPluginCall(ZRCallBlock* block, intptr_t, int32_t opcode) {
    if (opcode == ZR_PLUGIN_INFO) return reinterpret_cast<intptr_t>(&info);
    if (!block) return -1;
    if (opcode == ZR_PLUGIN_OPEN) {
        auto* s = new Source;
        parse(s, block->context->fileName ? block->context->fileName : "");
        block->moduleData = s;
        block->frameRate = 25.0;
        block->playLength = s->seconds;
        block->sourceLength = s->seconds;
        block->hasAudio = 1;
        block->audio = ZRAudioFormat{s->rate, s->bits, s->channels};
        return 0;
    }
    auto* s = static_cast<Source*>(block->moduleData);
    if (!s) return -1;
    switch (opcode) {
    case ZR_PLUGIN_CLEANUP:
        delete s;
        block->moduleData = nullptr;
        return 0;
    case ZR_PLUGIN_SEEK_AUDIO:
        s->sample = block->argument
                        ? long(*static_cast<const double*>(block->argument) * s->rate + 0.5)
                        : 0;
        return 0;
    case ZR_PLUGIN_RENDER_AUDIO:
        renderAudio(block, s);
        return 0;
    default:
        return 0;
    }
}
