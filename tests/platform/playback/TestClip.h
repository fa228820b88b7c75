#pragma once

#include "platform/aviwriter/AviWriter.h"

#include <QString>

#include <cstdint>
#include <vector>

/// Writes a small AVI clip: `frames` pictures of 64 x 48 at 25 per second (FFV1, lossless, unless
/// another compressor is named), picture n a flat grey of n x 5, and 8 kHz mono 16-bit sound whose
/// sample s is s modulo 32768. True on success.
inline bool writeTestClip(const QString& path, int frames = 50, const char* compressor = "FFV1") {
    platform::AviWriter writer;
    if (writer.openDShow(compressor, "PCM", path.toUtf8().constData(), 64, 48, 25.0, 8000, 1, 16, 0,
                         -1, -1, -1) != platform::kAviOk)
        return false;
    std::vector<uint32_t> picture(64 * 48);
    std::vector<int16_t> sound(320);
    int64_t sample = 0;
    for (int n = 0; n < frames; ++n) {
        const uint32_t grey = uint32_t(n * 5 % 256);
        std::fill(picture.begin(), picture.end(), 0xFF000000u | grey << 16 | grey << 8 | grey);
        if (writer.genVideoSample(reinterpret_cast<const unsigned char*>(picture.data()), 64 * 4))
            return false;
        for (int16_t& s : sound)
            s = int16_t(sample++ % 32768);
        if (writer.genAudioSample(sound.data(), int(sound.size() * 2))) return false;
    }
    return writer.closeDShow(0) == 0;
}
