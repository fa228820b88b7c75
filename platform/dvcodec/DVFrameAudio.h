#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

/// The auxiliary packs and the audio of a 25 Mbit/s DV frame in memory: reading the audio and
/// video source packs, putting 16-bit stereo audio into the audio blocks, muting the audio
/// packs. A frame is 10 DIF sequences (120000 bytes, 525/60) or 12 (144000 bytes, 625/50) of
/// 150 DIF blocks of 80 bytes; the system is the DSF bit of the frame's header block, never a
/// pack, so a frame with damaged packs is still walked within its own size.
///
/// Every routine takes the frame as a span and reads or writes nothing outside it; a span
/// shorter than the frame its header announces is refused. Thread-safety: pure functions.
namespace platform {

/// Bytes of one DIF block and one DIF sequence.
inline constexpr size_t kDifBlockSize = 80;
inline constexpr size_t kDifSequenceSize = 150 * kDifBlockSize;
/// Pack ids.
inline constexpr uint8_t kAauxSourcePack = 0x50;
inline constexpr uint8_t kAauxControlPack = 0x51;
inline constexpr uint8_t kVauxSourcePack = 0x60;
inline constexpr uint8_t kVauxControlPack = 0x61;
/// 16-bit samples an audio block carries.
inline constexpr int kSamplesPerAudioBlock = 36;

/// The audio format of one channel group as the AAUX packs describe it.
struct ZRDVAudioGroup {
    int lf = 0;        ///< locked mode
    int samples = 0;   ///< sample pairs in the frame: AF_SIZE + the standard minimum
    int pc2Bit7 = 0;   ///< multi-stereo
    int chn = 0;       ///< channels per block
    int pa = 0;        ///< pair bit
    int audioMode = 0; ///< 0 the first group, 1 the second
    int pc3Bit6 = 0;   ///< multi-language
    int ef = 0;        ///< emphasis off
    int tc = 0;        ///< emphasis time constant
    int smp = 0;       ///< 0 48 kHz, 1 44.1 kHz, 2 32 kHz
    int qu = 0;        ///< 0 16-bit linear
    int cmp = 0;       ///< the source control pack's CMP field
};

/// What `dvParseAuxPacks` reads of a frame's packs.
struct ZRDVAudioInfo {
    bool system50 = false; ///< 625/50 (from the DSF bit when the frame was walked)
    int stype = 0;         ///< the VAUX source pack's STYPE bits
    int width = 720;
    int height = 480;
    std::array<ZRDVAudioGroup, 2> groups{};
};

/// The 4 payload bytes of the six packs `dvReadAuxPacks` reads, in its order: AAUX source and
/// control of the first group, of the second group, VAUX source and control.
using ZRDVPackPayloads = std::array<std::array<uint8_t, 4>, 6>;

/// The frame's system from its header block: 625/50 when the DSF bit is set. False (and
/// `*system50` untouched) when the span holds no header or fewer bytes than that system's frame.
[[nodiscard]] bool dvFrameSystem(std::span<const uint8_t> frame, bool* system50);
/// DIF sequences a frame of the system has: 12 (625/50) or 10 (525/60).
constexpr int dvSequences(bool system50) {
    return system50 ? 12 : 10;
}
/// Bytes of a frame of the system.
constexpr size_t dvFrameBytes(bool system50) {
    return size_t(dvSequences(system50)) * kDifSequenceSize;
}
/// The sample pairs frame `index` of a run carries at 48 kHz: 1920 for 625/50, and for 525/60
/// the cadence 1600, 1602, 1602, 1602, 1602 (8008 pairs every five frames).
int dvCadenceSamples(bool system50, int64_t index);
/// The fewest sample pairs a frame may carry at `smp` (0 48 kHz, 1 44.1 kHz, 2 32 kHz); 0 for
/// another code.
int dvMinimumSamples(bool system50, int smp);

/// Reads the payloads of the six packs at their fixed places in the first sequences (AAUX
/// source and control at 4323 and 5603, and 76323 and 77603 for the second group; VAUX source
/// and control at 448 and 453). A pack whose id byte differs reads as FF FF FF FF and makes the
/// result false. The span must hold 120000 bytes at least (else all read as missing).
bool dvReadAuxPacks(std::span<const uint8_t> frame, ZRDVPackPayloads* packs);
/// Splits the payloads into `info`; a group's sample count is AF_SIZE plus the minimum for its
/// system and SMP. The system is the VAUX source pack's 50/60 bit here.
void dvParseAuxPacks(const ZRDVPackPayloads& packs, ZRDVAudioInfo* info);
/// The four AAUX payloads of `info` (VAUX payloads untouched): source PC1 = LF << 7 | 0x40 |
/// (count - minimum), PC2 = bit 7 << 7 | CHN << 5 | PA << 4 | AUDIO MODE, PC3 = 0x80 | bit 6 << 6
/// | 50/60 << 5 | STYPE, PC4 = EF << 7 | TC << 6 | SMP << 3 | QU; control 0x33 | CMP << 2, CF,
/// A0, FF.
void dvEncodeAuxPacks(const ZRDVAudioInfo& info, ZRDVPackPayloads* packs);
/// Writes id and payload of the AAUX packs into every sequence of their channel group (even
/// sequences audio blocks 3 and 4, odd ones blocks 0 and 1) and of the VAUX packs into every
/// sequence (even: packs 9 and 10 of VAUX block 2; odd: packs 0 and 1 of VAUX block 0), for
/// the frame's own system. False (nothing written) for a frame the span does not hold.
bool dvWriteAuxPacks(std::span<uint8_t> frame, const ZRDVPackPayloads& packs);
/// Walks every DIF block of the frame by section type and parses the first AAUX packs of each
/// group and the VAUX packs it finds; the system, width and height come from the header's DSF
/// bit. Missing packs read as FF. False when the span holds no whole frame of its system.
bool dvReadFrameInfo(std::span<const uint8_t> frame, ZRDVAudioInfo* info);
/// Splits `count` little-endian 16-bit stereo pairs into big-endian left and right samples.
void dvSplitStereo(std::span<const uint8_t> samples, int count, std::span<uint8_t> left,
                   std::span<uint8_t> right);
/// Fills the audio blocks of both groups from the big-endian channel arrays (36 × 9 × S
/// samples each, S = 5 for 525/60, 6 for 625/50) by the standard's shuffle.
bool dvShuffleAudio(std::span<uint8_t> frame, bool system50, std::span<const uint8_t> left,
                    std::span<const uint8_t> right);
/// Puts `byteCount` bytes of 16-bit stereo at `rate` (48000, 44100 or 32000) into the frame:
/// the AAUX packs of both groups say so, the samples fill the audio blocks. The system comes
/// from the DSF bit. Returns `byteCount`; -1 (frame unchanged) for a frame the span does not
/// hold, another rate, or a pair count outside what the packs and blocks can carry.
int dvInsertAudio(std::span<uint8_t> frame, std::span<const uint8_t> samples, int byteCount,
                  int rate);
/// Sets the payloads of the AAUX source and control packs of every sequence to FF (the ids
/// stay): a receiver plays the frame without sound. False for a frame the span does not hold.
bool dvMuteAudioPacks(std::span<uint8_t> frame);

} // namespace platform
