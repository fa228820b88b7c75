#include "platform/v4l2/ZRV4l2Maps.h"

#include <gtest/gtest.h>

using namespace zrv4l2;

TEST(V4l2Maps, ProcAmpPropertiesToControls) {
    const uint32_t expected[] = {V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_HUE,
                                 V4L2_CID_SATURATION, V4L2_CID_SHARPNESS};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(procAmpControl(i), expected[i]) << i;
    EXPECT_EQ(procAmpControl(-1), 0u);
    EXPECT_EQ(procAmpControl(5), 0u);
}

TEST(V4l2Maps, StandardsBothWays) {
    struct Row {
        uint32_t analog;
        v4l2_std_id v4l2;
    };
    const Row rows[] = {{0x1, V4L2_STD_NTSC_M},
                        {0x2, V4L2_STD_NTSC_M_JP},
                        {0x10, V4L2_STD_PAL_B | V4L2_STD_PAL_B1},
                        {0x100, V4L2_STD_PAL_I},
                        {0x200, V4L2_STD_PAL_M},
                        {0x40000, V4L2_STD_SECAM_L},
                        {0x100000, V4L2_STD_PAL_Nc}};
    for (const Row& r : rows) {
        EXPECT_EQ(v4l2StandardOf(r.analog), r.v4l2) << std::hex << r.analog;
        EXPECT_EQ(analogStandardOf(r.v4l2), r.analog) << std::hex << r.analog;
    }
    // Every named bit comes back as itself; sets map bit by bit.
    for (uint32_t bit = 1; bit <= 0x100000; bit <<= 1)
        if (v4l2StandardOf(bit)) {
            EXPECT_EQ(analogStandardOf(v4l2StandardOf(bit)), bit) << bit;
        }
    EXPECT_EQ(analogStandardOf(V4L2_STD_PAL_BG), 0x10u | 0x40u);
    EXPECT_EQ(v4l2StandardOf(0), 0u);
    EXPECT_EQ(v4l2StandardOf(0x8), 0u); // no standard has that bit
}

TEST(V4l2Maps, InputsToConnectors) {
    struct Row {
        Input input;
        int connector;
    };
    const Row rows[] = {{{0, "Television", V4L2_INPUT_TYPE_TUNER, 0}, 1},
                        {{1, "Composite1", V4L2_INPUT_TYPE_CAMERA, 0}, 2},
                        {{2, "S-Video", V4L2_INPUT_TYPE_CAMERA, 0}, 3},
                        {{3, "SVideo 2", V4L2_INPUT_TYPE_CAMERA, 0}, 3},
                        {{4, "IEEE 1394", V4L2_INPUT_TYPE_CAMERA, 0}, 10},
                        {{5, "Component", V4L2_INPUT_TYPE_CAMERA, 0}, 5},
                        {{6, "Camera 1", V4L2_INPUT_TYPE_CAMERA, 0}, 2}};
    for (const Row& r : rows)
        EXPECT_EQ(connectorOf(r.input), r.connector) << r.input.name;
}

TEST(V4l2Maps, EncoderPropertiesToMpegControls) {
    using L = ControlList;
    EXPECT_EQ(streamTypeControls(DiscFormat::Vcd, 1),
              (L{{V4L2_CID_MPEG_STREAM_TYPE, V4L2_MPEG_STREAM_TYPE_MPEG1_VCD},
                 {V4L2_CID_MPEG_VIDEO_ENCODING, V4L2_MPEG_VIDEO_ENCODING_MPEG_1}}));
    EXPECT_EQ(streamTypeControls(DiscFormat::Svcd, 2),
              (L{{V4L2_CID_MPEG_STREAM_TYPE, V4L2_MPEG_STREAM_TYPE_MPEG2_SVCD},
                 {V4L2_CID_MPEG_VIDEO_ENCODING, V4L2_MPEG_VIDEO_ENCODING_MPEG_2}}));
    EXPECT_EQ(streamTypeControls(discFormatOf(3), 2).front().second,
              V4L2_MPEG_STREAM_TYPE_MPEG2_DVD);
    EXPECT_EQ(discFormatOf(7), DiscFormat::Dvd);
    EXPECT_EQ(gopControls(15, 3),
              (L{{V4L2_CID_MPEG_VIDEO_GOP_SIZE, 15}, {V4L2_CID_MPEG_VIDEO_B_FRAMES, 2}}));
    EXPECT_EQ(gopControls(12, 1).back().second, 0);
    EncoderVideoSettings s;
    s.bitRate = 4200000;
    s.peakBitRate = 6000000;
    s.variable = 1;
    EXPECT_EQ(videoSettingsControls(s),
              (L{{V4L2_CID_MPEG_VIDEO_BITRATE_MODE, V4L2_MPEG_VIDEO_BITRATE_MODE_VBR},
                 {V4L2_CID_MPEG_VIDEO_BITRATE, 4200000},
                 {V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, 6000000}}));
    s.variable = 0;
    EXPECT_EQ(videoSettingsControls(s).front().second, V4L2_MPEG_VIDEO_BITRATE_MODE_CBR);
    // The Kestrel 200's MPEG-1 field chooses the encoding; a record without it leaves it.
    s.hasMpeg1Field = true;
    s.mpeg1 = 1;
    EXPECT_EQ(videoSettingsControls(s).back(),
              (std::pair<uint32_t, int32_t>{V4L2_CID_MPEG_VIDEO_ENCODING,
                                            V4L2_MPEG_VIDEO_ENCODING_MPEG_1}));
    s.mpeg1 = 0;
    EXPECT_EQ(videoSettingsControls(s).back().second, V4L2_MPEG_VIDEO_ENCODING_MPEG_2);
    EXPECT_EQ(audioRateControls(44100), (L{{V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, 0}}));
    EXPECT_EQ(audioRateControls(48000), (L{{V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, 1}}));
    EXPECT_TRUE(audioRateControls(22050).empty());
    EXPECT_EQ(audioBitRateControls(224000), (L{{V4L2_CID_MPEG_AUDIO_L2_BITRATE, 10}}));
    EXPECT_EQ(audioBitRateControls(256000), (L{{V4L2_CID_MPEG_AUDIO_L2_BITRATE, 11}}));
    EXPECT_EQ(audioBitRateControls(999000), (L{{V4L2_CID_MPEG_AUDIO_L2_BITRATE, 13}}));
    EXPECT_EQ(audioBitRateOfEntry(10), 224000);
    EXPECT_EQ(audioRateOfEntry(3), 0);
}
