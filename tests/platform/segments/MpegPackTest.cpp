#include "platform/segments/MpegPack.h"
#include "platform/segments/MpegJoiner.h"
#include "tests/platform/segments/SegmentFixture.h"

#include <gtest/gtest.h>

using namespace segments;
using namespace segmentfixture;

namespace {

TEST(MpegPack, SystemClockReferencesRoundTripInBothLayers) {
    const int64_t values[] = {0, 300, 299, int64_t(12345678) * 300 + 17,
                              ((int64_t(1) << 33) - 1) * 300};
    for (const bool mpeg2 : {false, true}) {
        for (const int64_t value : values) {
            Bytes pack(14, 0);
            ASSERT_TRUE(writeScr(pack, mpeg2, value));
            // MPEG-1 keeps whole 90 kHz counts (rounded to the nearest), MPEG-2 every tick.
            const int64_t expected = mpeg2 ? value : (value + 2) / 300 * 300;
            EXPECT_EQ(readScr(pack, mpeg2), expected) << value << (mpeg2 ? " MPEG-2" : " MPEG-1");
            EXPECT_EQ(mpeg2 ? pack[4] >> 6 : pack[4] >> 4, mpeg2 ? 0x1 : 0x2) << "the marker";
        }
    }
}

TEST(MpegPack, DifferencesOfStampsTakeTheShortWayAcrossTheWrap) {
    const int64_t top = kTickPeriod - 300;
    EXPECT_EQ(tickDifference(300, top), 600);
    EXPECT_EQ(tickDifference(top, 300), -600);
    EXPECT_EQ(tickDifference(5000, 2000), 3000);
    EXPECT_EQ(tickDifference(-2160000, 0), -2160000) << "a start before stamp 0";
}

TEST(MpegPack, HeadersThatPointPastThePackAreRefused) {
    Bytes pack(64, 0xFF);
    pack[0] = 0, pack[1] = 0, pack[2] = 1, pack[3] = 0xBA;
    pack[12] = 0, pack[13] = 0, pack[14] = 1, pack[15] = kVideoId;
    pack[16] = 0x10, pack[17] = 0x00; // 4096 bytes
    EXPECT_FALSE(firstPacket(pack));
    pack[16] = 0, pack[17] = 64 - 18;
    pack[18] = 0x80, pack[19] = 0x80, pack[20] = 200; // header_data_length past the packet
    EXPECT_FALSE(firstPacket(pack));
    pack[20] = 5;
    writeStamp(&pack[21], 90000, 0x2);
    const auto packet = firstPacket(pack);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->pts, 90000);
    EXPECT_EQ(packet->dataStart, 26);
    Bytes small(16, 0);
    small[2] = 1, small[3] = 0xBA, small[14] = 0;
    EXPECT_FALSE(blankPack(small)) << "no packet start to pad from";
}

TEST(MpegPack, AudioFrameHeadersFollowTheLayerTables) {
    struct Case {
        uint8_t b1, b2;
        int length;
        int64_t duration;
    };
    const Case cases[] = {
        {0xFD, 0xB4, 672, (27000000 / 48000) * 1152},  // layer II, 224 kbit/s, 48 kHz
        {0xFD, 0xA2, 627, (27000000 / 44100) * 1152},  // layer II, 192 kbit/s, 44.1 kHz, padded
        {0xFD, 0x08, 4500, (27000000 / 32000) * 1152}, // layer II, index 0 as 1000 kbit/s
        {0xFF, 0x94, 288, (27000000 / 48000) * 384},   // layer I, 288 kbit/s, 48 kHz
        {0xFB, 0x90, 417, (27000000 / 44100) * 1152},  // layer III, 128 kbit/s, 44.1 kHz
    };
    for (const Case& c : cases) {
        const Bytes header{0xFF, c.b1, c.b2, 0x00};
        const auto frame = audioFrameAt(header, 0);
        ASSERT_TRUE(frame) << int(c.b2);
        EXPECT_EQ(frame->length, c.length) << int(c.b2);
        EXPECT_EQ(frame->duration, c.duration) << int(c.b2);
    }
    EXPECT_FALSE(audioFrameAt(Bytes{0xFF, 0xF9, 0x90, 0}, 0)) << "no layer";
    EXPECT_FALSE(audioFrameAt(Bytes{0xFF, 0xFD, 0xF0, 0}, 0)) << "bit-rate index 15";
    EXPECT_FALSE(audioFrameAt(Bytes{0xFF, 0xFD, 0x0C, 0}, 0)) << "frequency index 3";
    EXPECT_FALSE(audioFrameAt(Bytes{0xFF, 0xFD}, 0)) << "cut short";
}

// MPEG-1 packs 1 and 2 take the spacing of packs 3 and 4, found at the stream's own pack size;
// nothing but their clock fields changes.
TEST(MpegPack, TheHeadRestampsTheFirstPacksAtTheirOwnSize) {
    for (const int size : {2324, 2048}) {
        const std::string source = vcdRepacked("vcd_" + std::to_string(size) + ".mpg", size);
        ASSERT_FALSE(source.empty());
        Bytes bytes = readAll(source);
        // Uneven clocks at the front, as an encoder starting up writes them.
        writeScr(std::span<uint8_t>(bytes).subspan(0, 12), false, 7 * 300);
        writeScr(std::span<uint8_t>(bytes).subspan(size_t(size), 12), false, 8 * 300);
        const std::string path = folder() + "restamp_" + std::to_string(size) + ".mpg";
        writeAll(path, bytes);
        ASSERT_EQ(joinMpegFiles("", path), 0);
        const Bytes after = readAll(path);
        auto scr = [&](const Bytes& b, int pack) {
            return readScr(std::span<const uint8_t>(b).subspan(size_t(pack * size), 12), false);
        };
        const int64_t step = scr(after, 3) - scr(after, 2);
        EXPECT_EQ(scr(after, 0), scr(after, 2) - 2 * step) << size;
        EXPECT_EQ(scr(after, 1), scr(after, 2) - step) << size;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const size_t inPack = i % size_t(size);
            if (i < 2 * size_t(size) && inPack >= 4 && inPack < 9) continue;
            ASSERT_EQ(after[i], bytes[i]) << "byte " << i << " of " << size << "-byte packs";
        }
    }
}

} // namespace
