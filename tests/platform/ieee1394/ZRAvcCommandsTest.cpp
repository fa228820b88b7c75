#include "platform/ieee1394/ZRAvcCommands.h"

#include <gtest/gtest.h>

using zravc::Frame;
using zravc::Request;

namespace {

struct RequestRow {
    long state, parameter;
    Request::Kind kind;
    Frame frame;
};

constexpr auto kCmd = Request::Kind::Command;
constexpr auto kNone = Request::Kind::Ignored;
constexpr auto kFail = Request::Kind::Unsupported;

Frame ctl(uint8_t op, uint8_t operand) {
    return {0x00, 0x20, op, operand};
}

} // namespace

TEST(AvcRequests, EveryRowSendsItsExactBytes) {
    const RequestRow rows[] = {
        // Mode codes: the command their reported state implies.
        {4296, 0, kCmd, ctl(0xC3, 0x75)},
        {4297, 7, kCmd, ctl(0xC4, 0x60)},
        {4298, 0, kCmd, ctl(0xC3, 0x7D)},
        {4300, 0, kCmd, ctl(0xC4, 0x75)},
        {4301, 0, kCmd, ctl(0xC4, 0x65)},
        {4302, 0, kCmd, ctl(0xC2, 0x75)}, // RECORD only
        {4304, 0, kCmd, ctl(0xC3, 0x30)},
        {4904, 0, kCmd, ctl(0xC2, 0x7D)},
        {4905, 0, kCmd, ctl(0xC3, 0x40)},
        {5029, 0, kCmd, ctl(0xC3, 0x3F)},
        {5030, 0, kCmd, ctl(0xC3, 0x31)},
        {5031, 0, kCmd, ctl(0xC3, 0x4F)},
        {5032, 0, kCmd, ctl(0xC3, 0x41)},
        {5035, 0, kCmd, ctl(0xC3, 0x65)},
        // Accepted mode codes without a tape command fail and send nothing.
        {4299, 0, kFail, {}},
        {4308, 0, kFail, {}},
        {4376, 0, kFail, {}},
        {4377, 0, kFail, {}},
        {4908, 0, kFail, {}},
        {5033, 0, kFail, {}},
        {5034, 0, kFail, {}},
        // Outside the table.
        {4295, 0, kNone, {}},
        {4309, 0, kNone, {}},
        {4903, 0, kNone, {}},
        {5036, 0, kNone, {}},
        {0x3003, 0, kNone, {}},
        // 0x3002 ignores its parameter.
        {0x3002, 12345, kCmd, ctl(0xC3, 0x65)},
        // 0x3040 forwards 0, 1, 0x25, 0x35 only.
        {0x3040, 0, kCmd, ctl(0x40, 0x00)},
        {0x3040, 1, kCmd, ctl(0x40, 0x01)},
        {0x3040, 0x25, kCmd, ctl(0x40, 0x25)},
        {0x3040, 0x35, kCmd, ctl(0x40, 0x35)},
        {0x3040, 2, kNone, {}},
        {0x30C1, 0x60, kCmd, ctl(0xC1, 0x60)},
        {0x30C1, 0x61, kNone, {}},
        {0x30C1, 0, kNone, {}},
        {0x30C2, 0x30, kCmd, ctl(0xC2, 0x30)},
        {0x30C2, 0x40, kCmd, ctl(0xC2, 0x40)},
        {0x30C2, 0x75, kCmd, ctl(0xC2, 0x75)},
        {0x30C2, 0x7D, kCmd, ctl(0xC2, 0x7D)},
        {0x30C2, 0x31, kNone, {}},
        {0x30C3, 0x30, kCmd, ctl(0xC3, 0x30)},
        {0x30C3, 0x4F, kCmd, ctl(0xC3, 0x4F)},
        {0x30C3, 0x65, kCmd, ctl(0xC3, 0x65)},
        {0x30C3, 0x6D, kCmd, ctl(0xC3, 0x6D)},
        {0x30C3, 0x75, kCmd, ctl(0xC3, 0x75)},
        {0x30C3, 0x7D, kCmd, ctl(0xC3, 0x7D)},
        {0x30C3, 0x2F, kNone, {}},
        {0x30C3, 0x50, kNone, {}},
        {0x30C4, 0x45, kCmd, ctl(0xC4, 0x45)},
        {0x30C4, 0x60, kCmd, ctl(0xC4, 0x60)},
        {0x30C4, 0x65, kCmd, ctl(0xC4, 0x65)},
        {0x30C4, 0x75, kCmd, ctl(0xC4, 0x75)},
        {0x30C4, 0x70, kNone, {}},
        // Locate: a frame count, three bytes lowest first, then 0xFF.
        {0x3004, 0x00000000, kCmd, {0x00, 0x20, 0x52, 0x20, 0, 0, 0, 0xFF}},
        {0x3004, 0x01020304, kCmd, {0x00, 0x20, 0x52, 0x20, 0x97, 0x6B, 0x01, 0xFF}},
        {0x3004, 0x00005A00, kNone, {}}, // not BCD
        {0x3004, 0x00000025, kNone, {}}, // frame 25 at 25 frames a second
    };
    for (const RequestRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.state << " " << row.parameter);
        const Request r = zravc::request(row.state, row.parameter, false);
        EXPECT_EQ(r.kind, row.kind);
        EXPECT_EQ(r.frame, row.frame);
    }
}

