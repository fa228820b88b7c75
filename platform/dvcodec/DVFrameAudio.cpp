#include "platform/dvcodec/DVFrameAudio.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr size_t kAudioBlocksOffset = 6 * kDifBlockSize;
constexpr size_t kAudioBlockStride = 16 * kDifBlockSize;
/// Where an audio block's pack id and its samples start.
constexpr size_t kPackInBlock = 3;
constexpr size_t kSamplesInBlock = 8;
constexpr int kMaxAfSize = 0x3F;
constexpr int kMaxSequencesPerGroup = 6;
constexpr size_t kMaxChannelSamples = size_t(kSamplesPerAudioBlock) * 9 * kMaxSequencesPerGroup;

constexpr std::array<size_t, 6> kFixedPackPlaces = {4323, 5603, 76323, 77603, 448, 453};
constexpr std::array<uint8_t, 6> kFixedPackIds = {kAauxSourcePack, kAauxControlPack,
                                                  kAauxSourcePack, kAauxControlPack,
                                                  kVauxSourcePack, kVauxControlPack};
constexpr std::array<uint8_t, 4> kMissing = {0xFF, 0xFF, 0xFF, 0xFF};

int sequencesPerGroup(bool system50) {
    return dvSequences(system50) / 2;
}

// The id byte of the AAUX source (control: + 1 block) pack of sequence `sequence`: the standard
// alternates them between audio blocks 3/4 of even sequences and 0/1 of odd ones.
size_t aauxPlace(int sequence, bool control) {
    const size_t block = (sequence % 2 == 0 ? 3 : 0) + (control ? 1 : 0);
    return size_t(sequence) * kDifSequenceSize + kAudioBlocksOffset + block * kAudioBlockStride +
           kPackInBlock;
}

// Packs 9 and 10 of VAUX block 2 in even sequences, 0 and 1 of VAUX block 0 in odd ones.
size_t vauxPlace(int sequence, bool control) {
    const bool even = sequence % 2 == 0;
    const size_t block = even ? 5 : 3;
    const size_t pack = (even ? 9 : 0) + (control ? 1 : 0);
    return size_t(sequence) * kDifSequenceSize + block * kDifBlockSize + kPackInBlock + 5 * pack;
}

void putPack(std::span<uint8_t> frame, size_t at, uint8_t id, const std::array<uint8_t, 4>& p) {
    frame[at] = id;
    std::copy(p.begin(), p.end(), frame.begin() + ptrdiff_t(at + 1));
}

std::array<uint8_t, 4> payloadAt(std::span<const uint8_t> frame, size_t at) {
    return {frame[at + 1], frame[at + 2], frame[at + 3], frame[at + 4]};
}

// Sample n of a channel lies in sequence ((n / 3) + 2 (n % 3)) % S, audio block
// 3 (n % 3) + (n % 9S) / 3S; the inverse gives the first sample of each (sequence, block).
struct Shuffle {
    std::array<int, 9 * kMaxSequencesPerGroup> first{};
    explicit Shuffle(int s) {
        for (int n = 0; n < 9 * s; ++n) {
            const int sequence = ((n / 3) + 2 * (n % 3)) % s;
            const int block = 3 * (n % 3) + (n % (9 * s)) / (3 * s);
            first[size_t(sequence * 9 + block)] = n;
        }
    }
};

const Shuffle& shuffleOf(bool system50) {
    static const Shuffle s525(5), s625(6);
    return system50 ? s625 : s525;
}

int smpOfRate(int rate) {
    switch (rate) {
    case 48000:
        return 0;
    case 44100:
        return 1;
    case 32000:
        return 2;
    default:
        return -1;
    }
}

} // namespace

bool dvFrameSystem(std::span<const uint8_t> frame, bool* system50) {
    if (frame.size() < kDifBlockSize) return false;
    const bool fifty = (frame[3] & 0x80) != 0;
    if (frame.size() < dvFrameBytes(fifty)) return false;
    *system50 = fifty;
    return true;
}

int dvCadenceSamples(bool system50, int64_t index) {
    if (system50) return 1920;
    return ((index % 5) + 5) % 5 == 0 ? 1600 : 1602;
}

int dvMinimumSamples(bool system50, int smp) {
    static constexpr std::array<int, 3> k525 = {1580, 1452, 1053};
    static constexpr std::array<int, 3> k625 = {1896, 1742, 1264};
    if (smp < 0 || smp > 2) return 0;
    return system50 ? k625[size_t(smp)] : k525[size_t(smp)];
}

bool dvReadAuxPacks(std::span<const uint8_t> frame, ZRDVPackPayloads* packs) {
    bool all = true;
    for (size_t i = 0; i < kFixedPackPlaces.size(); ++i) {
        const size_t at = kFixedPackPlaces[i];
        if (at + 5 <= frame.size() && frame[at] == kFixedPackIds[i]) {
            (*packs)[i] = payloadAt(frame, at);
        } else {
            (*packs)[i] = kMissing;
            all = false;
        }
    }
    return all;
}

