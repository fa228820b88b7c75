#include "platform/playback/ZRSoundOutput.h"

bool ZRAudioFormat::valid() const {
    const bool bits =
        bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
    return bits && sampleRate >= 8000 && sampleRate <= 384000 && channels >= 1 && channels <= 8;
}
