// Native DV frames come from users' files and reach the frame routines as they are: over any
// 120000- or 144000-byte frame, reading the packs, inserting sound and muting must stay inside
// the frame. The frame is an exact heap block, so any byte outside it is an overrun. The first
// byte picks the size (bit 0) and whether the frame starts from an encoded one (bit 1) that the
// rest then patches as (offset, value) triples; otherwise the rest fills the frame in a cycle.
// The second byte picks the pair count and rate of the insertion.
#include "platform/dvcodec/DVEncoder.h"
#include "platform/dvcodec/DVFrameAudio.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace {

const std::vector<uint8_t>& encodedFrame(bool pal) {
    static const auto make = [](bool p) {
        const int height = p ? 576 : 480;
        std::vector<unsigned char> pixels(size_t(720) * 4 * size_t(height), 0x70);
        std::vector<uint8_t> frame(p ? 144000 : 120000);
        size_t length = 0;
        platform::DVEncoder encoder;
        if (encoder.encode(pixels.data(), 720 * 4, 720, height, frame, length) !=
            platform::DVStatus::Ok)
            frame.assign(frame.size(), 0);
        return frame;
    };
    static const std::vector<uint8_t> frame625 = make(true), frame525 = make(false);
    return pal ? frame625 : frame525;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool pal = data[0] & 1;
    const bool patch = data[0] & 2;
    const size_t frameSize = pal ? 144000 : 120000;
    auto frame = std::make_unique<uint8_t[]>(frameSize);
    const std::span<uint8_t> view(frame.get(), frameSize);
    const std::span<const uint8_t> rest(data + 2, size - 2);
    if (patch) {
        const auto& base = encodedFrame(pal);
        std::memcpy(frame.get(), base.data(), frameSize);
        for (size_t i = 0; i + 3 <= rest.size(); i += 3)
            frame[(size_t(rest[i]) << 16 | size_t(rest[i + 1]) << 8 | rest[i + 2]) % frameSize] =
                rest[i + 2] ^ rest[i];
    } else if (!rest.empty()) {
        for (size_t i = 0; i < frameSize; ++i)
            frame[i] = rest[i % rest.size()];
    }

    platform::ZRDVAudioInfo info;
    (void)platform::dvReadFrameInfo(view, &info);
    platform::ZRDVPackPayloads packs;
    (void)platform::dvReadAuxPacks(view, &packs);

    static constexpr int kRates[] = {48000, 44100, 32000, 22050};
    const int rate = kRates[data[1] & 3];
    const int pairs = 1000 + (data[1] >> 2) * 16;
    std::vector<uint8_t> sound(size_t(std::max(pairs, 1920)) * 4);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = uint8_t(i * 7);
    (void)platform::dvInsertAudio(view, sound, pairs * 4, rate);
    (void)platform::dvInsertAudio(view, sound, platform::dvCadenceSamples(pal, data[1]) * 4, 48000);
    (void)platform::dvMuteAudioPacks(view);
    (void)platform::dvWriteAuxPacks(view, packs);
    // A span shorter than the frame its header announces must be refused, not overrun.
    (void)platform::dvMuteAudioPacks(view.first(frameSize - 1));
    return 0;
}
