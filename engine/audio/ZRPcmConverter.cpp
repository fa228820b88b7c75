#include "engine/audio/ZRPcmConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

namespace {

struct ChannelSpan {
    int first;
    int count;
};

// Which source channels feed output channel k.
ChannelSpan sourcesOf(int k, int sourceChannels, int outputChannels) {
    const int first = k * sourceChannels / outputChannels;
    int end = (k + 1) * sourceChannels / outputChannels;
    if (end <= first) end = first + 1;
    return {first, end - first};
}

bool validShape(size_t frames, int sourceChannels, int outputChannels) {
    if (frames == 0) return false;
    if (sourceChannels < 1 || sourceChannels > ZRPcmConverter::kMaxChannels) return false;
    if (outputChannels < 1 || outputChannels > ZRPcmConverter::kMaxChannels) return false;
    const size_t widest = size_t(std::max(sourceChannels, outputChannels)) * 4;
    return frames <= std::numeric_limits<size_t>::max() / widest;
}

int64_t readSample(const unsigned char* p, int bytes) {
    switch (bytes) {
    case 1:
        return p[0];
    case 2:
        return int16_t(uint16_t(p[0] | p[1] << 8));
    case 3: {
        const uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return int32_t(u << 8) >> 8;
    }
    default:
        return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                       uint32_t(p[3]) << 24);
    }
}

void writeSample(unsigned char* p, int bytes, int64_t v) {
    if (bytes == 1) {
        p[0] = uint8_t(v + 128);
        return;
    }
    const uint32_t u = uint32_t(int32_t(v));
    for (int i = 0; i < bytes; ++i)
        p[i] = uint8_t(u >> (8 * i));
}

} // namespace

ZRPcmConverter::ZRPcmConverter(bool dither) {
    if (dither) m_random = std::make_unique<ZRIsaacRandom>();
}

ZRPcmConverter::~ZRPcmConverter() = default;

int ZRPcmConverter::bytesPerSample(int bits) {
    if (bits < 1 || bits > 32) return 0;
    return (bits + 7) / 8;
}

std::vector<float> ZRPcmConverter::toFloat(const void* source, int sourceChannels, int bits,
                                           size_t frames, int outputChannels) const {
    const int bytes = bytesPerSample(bits);
    if (!source || bytes == 0 || !validShape(frames, sourceChannels, outputChannels)) return {};
    std::vector<float> out;
    try {
        out.resize(frames * size_t(outputChannels));
    } catch (const std::bad_alloc&) {
        return {};
    }
    const double scale = std::ldexp(1.0, bits - 1);
    const double offset = bytes == 1 ? scale : 0.0;
    const auto* in = static_cast<const unsigned char*>(source);
    const size_t frameBytes = size_t(sourceChannels) * size_t(bytes);
    float* o = out.data();
    for (size_t f = 0; f < frames; ++f, in += frameBytes) {
        for (int k = 0; k < outputChannels; ++k) {
            const ChannelSpan span = sourcesOf(k, sourceChannels, outputChannels);
            double sum = 0.0;
            for (int c = 0; c < span.count; ++c)
                sum += (double(readSample(in + size_t(span.first + c) * bytes, bytes)) - offset);
            *o++ = float(sum / span.count / scale);
        }
    }
    return out;
}

std::vector<unsigned char> ZRPcmConverter::toPcm(const float* source, int sourceChannels,
                                                 size_t frames, int outputChannels, int bits) {
    const int bytes = bytesPerSample(bits);
    if (!source || bytes == 0 || !validShape(frames, sourceChannels, outputChannels)) return {};
    std::vector<unsigned char> out;
    try {
        out.resize(frames * size_t(outputChannels) * size_t(bytes));
    } catch (const std::bad_alloc&) {
        return {};
    }
    const int64_t scale = int64_t(1) << (bits - 1);
    // Far outside the clamp range but safe to convert to an integer.
    const double limit = 4.0 * double(scale);
    const float* in = source;
    unsigned char* o = out.data();
    for (size_t f = 0; f < frames; ++f, in += sourceChannels) {
        for (int k = 0; k < outputChannels; ++k, o += bytes) {
            const ChannelSpan span = sourcesOf(k, sourceChannels, outputChannels);
            double m = 0.0;
            for (int c = 0; c < span.count; ++c)
                m += in[span.first + c];
            m /= span.count;
            if (std::isnan(m)) m = 0.0;
            int64_t v;
            if (m_random) {
                const double scaled =
                    std::clamp(m * double(scale) * -4.0, -4.0 * limit, 4.0 * limit);
                v = (int64_t(m_random->next() & 2) - int64_t(scaled)) >> 2;
            } else {
                v = int64_t(std::clamp(m * double(scale), -limit, limit));
            }
            v = std::clamp(v, -scale, scale - 1);
            writeSample(o, bytes, v);
        }
    }
    return out;
}
