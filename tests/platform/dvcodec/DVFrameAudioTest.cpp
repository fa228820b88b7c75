#include "platform/dvcodec/DVFrameAudio.h"

#include "platform/dvcodec/DVEncoder.h"
#include "platform/dvcodec/DVFrame.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace platform;

namespace {

using Frame = std::vector<uint8_t>;

// A grey picture encoded by the codec: real header, subcode and VAUX blocks, empty audio packs.
Frame encodedFrame(bool pal) {
    const int height = pal ? kDVHeightPAL : kDVHeightNTSC;
    std::vector<unsigned char> pixels(size_t(kDVWidth) * height * 4, 0x80);
    Frame frame(dvFrameSize(kDVWidth, height));
    DVEncoder encoder;
    size_t length = 0;
    EXPECT_EQ(encoder.encode(pixels.data(), kDVWidth * 4, kDVWidth, height, frame, length),
              DVStatus::Ok);
    return frame;
}

// `pairs` stereo pairs counting up from `from` on the left, down on the right.
std::vector<uint8_t> ramp(int from, int pairs) {
    std::vector<uint8_t> bytes(size_t(pairs) * 4);
    for (int i = 0; i < pairs; ++i) {
        const auto left = uint16_t(int16_t(from + i));
        const auto right = uint16_t(int16_t(-(from + i)));
        bytes[4 * size_t(i)] = uint8_t(left);
        bytes[4 * size_t(i) + 1] = uint8_t(left >> 8);
        bytes[4 * size_t(i) + 2] = uint8_t(right);
        bytes[4 * size_t(i) + 3] = uint8_t(right >> 8);
    }
    return bytes;
}

// The sound of raw DV frames as libavformat's DV demuxer reads it (interleaved 16-bit).
std::vector<int16_t> demuxedSound(const std::vector<Frame>& frames) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("frames.dv")).toStdString();
    {
        std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
        for (const Frame& f : frames)
            std::fwrite(f.data(), 1, f.size(), out.get());
    }
    std::vector<int16_t> sound;
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), av_find_input_format("dv"), nullptr) < 0)
        return sound;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        if (input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            const auto* p = reinterpret_cast<const int16_t*>(packet->data);
            sound.insert(sound.end(), p, p + packet->size / 2);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return sound;
}

size_t aauxPlace(int sequence, bool control) {
    return size_t(sequence) * kDifSequenceSize + 480 +
           ((sequence % 2 == 0 ? 3 : 0) + control) * 1280 + 3;
}

} // namespace

TEST(DVFrameAudio, CadenceAndSourcePackSampleCounts) {
    struct Case {
        bool pal;
        int64_t index;
        int pairs;
        uint8_t pc1;
    };
    for (const Case c :
         {Case{false, 0, 1600, 0xD4}, Case{false, 1, 1602, 0xD6}, Case{false, 2, 1602, 0xD6},
          Case{false, 3, 1602, 0xD6}, Case{false, 4, 1602, 0xD6}, Case{false, 5, 1600, 0xD4},
          Case{true, 0, 1920, 0xD8}, Case{true, 7, 1920, 0xD8}}) {
        ASSERT_EQ(dvCadenceSamples(c.pal, c.index), c.pairs);
        Frame frame = encodedFrame(c.pal);
        const auto sound = ramp(0, c.pairs);
        ASSERT_EQ(dvInsertAudio(frame, sound, c.pairs * 4, 48000), c.pairs * 4);
        for (int s = 0; s < dvSequences(c.pal); ++s) {
            EXPECT_EQ(frame[aauxPlace(s, false)], kAauxSourcePack);
            EXPECT_EQ(frame[aauxPlace(s, false) + 1], c.pc1) << s;
        }
        ZRDVAudioInfo info;
        ASSERT_TRUE(dvReadFrameInfo(frame, &info));
        EXPECT_EQ(info.system50, c.pal);
        EXPECT_EQ(info.height, c.pal ? 576 : 480);
        for (const ZRDVAudioGroup& g : info.groups) {
            EXPECT_EQ(g.samples, c.pairs);
            EXPECT_EQ(g.smp, 0);
            EXPECT_EQ(g.cmp, 3);
            EXPECT_EQ(g.ef, 1);
        }
        EXPECT_EQ(info.groups[0].audioMode, 0);
        EXPECT_EQ(info.groups[1].audioMode, 1);
    }
    int64_t total = 0;
    for (int64_t i = 0; i < 5; ++i)
        total += dvCadenceSamples(false, i);
    EXPECT_EQ(total, 8008);
}

TEST(DVFrameAudio, ControlPackInEverySequenceOfBothGroups) {
    for (bool pal : {false, true}) {
        Frame frame = encodedFrame(pal);
        const int pairs = dvCadenceSamples(pal, 0);
        ASSERT_GT(dvInsertAudio(frame, ramp(5, pairs), pairs * 4, 48000), 0);
        for (int s = 0; s < dvSequences(pal); ++s) {
            const size_t at = aauxPlace(s, true);
            EXPECT_EQ(frame[at], kAauxControlPack);
            EXPECT_EQ(frame[at + 1], 0x3F);
            EXPECT_EQ(frame[at + 2], 0xCF);
            EXPECT_EQ(frame[at + 3], 0xA0);
            EXPECT_EQ(frame[at + 4], 0xFF) << "sequence " << s;
        }
    }
}