void dvParseAuxPacks(const ZRDVPackPayloads& packs, ZRDVAudioInfo* info) {
    const auto& vaux = packs[4];
    info->system50 = (vaux[2] & 0x20) != 0;
    info->stype = vaux[2] & 0x1F;
    info->width = 720;
    info->height = info->system50 ? 576 : 480;
    for (size_t g = 0; g < 2; ++g) {
        const auto& source = packs[2 * g];
        const auto& control = packs[2 * g + 1];
        ZRDVAudioGroup& group = info->groups[g];
        group.lf = source[0] >> 7;
        group.pc2Bit7 = source[1] >> 7;
        group.chn = (source[1] >> 5) & 3;
        group.pa = (source[1] >> 4) & 1;
        group.audioMode = source[1] & 0x0F;
        group.pc3Bit6 = (source[2] >> 6) & 1;
        group.ef = source[3] >> 7;
        group.tc = (source[3] >> 6) & 1;
        group.smp = (source[3] >> 3) & 7;
        group.qu = source[3] & 7;
        group.samples = (source[0] & kMaxAfSize) + dvMinimumSamples(info->system50, group.smp);
        group.cmp = (control[0] >> 2) & 3;
    }
}

void dvEncodeAuxPacks(const ZRDVAudioInfo& info, ZRDVPackPayloads* packs) {
    for (size_t g = 0; g < 2; ++g) {
        const ZRDVAudioGroup& group = info.groups[g];
        const int afSize =
            std::clamp(group.samples - dvMinimumSamples(info.system50, group.smp), 0, kMaxAfSize);
        (*packs)[2 * g] = {uint8_t((group.lf & 1) << 7 | 0x40 | afSize),
                           uint8_t((group.pc2Bit7 & 1) << 7 | (group.chn & 3) << 5 |
                                   (group.pa & 1) << 4 | (group.audioMode & 0x0F)),
                           uint8_t(0x80 | (group.pc3Bit6 & 1) << 6 | (info.system50 ? 0x20 : 0) |
                                   (info.stype & 0x1F)),
                           uint8_t((group.ef & 1) << 7 | (group.tc & 1) << 6 |
                                   (group.smp & 7) << 3 | (group.qu & 7))};
        (*packs)[2 * g + 1] = {uint8_t(0x33 | (group.cmp & 3) << 2), 0xCF, 0xA0, 0xFF};
    }
}

bool dvWriteAuxPacks(std::span<uint8_t> frame, const ZRDVPackPayloads& packs) {
    bool system50 = false;
    if (!dvFrameSystem(frame, &system50)) return false;
    const int perGroup = sequencesPerGroup(system50);
    for (int sequence = 0; sequence < dvSequences(system50); ++sequence) {
        const size_t g = size_t(sequence / perGroup);
        putPack(frame, aauxPlace(sequence, false), kAauxSourcePack, packs[2 * g]);
        putPack(frame, aauxPlace(sequence, true), kAauxControlPack, packs[2 * g + 1]);
        putPack(frame, vauxPlace(sequence, false), kVauxSourcePack, packs[4]);
        putPack(frame, vauxPlace(sequence, true), kVauxControlPack, packs[5]);
    }
    return true;
}

bool dvReadFrameInfo(std::span<const uint8_t> frame, ZRDVAudioInfo* info) {
    bool system50 = false;
    if (!dvFrameSystem(frame, &system50)) return false;
    ZRDVPackPayloads packs;
    packs.fill(kMissing);
    std::array<bool, 6> found{};
    const int perGroup = sequencesPerGroup(system50);
    const size_t blocks = dvFrameBytes(system50) / kDifBlockSize;
    const auto take = [&](size_t slot, size_t at) {
        if (found[slot]) return;
        found[slot] = true;
        packs[slot] = payloadAt(frame, at);
    };
    for (size_t b = 0; b < blocks; ++b) {
        const size_t at = b * kDifBlockSize;
        const int section = frame[at] >> 5;
        if (section == 2) {
            for (size_t p = 0; p < 15; ++p) {
                const size_t pack = at + kPackInBlock + 5 * p;
                if (frame[pack] == kVauxSourcePack) take(4, pack);
                if (frame[pack] == kVauxControlPack) take(5, pack);
            }
        } else if (section == 3) {
            const size_t pack = at + kPackInBlock;
            const size_t g = size_t(int(b / 150) / perGroup);
            if (frame[pack] == kAauxSourcePack) take(2 * g, pack);
            if (frame[pack] == kAauxControlPack) take(2 * g + 1, pack);
        }
    }
    dvParseAuxPacks(packs, info);
    // The header decides the system: a missing or foreign VAUX pack must not.
    info->system50 = system50;
    info->height = system50 ? 576 : 480;
    for (size_t g = 0; g < 2; ++g)
        info->groups[g].samples =
            (packs[2 * g][0] & kMaxAfSize) + dvMinimumSamples(system50, info->groups[g].smp);
    return true;
}

