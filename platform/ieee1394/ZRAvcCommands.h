#pragma once

#include <cstdint>
#include <span>
#include <vector>

/// The AV/C tape-subunit commands the camera transport sends and how their replies read.
/// Frames are bytes in bus order: ctype (or response code), subunit, opcode, operands.
/// Every reader checks a reply against the request it answers before it reads a byte of it: a
/// reply shorter than its request, or naming another subunit or opcode, counts as refused.
/// Thread-safety: pure functions.
namespace zravc {

using Frame = std::vector<uint8_t>;

inline constexpr uint8_t kControl = 0x00;
inline constexpr uint8_t kStatus = 0x01;
inline constexpr uint8_t kTapeSubunit = 0x20;

/// Response codes (the low four bits of a reply's first byte).
inline constexpr uint8_t kNotImplemented = 0x08;
inline constexpr uint8_t kAccepted = 0x09;
inline constexpr uint8_t kRejected = 0x0A;
inline constexpr uint8_t kInTransition = 0x0B;
inline constexpr uint8_t kStable = 0x0C;

/// Tape-subunit opcodes.
inline constexpr uint8_t kOpLoadMedium = 0xC1;
inline constexpr uint8_t kOpRecord = 0xC2;
inline constexpr uint8_t kOpPlay = 0xC3;
inline constexpr uint8_t kOpWind = 0xC4;
inline constexpr uint8_t kOpTransportState = 0xD0;
inline constexpr uint8_t kOpTimeCode = 0x51;
inline constexpr uint8_t kOpAbsoluteTrack = 0x52;

/// Request codes of the transport (the first value of a request pair) beyond the mode codes.
inline constexpr long kRequestBase = 0x3000;
inline constexpr long kRequestSpeed = 0x3001;
inline constexpr long kRequestPlayReverse = 0x3002;
inline constexpr long kRequestLocate = 0x3004;
inline constexpr long kRequestOpcode40 = 0x3040;
inline constexpr long kRequestLoadMedium = 0x30C1;
inline constexpr long kRequestRecord = 0x30C2;
inline constexpr long kRequestPlay = 0x30C3;
inline constexpr long kRequestWind = 0x30C4;

/// What a request pair turns into.
struct Request {
    enum class Kind {
        Ignored,     ///< not a request of the table, or a parameter outside its set: nothing
        Unsupported, ///< an accepted mode code with no command of its own: fails, nothing sent
        Command      ///< `frame` is sent
    };
    Kind kind = Kind::Ignored;
    Frame frame;
};

/// The command of transport request (`state`, `parameter`); `ntsc` selects the frame rate of a
/// locate. Mode codes (4296-4308, 4376-4377, 4904-4905, 4908, 5029-5035) become the tape command
/// their reported state implies; speeds -15..15 (0x3001) go through the mode codes.
Request request(long state, long parameter, bool ntsc);

/// The status requests the poll sends.
Frame transportStateRequest();
Frame timeCodeRequest();
Frame absoluteTrackRequest();

/// True when `reply` answers `request` with response code `expected`: at least as long, the
/// same subunit and opcode. A transport-state answer names the transport's opcode instead
/// (0xC1..0xC4), which `transportState` accepts.
bool answers(std::span<const uint8_t> request, std::span<const uint8_t> reply, uint8_t expected);

/// The reported pair of a transport-state reply: (0x3000 + opcode, operand) for opcodes
/// 0xC1..0xC4, else (0x3000, opcode << 8 | operand). False for a refused or malformed reply.
bool transportState(std::span<const uint8_t> reply, long* state, long* parameter);

/// The transport code a reported pair stands for, as the produce page and the transport
/// controller know them: (0x30C2, 0x75) record 4302, (0x30C3, 0x75) play 4296, (0x30C4, 0x60)
/// stop 4297 and the other modes of the table; 0 for a pair of no mode.
long modeCode(long state, long parameter);

/// True when `bcd` is a packed BCD time code hh:mm:ss:ff with every nibble a digit, minutes and
/// seconds below 60 and frames below the rate (25, or 30 for 525-line tapes).
bool validTimeCode(uint32_t bcd, bool ntsc);
/// The time code of a TIME CODE status reply (hh mm ss ff in operand bytes 1-4), -1 when the
/// reply is refused, malformed or not a valid time code.
long timeCode(std::span<const uint8_t> reply, bool ntsc);
/// The time code computed from an ABSOLUTE TRACK NUMBER status reply: the track number (three
/// bytes, lowest first) over 24 (12 tracks a frame at 25 frames a second) or over 20 for
/// 525-line tapes (10 tracks a frame, 30 frames a second). -1 when refused or malformed.
long timeCodeFromTrack(std::span<const uint8_t> reply, bool ntsc);

/// The frame count of a BCD time code at 25 (or 30) frames a second; -1 for an invalid code.
long frameCount(uint32_t bcd, bool ntsc);
/// The BCD time code of frame `count` (count >= 0).
uint32_t timeCodeOf(long count, bool ntsc);

} // namespace zravc
