#pragma once

/// The engine's audio as an export receives it with each frame: interleaved PCM of `bits` bits
/// per sample, `channels` channels at `rate` sample frames per second.
struct ZRExportAudioFormat {
    int rate = 0;
    int bits = 0;
    int channels = 0;
};
