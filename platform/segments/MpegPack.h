#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace segments {

/// The pack-level operations of the segment joiner on MPEG-1 system streams and MPEG-2 program
/// streams, over one pack held in memory. Every length read from a pack is checked against the
/// pack: a header that points past it makes the operation fail, never read beyond.
/// Time values are counts of a 27 MHz clock; a 33-bit stamp counts 300 of them.

inline constexpr int64_t kTicksPerStamp = 300;
/// 2^33 stamps: time values repeat with this period.
inline constexpr int64_t kTickPeriod = (int64_t(1) << 33) * kTicksPerStamp;

inline constexpr uint8_t kVideoId = 0xE0;
inline constexpr uint8_t kMpegAudioId = 0xC0;
inline constexpr uint8_t kPrivate1Id = 0xBD;
inline constexpr uint8_t kPrivate2Id = 0xBF;
inline constexpr uint8_t kPaddingId = 0xBE;
inline constexpr uint8_t kSystemHeaderId = 0xBB;

/// `a - b` for time values taken from 33-bit stamps, brought into (-period/2, period/2]: the
/// difference across a wrap of the stamps is the short way round.
int64_t tickDifference(int64_t a, int64_t b);

/// Whether `bytes` begins with 00 00 01 BA.
bool isPackStart(std::span<const uint8_t> bytes);
/// The first 00 00 01 at or after `from`, or -1.
int findPrefix(std::span<const uint8_t> bytes, int from);

/// The SCR of a pack in ticks (MPEG-1: 33 bits x 300; MPEG-2: base x 300 + extension), or -1
/// when the pack is too short.
int64_t readScr(std::span<const uint8_t> pack, bool mpeg2);
/// Stores `ticks` (0 or more) as the SCR of a pack, with its markers: MPEG-1 (ticks + 2) / 300,
/// MPEG-2 base ticks / 300 and extension the remainder. False when the pack is too short.
bool writeScr(std::span<uint8_t> pack, bool mpeg2, int64_t ticks);

/// The first packet of a pack after its header (and after a system header, when one stands
/// first), with its PES header read for the stream identifiers that carry one.
struct Packet {
    int offset = 0;      ///< of its 00 00 01 prefix in the pack
    uint8_t id = 0;      ///< the stream identifier
    int end = 0;         ///< one past its last byte (offset + 6 + length), within the pack
    int dataStart = 0;   ///< the first byte of its data (0xE0, 0xC0, 0xBD); else offset + 6
    int ptsOffset = -1;  ///< where its PTS stands, or -1
    int64_t pts = -1;    ///< the 33-bit PTS, or -1
    bool mpeg2 = false;  ///< its header has the MPEG-2 layout
    bool hasDts = false; ///< a DTS follows the PTS
};
/// The first packet of `pack`; nothing when there is none or its header does not fit the pack.
std::optional<Packet> firstPacket(std::span<const uint8_t> pack);
/// The 33-bit time stamp stored in 5 bytes at `at`.
int64_t readStamp(const uint8_t* at);
/// Stores a 33-bit time stamp in 5 bytes with the 4-bit prefix `prefix` (0x2 for a PTS alone).
void writeStamp(uint8_t* at, int64_t stamp, uint8_t prefix);

/// Turns a pack into a padding pack: from the identifier of the first 00 00 01 after its start
/// code, one padding packet (0xBE, its length, 0xFF bytes) to the pack's end. The pack header is
/// kept. False, with nothing changed, when there is no room for a padding packet.
bool blankPack(std::span<uint8_t> pack);
/// Writes a padding packet over `bytes` whole; false when fewer than 6 bytes.
bool writePadding(std::span<uint8_t> bytes);

/// The duration of two frames, in ticks, for a sequence header's frame_rate_code (its byte 7,
/// low four bits); 0 for codes without a rate.
int64_t framePairTicks(uint8_t frameRateCode);

/// One MPEG audio frame header (ISO/IEC 11172-3 tables, bit-rate index 0 counted as
/// 1000 kbit/s).
struct AudioFrame {
    int length = 0;       ///< in bytes
    int64_t duration = 0; ///< in ticks: (27000000 / Hz) x 384 (layer I) or x 1152
};
/// The frame whose header stands at `at` (4 bytes), if it is one: a sync, a layer, a bit-rate
/// index up to 14 and a sampling-frequency index up to 2.
std::optional<AudioFrame> audioFrameAt(std::span<const uint8_t> bytes, int at);

} // namespace segments
