#include "tests/engine/objects/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace objecttest;

namespace {

std::unique_ptr<ZRObject> makeTitle(const char* text) {
    auto title = makeObject(nullptr, "2D-Text", 30);
    auto data = std::make_unique<ZRFontData>();
    data->size = 40;
    data->text = QString::fromUtf8(text);
    title->setFontData(std::move(data));
    return title;
}

} // namespace

TEST(ZRObjectSettings, OverlayIntegersRoundTripInAnyCase) {
    auto object = makeObject(nullptr, "Solid Color", 10);
    const char* keys[] = {"Overlay Mode",    "Overlay Match",     "Overlay Opacity",
                          "Overlay Smooth",  "Overlay Fade Time", "Overlay Fade In",
                          "Overlay Fade Out"};
    int value = 40;
    for (const char* key : keys) {
        EXPECT_TRUE(object->setIntSetting(key, value)) << key;
        const std::string upper = QByteArray(key).toUpper().toStdString();
        int out = -1;
        EXPECT_TRUE(object->getIntSetting(upper.c_str(), &out)) << key;
        EXPECT_EQ(out, value) << key;
        ++value;
    }
}

TEST(ZRObjectSettings, UnknownAndWrongTypedKeysLeaveOutputsAlone) {
    auto object = makeObject(nullptr, "Solid Color", 10);
    int i = 7, j = 8, k = 9;
    double d = 1.5;
    char* text = nullptr;
    const char16_t* wide = nullptr;
    EXPECT_FALSE(object->getIntSetting("Overlay Moder", &i));
    EXPECT_FALSE(object->getIntSetting(nullptr, &i));
    EXPECT_FALSE(object->getDoubleSetting("Overlay Mode", &d));
    EXPECT_FALSE(object->getIntPairSetting("Overlay Mode", &i, &j));
    EXPECT_FALSE(object->getIntTripleSetting("Overlay Mode", &i, &j, &k));
    EXPECT_FALSE(object->getStringSetting("Overlay Mode", &text));
    EXPECT_FALSE(object->getUnicodeStringSetting("Overlay Mode", &wide));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(j, 8);
    EXPECT_EQ(k, 9);
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(wide, nullptr);
    EXPECT_FALSE(object->setIntSetting("No Such Key", 1));
    EXPECT_FALSE(object->setDoubleSetting("Overlay Mode", 1.0));
    // Keys that belong to the timeline only.
    EXPECT_FALSE(object->getFadeFactor("FadeCharacteristics GetFactor", &d, &d, &d, &d));
    EXPECT_FALSE(object->addFadePoint("FadeCharacteristics AddPoint", 0.5, 0.5));
    EXPECT_FALSE(object->setTrackChannelDoubleSetting("Channel Audio Level", 1, 1, 0.5));
    EXPECT_FALSE(object->getTrackChannelDoubleSetting("Channel Audio Level", &i, nullptr, &d));
    EXPECT_FALSE(object->getDoubleSetting("Framerate", &d));
    EXPECT_FALSE(object->getIntSetting("Video Bitrate", &i));
}

TEST(ZRObjectSettings, OverlayNeedsVideo) {
    auto object = makeObject(nullptr, "Import", 10, /*video=*/false);
    int out = 5, g = 0, b = 0;
    EXPECT_FALSE(object->getIntSetting("Overlay Mode", &out));
    EXPECT_FALSE(object->setIntSetting("Overlay Mode", 1));
    EXPECT_FALSE(object->setIntTripleSetting("Overlay Color", 1, 2, 3));
    EXPECT_FALSE(object->getIntTripleSetting("Overlay Color", &out, &g, &b));
    EXPECT_EQ(out, 5);
}