TEST(AvcRequests, SpeedsGoThroughTheModes) {
    // -8 plays backwards with PLAY 0x48; outside -15..15 nothing.
    const auto frameOfSpeed = [](long speed) { return zravc::request(0x3001, speed, false); };
    for (long speed = -20; speed <= 20; ++speed) {
        SCOPED_TRACE(speed);
        const Request r = frameOfSpeed(speed);
        uint8_t operand = 0;
        if (speed == 0)
            operand = 0x7D;
        else if (speed == 1)
            operand = 0x30;
        else if (speed >= 2 && speed <= 7)
            operand = 0x31;
        else if (speed == 8)
            operand = 0x75;
        else if (speed >= 9 && speed <= 15)
            operand = 0x3F;
        else if (speed == -1)
            operand = 0x40;
        else if (speed >= -7 && speed <= -2)
            operand = 0x41;
        else if (speed == -8)
            operand = 0x48;
        else if (speed >= -15 && speed <= -9)
            operand = 0x4F;
        if (operand == 0) {
            EXPECT_EQ(r.kind, kNone);
            EXPECT_TRUE(r.frame.empty());
        } else {
            EXPECT_EQ(r.kind, kCmd);
            EXPECT_EQ(r.frame, ctl(0xC3, operand));
        }
    }
}

TEST(AvcRequests, LocateCountsThirtyFramesOnNtsc) {
    // 00:00:01:29 exists only at 30 frames a second: frame 59.
    EXPECT_EQ(zravc::frameCount(0x00000129, true), 59);
    EXPECT_EQ(zravc::frameCount(0x00000129, false), -1);
    EXPECT_EQ(zravc::frameCount(0x01000000, true), 108000);
    EXPECT_EQ(zravc::frameCount(0x01000000, false), 90000);
    EXPECT_EQ(zravc::request(0x3004, 0x00000129, true).frame,
              (Frame{0x00, 0x20, 0x52, 0x20, 59, 0, 0, 0xFF}));
}

namespace {

struct ReplyRow {
    const char* what;
    Frame reply;
    bool ntsc;
    long expected; // -1: refused
};

} // namespace

TEST(AvcReplies, TimeCodesAreCheckedBeforeTheyAreRead) {
    const ReplyRow rows[] = {
        {"valid PAL", {0x0C, 0x20, 0x51, 0x71, 0x01, 0x02, 0x03, 0x24}, false, 0x01020324},
        {"frame 25 on PAL", {0x0C, 0x20, 0x51, 0x71, 0x01, 0x02, 0x03, 0x25}, false, -1},
        {"frame 29 on NTSC", {0x0C, 0x20, 0x51, 0x71, 0x01, 0x02, 0x03, 0x29}, true, 0x01020329},
        {"frame 30 on NTSC", {0x0C, 0x20, 0x51, 0x71, 0x01, 0x02, 0x03, 0x30}, true, -1},
        {"nibble above 9", {0x0C, 0x20, 0x51, 0x71, 0x00, 0x5A, 0x00, 0x00}, false, -1},
        {"hour nibble above 9", {0x0C, 0x20, 0x51, 0x71, 0xA0, 0x00, 0x00, 0x00}, false, -1},
        {"60 minutes", {0x0C, 0x20, 0x51, 0x71, 0x00, 0x60, 0x00, 0x00}, false, -1},
        {"60 seconds", {0x0C, 0x20, 0x51, 0x71, 0x00, 0x00, 0x60, 0x00}, false, -1},
        {"lowest byte 0x99", {0x0C, 0x20, 0x51, 0x71, 0x00, 0x00, 0x00, 0x99}, false, -1},
        {"not implemented", {0x08, 0x20, 0x51, 0x71, 0xFF, 0xFF, 0xFF, 0xFF}, false, -1},
        {"rejected", {0x0A, 0x20, 0x51, 0x71, 0x00, 0x00, 0x00, 0x00}, false, -1},
        {"short", {0x0C, 0x20, 0x51, 0x71, 0x00, 0x00}, false, -1},
        {"empty", {}, false, -1},
        {"another subunit", {0x0C, 0x28, 0x51, 0x71, 0x00, 0x00, 0x00, 0x00}, false, -1},
        {"another opcode", {0x0C, 0x20, 0x52, 0x71, 0x00, 0x00, 0x00, 0x00}, false, -1},
    };
    for (const ReplyRow& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(zravc::timeCode(row.reply, row.ntsc), row.expected);
    }
}