// The shuffle is checked against an independent reader: what libavformat demuxes is the ramp.
TEST(DVFrameAudio, InsertedRampReadsBackSampleExact) {
    for (bool pal : {false, true}) {
        std::vector<Frame> frames;
        std::vector<int16_t> expected;
        int at = -3000;
        for (int64_t i = 0; i < 5; ++i) {
            const int pairs = dvCadenceSamples(pal, i);
            Frame frame = encodedFrame(pal);
            ASSERT_EQ(dvInsertAudio(frame, ramp(at, pairs), pairs * 4, 48000), pairs * 4);
            for (int n = 0; n < pairs; ++n) {
                expected.push_back(int16_t(at + n));
                expected.push_back(int16_t(-(at + n)));
            }
            at += pairs;
            frames.push_back(std::move(frame));
        }
        const auto sound = demuxedSound(frames);
        ASSERT_EQ(sound.size(), expected.size()) << (pal ? "PAL" : "NTSC");
        EXPECT_EQ(sound, expected);
    }
}

TEST(DVFrameAudio, MutedFrameKeepsIdsAndLosesPayloads) {
    for (bool pal : {false, true}) {
        Frame frame = encodedFrame(pal);
        const int pairs = dvCadenceSamples(pal, 0);
        ASSERT_GT(dvInsertAudio(frame, ramp(1, pairs), pairs * 4, 48000), 0);
        const Frame before = frame;
        ASSERT_TRUE(dvMuteAudioPacks(frame));
        for (int s = 0; s < dvSequences(pal); ++s) {
            for (bool control : {false, true}) {
                const size_t at = aauxPlace(s, control);
                EXPECT_EQ(frame[at], control ? kAauxControlPack : kAauxSourcePack);
                for (size_t b = 1; b <= 4; ++b)
                    EXPECT_EQ(frame[at + b], 0xFF);
            }
        }
        // Nothing else changed: the picture, VAUX packs and samples stay.
        size_t changed = 0;
        for (size_t i = 0; i < frame.size(); ++i)
            changed += frame[i] != before[i];
        EXPECT_LE(changed, size_t(dvSequences(pal)) * 8);
        EXPECT_TRUE(demuxedSound({frame}).empty());
    }
}

// Without a VAUX source pack the system still comes from the header: an NTSC frame is
// shuffled over its own 10 sequences and the bytes after it stay as they were.
TEST(DVFrameAudio, NtscFrameWithoutVauxWritesNothingPastItsEnd) {
    Frame frame = encodedFrame(false);
    for (size_t b = 0; b < frame.size(); b += kDifBlockSize)
        if ((frame[b] >> 5) == 2)
            for (size_t p = 0; p < 15; ++p)
                frame[b + 3 + 5 * p] = 0xFF;
    std::vector<uint8_t> buffer(kDVFrameSizePAL, 0xA5);
    std::copy(frame.begin(), frame.end(), buffer.begin());
    // The span is the frame alone; an exact heap block lets the address sanitizer see any
    // overrun too.
    auto exact = std::make_unique<uint8_t[]>(frame.size());
    std::copy(frame.begin(), frame.end(), exact.get());
    const auto sound = ramp(0, 1600);
    ASSERT_EQ(dvInsertAudio(std::span(buffer).first(frame.size()), sound, 6400, 48000), 6400);
    ASSERT_EQ(dvInsertAudio(std::span(exact.get(), frame.size()), sound, 6400, 48000), 6400);
    ASSERT_TRUE(dvMuteAudioPacks(std::span(exact.get(), frame.size())));
    for (size_t i = frame.size(); i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xA5) << i;
    ZRDVAudioInfo info;
    ASSERT_TRUE(dvReadFrameInfo(std::span(buffer).first(frame.size()), &info));
    EXPECT_FALSE(info.system50);
    EXPECT_EQ(info.groups[0].samples, 1600);
    EXPECT_EQ(buffer[aauxPlace(0, false) + 3] & 0x3F, 0) << "525/60, STYPE 0";
}

TEST(DVFrameAudio, RefusalsLeaveTheFrameAlone) {
    Frame pal = encodedFrame(true);
    const Frame before = pal;
    const auto sound = ramp(0, 1920);
    struct Case {
        const char* what;
        size_t span;
        int bytes, rate;
    };
    for (const Case c :
         {Case{"short span", 120000, 7680, 48000}, Case{"no header", 40, 7680, 48000},
          Case{"rate", 144000, 7680, 22050}, Case{"odd bytes", 144000, 7681, 48000},
          Case{"more than given", 144000, 7684, 48000},
          Case{"too few pairs", 144000, 1000 * 4, 48000}, Case{"negative", 144000, -4, 48000}}) {
        EXPECT_EQ(dvInsertAudio(std::span(pal).first(c.span), sound, c.bytes, c.rate), -1)
            << c.what;
        EXPECT_EQ(pal, before) << c.what;
    }
    EXPECT_FALSE(dvMuteAudioPacks(std::span(pal).first(143999)));
    ZRDVAudioInfo info;
    EXPECT_FALSE(dvReadFrameInfo(std::span(pal).first(100), &info));
    EXPECT_EQ(pal, before);
}

TEST(DVFrameAudio, MissingPacksReadAsFF) {
    Frame frame(kDVFrameSizeNTSC, 0);
    ZRDVPackPayloads packs;
    EXPECT_FALSE(dvReadAuxPacks(frame, &packs));
    for (const auto& p : packs)
        EXPECT_EQ(p, (std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
    Frame encoded = encodedFrame(true);
    ASSERT_TRUE(dvReadAuxPacks(std::span(encoded).first(0), &packs) == false);
}