TEST(ZRObjectSettings, OverlayColorStoresItsKeyYuv) {
    struct Case {
        int r, g, b, y, u, v;
    };
    const Case cases[] = {
        {255, 255, 255, 255, 0, 0},
        {255, 0, 0, 76, -37, 157},
        {0, 0, 255, 29, 111, -24},
        {0, 0, 0, 0, 0, 0},
    };
    auto object = makeObject(nullptr, "Solid Color", 10);
    for (const Case& c : cases) {
        ASSERT_TRUE(object->setIntTripleSetting("overlay color", c.r, c.g, c.b));
        int r = -1, g = -1, b = -1;
        ASSERT_TRUE(object->getIntTripleSetting("Overlay Color", &r, &g, &b));
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
        EXPECT_EQ(object->overlay().y, c.y) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(object->overlay().u, c.u) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(object->overlay().v, c.v) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(ZRObjectSettings, OutOfRangeOverlayValuesAreRefused) {
    auto object = makeObject(nullptr, "Solid Color", 10);
    const ZRObject::Overlay before = object->overlay();
    EXPECT_FALSE(object->setIntSetting("Overlay Fade Time", -1));
    EXPECT_FALSE(object->setIntSetting("Overlay Opacity", 101));
    EXPECT_FALSE(object->setIntSetting("Overlay Match", -3));
    EXPECT_FALSE(object->setIntSetting("Overlay Smooth", -1));
    EXPECT_FALSE(
        object->setIntSetting("Overlay Mode", intptr_t(std::numeric_limits<int>::max()) + 1));
    EXPECT_FALSE(object->setIntTripleSetting("Overlay Color", 256, 0, 0));
    EXPECT_FALSE(object->setIntTripleSetting("Overlay Color", 0, -1, 0));
    EXPECT_EQ(object->overlay().fadeTime, before.fadeTime);
    EXPECT_EQ(object->overlay().opacity, before.opacity);
    EXPECT_EQ(object->overlay().match, before.match);
    EXPECT_EQ(object->overlay().red, before.red);
    EXPECT_TRUE(object->setIntSetting("Overlay Fade Time", 0));
}

TEST(ZRObjectSettings, TextAlignmentMapsKeyValuesToFontAlignments) {
    auto title = makeTitle("Hello");
    struct Case {
        int set;
        bool accepted;
        int stored;
    };
    const Case cases[] = {{0, true, 1},  {2, true, 4},  {1, true, 2},
                          {3, false, 2}, {7, false, 2}, {-1, false, 2}};
    for (const Case& c : cases) {
        EXPECT_EQ(title->setIntSetting("Text Alignment", c.set), c.accepted) << c.set;
        EXPECT_EQ(title->fontData()->alignment, c.stored) << c.set;
        if (c.accepted) {
            int out = -1;
            EXPECT_TRUE(title->getIntSetting("text alignment", &out));
            EXPECT_EQ(out, c.set);
        }
    }
    title->fontData()->alignment = 3; // a value no setting writes
    int out = 42;
    EXPECT_FALSE(title->getIntSetting("Text Alignment", &out));
    EXPECT_EQ(out, 42);
}

TEST(ZRObjectSettings, TextIntegersLiveInTheFontData) {
    auto title = makeTitle("Hello");
    struct Case {
        const char* key;
        int ZRFontData::*field;
    };
    const Case cases[] = {{"Text AntiAlias", &ZRFontData::antiAlias},
                          {"Text Separator Width", &ZRFontData::charSpacing},
                          {"Text Separator Height", &ZRFontData::lineSpacing},
                          {"Text StartX Pos", &ZRFontData::startXMode},
                          {"Text EndX Pos", &ZRFontData::endXMode},
                          {"Text StartY Pos", &ZRFontData::startYMode},
                          {"Text EndY Pos", &ZRFontData::endYMode},
                          {"Text Opaque Background", &ZRFontData::opaqueBackground},
                          {"Text Movement", &ZRFontData::movement}};
    int value = 3;
    for (const Case& c : cases) {
        EXPECT_TRUE(title->setIntSetting(c.key, value)) << c.key;
        EXPECT_EQ(title->fontData()->*c.field, value) << c.key;
        int out = -1;
        EXPECT_TRUE(title->getIntSetting(c.key, &out)) << c.key;
        EXPECT_EQ(out, value) << c.key;
        ++value;
    }
    EXPECT_EQ(title->fontData()->movementChanged, 1);
    int width = -1, height = -1;
    EXPECT_TRUE(title->getIntSetting("Text Width", &width));
    EXPECT_TRUE(title->getIntSetting("Text Height", &height));
    EXPECT_FALSE(title->setIntSetting("Text Width", 10));

    auto plain = makeObject(nullptr, "Solid Color", 10);
    int out = 9;
    EXPECT_FALSE(plain->setIntSetting("Text Movement", 1));
    EXPECT_FALSE(plain->getIntSetting("Text Width", &out));
    EXPECT_EQ(out, 9);
}

TEST(ZRObjectSettings, TextBackgroundColorMakesTheBackgroundOpaque) {
    auto title = makeTitle("Hello");
    ASSERT_TRUE(title->setIntTripleSetting("Text Background Color", 10, 20, 30));
    const ZRFontData& data = *title->fontData();
    EXPECT_EQ(data.backgroundRed, 10);
    EXPECT_EQ(data.backgroundGreen, 20);
    EXPECT_EQ(data.backgroundBlue, 30);
    EXPECT_EQ(data.backgroundAlpha, 255);
    EXPECT_EQ(data.opaqueBackground, 1);
    int opaque = 0;
    EXPECT_TRUE(title->getIntSetting("Text Opaque Background", &opaque));
    EXPECT_EQ(opaque, 1);
    EXPECT_FALSE(title->setIntTripleSetting("Text Background Color", 300, 0, 0));
    EXPECT_EQ(data.backgroundRed, 10);
}

TEST(ZRObjectSettings, TitleTextInUtf8AndUtf16) {
    auto title = makeTitle("Hello");
    char* text = nullptr;
    ASSERT_TRUE(title->getStringSetting("Text Text", &text));
    EXPECT_STREQ(text, "Hello");

    ASSERT_TRUE(title->setStringSetting("TEXT TEXT", "Gr\xC3\xBC\xC3\x9F"
                                                     "e"));
    EXPECT_EQ(title->fontData()->textLength, 5);
    const char16_t* wide = nullptr;
    ASSERT_TRUE(title->getUnicodeStringSetting("Text Text(U)", &wide));
    EXPECT_EQ(std::u16string(wide), u"Gr\u00FC\u00DFe");

    ASSERT_TRUE(title->setUnicodeStringSetting("Text Text(U)", u"\u00C5 line\nnext"));
    ASSERT_TRUE(title->getStringSetting("Text Text", &text));
    EXPECT_STREQ(text, "\xC3\x85 line\nnext");
    EXPECT_EQ(title->fontData()->textLength, 11);

    ASSERT_TRUE(title->setStringSetting("Text Text", ""));
    EXPECT_EQ(title->fontData()->textLength, 0);
    ASSERT_TRUE(title->getUnicodeStringSetting("Text Text(U)", &wide));
    EXPECT_EQ(wide[0], u'\0');

    const std::string longText(100000, 'x');
    ASSERT_TRUE(title->setStringSetting("Text Text", longText.c_str()));
    EXPECT_EQ(title->fontData()->textLength, 100000);
    ASSERT_TRUE(title->getStringSetting("Text Text", &text));
    EXPECT_EQ(std::string(text), longText);

    EXPECT_FALSE(title->setStringSetting("Text Text", nullptr));
    EXPECT_FALSE(title->setUnicodeStringSetting("Text Text(U)", nullptr));
    EXPECT_FALSE(title->setStringSetting("Text Text(U)", "wrong type"));
    EXPECT_FALSE(title->setUnicodeStringSetting("Text Text", u"wrong type"));
    EXPECT_EQ(title->fontData()->textLength, 100000);

    auto plain = makeObject(nullptr, "Solid Color", 10);
    EXPECT_FALSE(plain->setStringSetting("Text Text", "x"));
    EXPECT_FALSE(plain->getUnicodeStringSetting("Text Text(U)", &wide));
}

TEST(ZRObjectSettings, TitleDoubles) {
    auto title = makeTitle("Hello");
    double out = 0.0;
    ASSERT_TRUE(title->setDoubleSetting("Text Size Ratio", 0.5));
    ASSERT_TRUE(title->getDoubleSetting("text size ratio", &out));
    EXPECT_EQ(out, 0.5);
    ASSERT_TRUE(title->setDoubleSetting("Text Safe Frame Size", 0.1));
    ASSERT_TRUE(title->getDoubleSetting("Text Safe Frame Size", &out));
    EXPECT_FLOAT_EQ(out, 0.1f);

    const double refused[] = {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()};
    for (double value : refused)
        EXPECT_FALSE(title->setDoubleSetting("Text Size Ratio", value)) << value;
    EXPECT_FALSE(title->setDoubleSetting("Text Safe Frame Size", 0.75));
    EXPECT_FALSE(title->setDoubleSetting("Text Safe Frame Size", -0.1));
    EXPECT_EQ(title->fontData()->sizeRatio, 0.5);
    EXPECT_FLOAT_EQ(title->fontData()->safeFrameSize, 0.1f);
}

TEST(ZRObjectSettings, ChannelValuesTakeChannelsOneToSixteen) {
    auto object = makeObject(nullptr, "Import", 10);
    for (int channel : {0, 17, -1}) {
        double level = 3.0;
        EXPECT_FALSE(object->setIndexedDoubleSetting("Channel Audio Level", channel, 1.0));
        EXPECT_FALSE(object->getIndexedDoubleSetting("Channel Audio Level", &channel, &level));
        EXPECT_EQ(level, 3.0);
        EXPECT_FALSE(object->setIntPairSetting("Mute Channel", channel, 1));
    }
    EXPECT_TRUE(object->setIndexedDoubleSetting("Channel Audio Panning", 16, 0.25));
    int channel = 16;
    double pan = 0.0;
    EXPECT_TRUE(object->getIndexedDoubleSetting("CHANNEL AUDIO PANNING", &channel, &pan));
    EXPECT_EQ(pan, 0.25);
    EXPECT_FALSE(object->setIndexedDoubleSetting("Channel Audio Level", 1,
                                                 std::numeric_limits<double>::quiet_NaN()));

    struct Case {
        const char* key;
        int channel, flag, stored;
    };
    const Case cases[] = {{"Mute Channel", 3, 5, 1},
                          {"Mute Channel", 3, 0, 0},
                          {"Invert Channel", 1, -2, 1},
                          {"Invert Channel", 16, 1, 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(object->setIntPairSetting(c.key, c.channel, c.flag));
        int ch = c.channel, flag = -1;
        ASSERT_TRUE(object->getIntPairSetting(c.key, &ch, &flag));
        EXPECT_EQ(ch, c.channel);
        EXPECT_EQ(flag, c.stored) << c.key << " " << c.channel;
    }
    int ch = 2, flag = -1;
    ASSERT_TRUE(object->getIntPairSetting("Mute Channel", &ch, &flag));
    EXPECT_EQ(flag, 0) << "other channels keep their own flag";
}

TEST(ZRObjectSettings, EnableVideoAndAudioFollowTheSource) {
    auto object = makeObject(nullptr, "Import", 10);
    EXPECT_FALSE(object->setIntSetting("Enable Audio", 1)) << "no source";
    EXPECT_TRUE(object->setIntSetting("Enable Video", 0));
    EXPECT_FALSE(object->hasVideo());
    int out = 0;
    EXPECT_FALSE(object->getIntSetting("Enable Video", &out)) << "set only";

    auto source = std::make_unique<FakeSource>();
    object->setMediaSource(std::move(source));
    EXPECT_TRUE(object->setIntSetting("enable video", 1));
    EXPECT_TRUE(object->hasVideo());
    EXPECT_FALSE(object->setIntSetting("Enable Audio", 1)) << "the file has no sound";
    EXPECT_FALSE(object->hasAudio());

    int width = 0, height = 0;
    ASSERT_TRUE(object->getIntPairSetting("Video Dimensions", &width, &height));
    EXPECT_EQ(width, 352);
    EXPECT_EQ(height, 288);
    EXPECT_FALSE(object->setIntPairSetting("Video Dimensions", 1, 1));

    char* module = nullptr;
    ASSERT_TRUE(object->getStringSetting("Importmodule", &module));
    EXPECT_STREQ(module, "");
}

TEST(ZRObjectSettings, AudioSettingsComeFromAnAudioSource) {
    auto object = makeObject(nullptr, "Import", 10);
    auto source = std::make_unique<FakeSource>();
    source->audio = true;
    object->setMediaSource(std::move(source));
    int rate = 0, bits = 0, channels = 0;
    EXPECT_FALSE(object->getIntTripleSetting("Audio Settings", &rate, &bits, &channels));
    ASSERT_TRUE(object->setIntSetting("Enable Audio", 1));
    ASSERT_TRUE(object->getIntTripleSetting("Audio Settings", &rate, &bits, &channels));
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(channels, 2);
}

TEST(ZRObjectSettings, TransitionKeysNeedAModuleThatOffersThem) {
    ZRObject object(nullptr, "Transition", "Wipe", "", "");
    object.setHasVideo(true);
    int out = 7;
    EXPECT_FALSE(object.setIntSetting("Transition Direction", 1));
    EXPECT_FALSE(object.getIntSetting("Transition Direction", &out));
    EXPECT_FALSE(object.getIntSetting("Transition AntiAlias", &out));
    EXPECT_EQ(out, 7);

    object.bindTransition(std::make_unique<FakeTransition>());
    EXPECT_TRUE(object.setIntSetting("Transition Direction", 1));
    EXPECT_TRUE(object.getIntSetting("transition direction", &out));
    EXPECT_EQ(out, 1);
    EXPECT_TRUE(object.setIntSetting("Transition AntiAlias", 0));
    EXPECT_TRUE(object.getIntSetting("Transition AntiAlias", &out));
    EXPECT_EQ(out, 0);
    out = 7;
    EXPECT_FALSE(object.getIntSetting("Transition Filter", &out)) << "not offered";
    EXPECT_FALSE(object.setIntSetting("Transition Color Mode", 3)) << "read-only";
    EXPECT_EQ(out, 7);

    int a = 0, b = 0, c = 0;
    ASSERT_TRUE(object.setIntPairSetting("Transition SubDivision", 4, 5));
    ASSERT_TRUE(object.getIntPairSetting("Transition SubDivision", &a, &b));
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    EXPECT_FALSE(object.getIntTripleSetting("Transition Color", &a, &b, &c));
}