TEST(AvcReplies, TrackNumberFallbackForPalAndNtsc) {
    // Frame 90000 + 1500 + 25 + 3 = 01:01:01:03 on PAL: track 24 per frame.
    const long pal = (90000 + 1500 + 25 + 3) * 24 + 5;
    const Frame palReply{
        0x0C, 0x20, 0x52, 0x71, uint8_t(pal), uint8_t(pal >> 8), uint8_t(pal >> 16), 0xFF};
    EXPECT_EQ(zravc::timeCodeFromTrack(palReply, false), 0x01010103);
    // 01:01:01:29 on NTSC: 108000 + 1800 + 30 + 29 frames, 20 tracks each.
    const long ntsc = (108000 + 1800 + 30 + 29) * 20 + 7;
    const Frame ntscReply{
        0x0C, 0x20, 0x52, 0x71, uint8_t(ntsc), uint8_t(ntsc >> 8), uint8_t(ntsc >> 16), 0xFF};
    EXPECT_EQ(zravc::timeCodeFromTrack(ntscReply, true), 0x01010129);
    // The byte above the three-byte track number is not read.
    Frame high = palReply;
    high[7] = 0x12;
    EXPECT_EQ(zravc::timeCodeFromTrack(high, false), 0x01010103);
    EXPECT_EQ(zravc::timeCodeFromTrack(Frame{0x08, 0x20, 0x52, 0x71, 0, 0, 0, 0}, false), -1);
    EXPECT_EQ(zravc::timeCodeFromTrack(Frame{0x0C, 0x20, 0x52, 0x71, 0}, false), -1);
    EXPECT_EQ(zravc::timeCodeFromTrack(Frame{0x0C, 0x20, 0x51, 0x71, 0, 0, 0, 0}, false), -1);
}

TEST(AvcReplies, TransportStates) {
    struct Row {
        const char* what;
        Frame reply;
        bool ok;
        long state, parameter;
    };
    const Row rows[] = {
        {"play", {0x0C, 0x20, 0xC3, 0x75}, true, 0x30C3, 0x75},
        {"wind stop", {0x0C, 0x20, 0xC4, 0x60}, true, 0x30C4, 0x60},
        {"load medium", {0x0C, 0x20, 0xC1, 0x60}, true, 0x30C1, 0x60},
        {"echo", {0x0C, 0x20, 0xD0, 0x7F}, true, 0x3000, 0xD07F},
        {"other opcode", {0x0C, 0x20, 0x51, 0x71}, false, 0, 0},
        {"other subunit", {0x0C, 0x28, 0xC3, 0x75}, false, 0, 0},
        {"rejected", {0x0A, 0x20, 0xC3, 0x75}, false, 0, 0},
        {"short", {0x0C, 0x20, 0xC3}, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        long state = -7, parameter = -7;
        EXPECT_EQ(zravc::transportState(row.reply, &state, &parameter), row.ok);
        if (row.ok) {
            EXPECT_EQ(state, row.state);
            EXPECT_EQ(parameter, row.parameter);
        } else {
            EXPECT_EQ(state, -7);
        }
    }
}

TEST(AvcReplies, TimeCodeOfFrameRoundTrips) {
    for (const bool ntsc : {false, true})
        for (const long n : {0L, 24L, 25L, 29L, 59L, 1799L, 107999L, 899999L}) {
            const uint32_t bcd = zravc::timeCodeOf(n, ntsc);
            ASSERT_TRUE(zravc::validTimeCode(bcd, ntsc)) << n;
            EXPECT_EQ(zravc::frameCount(bcd, ntsc), n);
        }
}
