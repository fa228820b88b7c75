#include "platform/aviwriter/AviCompressors.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>

namespace platform {

namespace {

struct Compressor {
    const char* friendlyName;
    const char* encoderName;
};

constexpr Compressor kVideoCompressors[] = {
    {kAviDefaultVideoCompressor, "cinepak"},
    {"Motion JPEG", "mjpeg"},
    {"DV", "dvvideo"},
    {"MPEG-4", "mpeg4"},
    {"FFV1", "ffv1"},
    {"H.264", "libx264"},
};

// PCM's encoder follows the sample size; the name stands for all of them.
constexpr const char* kPcmName = kAviDefaultAudioCompressor;

const char* pcmEncoderName(int bits) {
    switch (bits) {
    case 8:
        return "pcm_u8";
    case 16:
        return "pcm_s16le";
    case 24:
        return "pcm_s24le";
    case 32:
        return "pcm_s32le";
    default:
        return nullptr;
    }
}

} // namespace

std::vector<std::string> aviCompressorNames(bool video) {
    std::vector<std::string> names;
    if (video) {
        for (const Compressor& c : kVideoCompressors)
            if (avcodec_find_encoder_by_name(c.encoderName)) names.emplace_back(c.friendlyName);
    } else if (avcodec_find_encoder_by_name(pcmEncoderName(16))) {
        names.emplace_back(kPcmName);
    }
    return names;
}

const AVCodec* aviVideoEncoder(const char* friendlyName) {
    if (!friendlyName) return nullptr;
    if (std::strcmp(friendlyName, kAviUncompressedVideo) == 0)
        return avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
    for (const Compressor& c : kVideoCompressors)
        if (std::strcmp(c.friendlyName, friendlyName) == 0)
            return avcodec_find_encoder_by_name(c.encoderName);
    return nullptr;
}

const AVCodec* aviAudioEncoder(const char* friendlyName, int bits) {
    if (!friendlyName || std::strcmp(friendlyName, kPcmName) != 0) return nullptr;
    const char* name = pcmEncoderName(bits);
    return name ? avcodec_find_encoder_by_name(name) : nullptr;
}

} // namespace platform