void dvSplitStereo(std::span<const uint8_t> samples, int count, std::span<uint8_t> left,
                   std::span<uint8_t> right) {
    const size_t n = std::min(
        {size_t(std::max(count, 0)), samples.size() / 4, left.size() / 2, right.size() / 2});
    for (size_t i = 0; i < n; ++i) {
        left[2 * i] = samples[4 * i + 1];
        left[2 * i + 1] = samples[4 * i];
        right[2 * i] = samples[4 * i + 3];
        right[2 * i + 1] = samples[4 * i + 2];
    }
}

bool dvShuffleAudio(std::span<uint8_t> frame, bool system50, std::span<const uint8_t> left,
                    std::span<const uint8_t> right) {
    const int s = sequencesPerGroup(system50);
    const size_t slots = size_t(9 * s);
    const size_t channelBytes = 2 * slots * kSamplesPerAudioBlock;
    if (frame.size() < dvFrameBytes(system50) || left.size() < channelBytes ||
        right.size() < channelBytes)
        return false;
    const Shuffle& shuffle = shuffleOf(system50);
    for (size_t g = 0; g < 2; ++g) {
        const std::span<const uint8_t> channel = g == 0 ? left : right;
        const size_t base = g * size_t(s) * kDifSequenceSize;
        for (size_t k = 0; k < slots; ++k) {
            uint8_t* out = frame.data() + base + (k / 9) * kDifSequenceSize + kAudioBlocksOffset +
                           (k % 9) * kAudioBlockStride + kSamplesInBlock;
            const size_t t = size_t(shuffle.first[k]);
            for (size_t m = 0; m < size_t(kSamplesPerAudioBlock); ++m) {
                const size_t n = t + m * slots;
                out[2 * m] = channel[2 * n];
                out[2 * m + 1] = channel[2 * n + 1];
            }
        }
    }
    return true;
}

int dvInsertAudio(std::span<uint8_t> frame, std::span<const uint8_t> samples, int byteCount,
                  int rate) {
    bool system50 = false;
    if (!dvFrameSystem(frame, &system50)) return -1;
    const int smp = smpOfRate(rate);
    if (smp < 0 || byteCount < 0 || byteCount % 4 != 0 || size_t(byteCount) > samples.size())
        return -1;
    const int count = byteCount / 4;
    const int minimum = dvMinimumSamples(system50, smp);
    const int slots = kSamplesPerAudioBlock * 9 * sequencesPerGroup(system50);
    if (count < minimum || count > minimum + kMaxAfSize || count > slots) return -1;

    ZRDVPackPayloads packs;
    dvReadAuxPacks(frame, &packs);
    const bool vauxPresent = packs[4] != kMissing;
    ZRDVAudioInfo info;
    dvParseAuxPacks(packs, &info);
    // S and the 50/60 flag follow the DSF bit: a frame without its VAUX source pack would
    // otherwise count as 625/50 and an NTSC frame be shuffled past its end.
    info.system50 = system50;
    info.height = system50 ? 576 : 480;
    if (!vauxPresent) info.stype = 0;
    for (size_t g = 0; g < 2; ++g) {
        ZRDVAudioGroup& group = info.groups[g];
        group.lf = 1;
        group.samples = count;
        group.pc2Bit7 = 0;
        group.chn = 0;
        group.pa = 0;
        group.audioMode = int(g);
        group.pc3Bit6 = 1;
        group.ef = 1;
        group.smp = smp;
        group.qu = 0;
        group.cmp = 3;
    }
    dvEncodeAuxPacks(info, &packs);

    // Slots past the count carry silence; a receiver ignores them by the AF_SIZE rule.
    std::vector<uint8_t> left(2 * kMaxChannelSamples, 0), right(2 * kMaxChannelSamples, 0);
    dvSplitStereo(samples.first(size_t(byteCount)), count, left, right);
    if (!dvShuffleAudio(frame, system50, left, right)) return -1;
    if (!dvWriteAuxPacks(frame, packs)) return -1;
    return byteCount;
}

bool dvMuteAudioPacks(std::span<uint8_t> frame) {
    bool system50 = false;
    if (!dvFrameSystem(frame, &system50)) return false;
    for (int sequence = 0; sequence < dvSequences(system50); ++sequence) {
        for (bool control : {false, true}) {
            const size_t at = aauxPlace(sequence, control);
            std::fill_n(frame.begin() + ptrdiff_t(at + 1), 4, uint8_t(0xFF));
        }
    }
    return true;
}

} // namespace platform
