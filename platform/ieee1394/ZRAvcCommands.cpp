#include "platform/ieee1394/ZRAvcCommands.h"

namespace zravc {

namespace {

Frame control(uint8_t opcode, uint8_t operand) {
    return {kControl, kTapeSubunit, opcode, operand};
}

// The tape command each mode code implies: the state the transport reports once the mode is
// reached. Codes the table accepts but no tape command reaches fail without sending.
bool modeCommand(long mode, Frame* frame) {
    struct Row {
        long mode;
        uint8_t opcode, operand;
    };
    static constexpr Row kRows[] = {
        {4296, kOpPlay, 0x75}, {4297, kOpWind, 0x60},   {4298, kOpPlay, 0x7D},
        {4300, kOpWind, 0x75}, {4301, kOpWind, 0x65},   {4302, kOpRecord, 0x75},
        {4304, kOpPlay, 0x30}, {4904, kOpRecord, 0x7D}, {4905, kOpPlay, 0x40},
        {5029, kOpPlay, 0x3F}, {5030, kOpPlay, 0x31},   {5031, kOpPlay, 0x4F},
        {5032, kOpPlay, 0x41}, {5035, kOpPlay, 0x65},
    };
    for (const Row& row : kRows)
        if (row.mode == mode) {
            *frame = control(row.opcode, row.operand);
            return true;
        }
    return false;
}

bool isModeCode(long code) {
    return (code >= 4296 && code <= 4308) || code == 4376 || code == 4377 || code == 4904 ||
           code == 4905 || code == 4908 || (code >= 5029 && code <= 5035);
}

Request fromMode(long mode) {
    Request r;
    r.kind = modeCommand(mode, &r.frame) ? Request::Kind::Command : Request::Kind::Unsupported;
    return r;
}

Request command(Frame frame) {
    return {Request::Kind::Command, std::move(frame)};
}

// The mode a shuttle speed selects; 0 for none (-8 has a command of its own).
long modeOfSpeed(long speed) {
    if (speed == 0) return 4298;
    if (speed == 1) return 4304;
    if (speed >= 2 && speed <= 7) return 5030;
    if (speed == 8) return 4296;
    if (speed >= 9 && speed <= 15) return 5029;
    if (speed == -1) return 4905;
    if (speed >= -7 && speed <= -2) return 5032;
    if (speed >= -15 && speed <= -9) return 5031;
    return 0;
}

int digit(uint32_t v, int nibble) {
    return int((v >> (nibble * 4)) & 0xF);
}

uint32_t bcd2(long v) {
    return uint32_t((v / 10) % 10) << 4 | uint32_t(v % 10);
}

} // namespace

Request request(long state, long parameter, bool ntsc) {
    if (isModeCode(state)) return fromMode(state);
    switch (state) {
    case kRequestSpeed:
        if (parameter == -8) return command(control(kOpPlay, 0x48));
        if (const long mode = modeOfSpeed(parameter)) return fromMode(mode);
        return {};
    case kRequestPlayReverse:
        return command(control(kOpPlay, 0x65));
    case kRequestLocate: {
        const long count = frameCount(uint32_t(parameter), ntsc);
        if (count < 0 || parameter < 0) return {};
        return command({kControl, kTapeSubunit, kOpAbsoluteTrack, 0x20, uint8_t(count & 0xFF),
                        uint8_t((count >> 8) & 0xFF), uint8_t((count >> 16) & 0xFF), 0xFF});
    }
    case kRequestOpcode40:
        if (parameter == 0 || parameter == 1 || parameter == 0x25 || parameter == 0x35)
            return command(control(0x40, uint8_t(parameter)));
        return {};
    case kRequestLoadMedium:
        if (parameter == 0x60) return command(control(kOpLoadMedium, 0x60));
        return {};
    case kRequestRecord:
        if (parameter == 0x30 || parameter == 0x40 || parameter == 0x75 || parameter == 0x7D)
            return command(control(kOpRecord, uint8_t(parameter)));
        return {};
    case kRequestPlay:
        if ((parameter >= 0x30 && parameter <= 0x4F) || parameter == 0x65 || parameter == 0x6D ||
            parameter == 0x75 || parameter == 0x7D)
            return command(control(kOpPlay, uint8_t(parameter)));
        return {};
    case kRequestWind:
        if (parameter == 0x45 || parameter == 0x60 || parameter == 0x65 || parameter == 0x75)
            return command(control(kOpWind, uint8_t(parameter)));
        return {};
    default:
        return {};
    }
}

Frame transportStateRequest() {
    return {kStatus, kTapeSubunit, kOpTransportState, 0x7F};
}

Frame timeCodeRequest() {
    return {kStatus, kTapeSubunit, kOpTimeCode, 0x71, 0xFF, 0xFF, 0xFF, 0xFF};
}

Frame absoluteTrackRequest() {
    return {kStatus, kTapeSubunit, kOpAbsoluteTrack, 0x71, 0xFF, 0xFF, 0xFF, 0xFF};
}

bool answers(std::span<const uint8_t> request, std::span<const uint8_t> reply, uint8_t expected) {
    if (request.size() < 3 || reply.size() < request.size()) return false;
    return (reply[0] & 0x0F) == expected && reply[1] == request[1] && reply[2] == request[2];
}

bool transportState(std::span<const uint8_t> reply, long* state, long* parameter) {
    if (reply.size() < 4 || (reply[0] & 0x0F) != kStable || reply[1] != kTapeSubunit) return false;
    const uint8_t opcode = reply[2], operand = reply[3];
    // The answer names the transport's mode; an echo of the request is read as the Part's
    // "any other opcode" case, anything else answers some other command.
    if (opcode >= kOpLoadMedium && opcode <= kOpWind) {
        *state = kRequestBase + opcode;
        *parameter = operand;
    } else if (opcode == kOpTransportState) {
        *state = kRequestBase;
        *parameter = long(opcode) << 8 | operand;
    } else {
        return false;
    }
    return true;
}

bool validTimeCode(uint32_t bcd, bool ntsc) {
    for (int n = 0; n < 8; ++n)
        if (digit(bcd, n) > 9) return false;
    const int frames = digit(bcd, 1) * 10 + digit(bcd, 0);
    const int seconds = digit(bcd, 3) * 10 + digit(bcd, 2);
    const int minutes = digit(bcd, 5) * 10 + digit(bcd, 4);
    return frames < (ntsc ? 30 : 25) && seconds < 60 && minutes < 60;
}

long timeCode(std::span<const uint8_t> reply, bool ntsc) {
    const Frame req = timeCodeRequest();
    if (!answers(req, reply, kStable)) return -1;
    const uint32_t bcd =
        uint32_t(reply[4]) << 24 | uint32_t(reply[5]) << 16 | uint32_t(reply[6]) << 8 | reply[7];
    return validTimeCode(bcd, ntsc) ? long(bcd) : -1;
}

long timeCodeFromTrack(std::span<const uint8_t> reply, bool ntsc) {
    const Frame req = absoluteTrackRequest();
    if (!answers(req, reply, kStable)) return -1;
    const long track = long(reply[4]) | long(reply[5]) << 8 | long(reply[6]) << 16;
    return long(timeCodeOf(track / (ntsc ? 20 : 24), ntsc));
}

long frameCount(uint32_t bcd, bool ntsc) {
    if (!validTimeCode(bcd, ntsc)) return -1;
    const long rate = ntsc ? 30 : 25;
    const long h = digit(bcd, 7) * 10 + digit(bcd, 6);
    const long m = digit(bcd, 5) * 10 + digit(bcd, 4);
    const long s = digit(bcd, 3) * 10 + digit(bcd, 2);
    const long f = digit(bcd, 1) * 10 + digit(bcd, 0);
    return (((h * 60) + m) * 60 + s) * rate + f;
}

uint32_t timeCodeOf(long count, bool ntsc) {
    const long rate = ntsc ? 30 : 25;
    const long perHour = rate * 3600;
    return bcd2(count / perHour % 10) << 24 | bcd2(count / (rate * 60) % 60) << 16 |
           bcd2(count / rate % 60) << 8 | bcd2(count % rate);
}

long modeCode(long state, long parameter) {
    struct Row {
        long state, parameter, code;
    };
    static constexpr Row kRows[] = {
        {kRequestRecord, 0x75, 4302}, {kRequestRecord, 0x7D, 4904}, {kRequestPlay, 0x30, 4304},
        {kRequestPlay, 0x31, 5030},   {kRequestPlay, 0x38, 4296},   {kRequestPlay, 0x75, 4296},
        {kRequestPlay, 0x3F, 5029},   {kRequestPlay, 0x40, 4905},   {kRequestPlay, 0x41, 5032},
        {kRequestPlay, 0x48, 5035},   {kRequestPlay, 0x65, 5035},   {kRequestPlay, 0x4F, 5031},
        {kRequestPlay, 0x6D, 4298},   {kRequestPlay, 0x7D, 4298},   {kRequestWind, 0x45, 5034},
        {kRequestWind, 0x60, 4297},   {kRequestWind, 0x65, 4301},   {kRequestWind, 0x75, 4300},
    };
    for (const Row& row : kRows)
        if (row.state == state && row.parameter == parameter) return row.code;
    return 0;
}

} // namespace zravc
