// Our video effects, made by the engine's factory from the program folder's PlugIns/videofx and
// run through the effect, each checked against the transform it stands for.
#include "engine/api/ZREffect.h"
#include "engine/modules/ZRImageRecord.h"
#include "engine/modules/ZRModuleManager.h"
#include "engine/modules/ZRVideoEffectModule.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/plugins/import/MediaFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;

using Pixel = std::array<int, 4>; // blue, green, red, alpha

Pixel read(IZRImage* image, int x, int y) {
    const unsigned char* p = image->pixels() + size_t(y) * size_t(image->stride()) + size_t(x) * 4;
    return Pixel{p[0], p[1], p[2], p[3]};
}

// A test pattern with every channel varying: ramps across, down and diagonally, alpha in steps.
Pixel source(int x, int y) {
    return Pixel{x * 6, y * 8, (x + y) * 3, 100 + (x % 4) * 50};
}

// The pattern's alpha averaged over the 2r + 1 columns around x (it does not vary down).
int boxAlpha(int x, int r) {
    int sum = 0;
    for (int i = x - r; i <= x + r; ++i)
        sum += source(i, 0)[3];
    return (sum + r) / (2 * r + 1);
}

struct EffectCase {
    const char* group;
    const char* name;
    std::function<Pixel(int, int)> expected; ///< the output pixel at (x, y), defaults applied
    int tolerance;
};

int clamp255(int v) {
    return std::clamp(v, 0, 255);
}

const EffectCase kEffects[] = {
    {"Colour", "Greyscale",
     [](int x, int y) {
         const Pixel s = source(x, y);
         const int luma = (29 * s[0] + 150 * s[1] + 77 * s[2] + 128) >> 8;
         return Pixel{luma, luma, luma, s[3]};
     },
     0},
    {"Colour", "Sepia",
     [](int x, int y) {
         const Pixel s = source(x, y);
         const double b = s[0], g = s[1], r = s[2];
         return Pixel{clamp255(int(0.272 * r + 0.534 * g + 0.131 * b)),
                      clamp255(int(0.349 * r + 0.686 * g + 0.168 * b)),
                      clamp255(int(0.393 * r + 0.769 * g + 0.189 * b)), s[3]};
     },
     1},
    {"Colour", "Brightness & Contrast",
     [](int x, int y) {
         // Defaults: brightness +20 (51 of 255), contrast +20 (x 1.2 about mid-grey).
         const Pixel s = source(x, y);
         auto f = [](int v) { return clamp255((v - 128) * 120 / 100 + 128 + 51); };
         return Pixel{f(s[0]), f(s[1]), f(s[2]), s[3]};
     },
     0},
    {"Filters", "Mirror", [](int x, int y) { return source(kWidth - 1 - x, y); }, 0},
};

class VideoEffectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_timeline = modulefixture::makeTimeline(mediafixture::programFolder().c_str());
        ASSERT_TRUE(m_timeline);
        m_input = image();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Pixel s = source(x, y);
                unsigned char* p =
                    m_input->pixels() + size_t(y) * size_t(m_input->stride()) + size_t(x) * 4;
                for (int c = 0; c < 4; ++c)
                    p[c] = uint8_t(s[size_t(c)]);
            }
        m_output = image();
    }

    IZRImage* image() { return m_timeline->factory()->createImage(kWidth, kHeight, 0); }

    /// The effect's binder as the factory makes it, for its settings.
    std::unique_ptr<ZRVideoEffectModule> bind(const char* group, const char* name) {
        const std::optional<QString> path =
            ZRModuleManager::modulePath("Video Effect", group, name);
        auto module = std::make_unique<ZRVideoEffectModule>();
        if (!path || !module->bind(*path) || !module->bindGUI(0)) return nullptr;
        return module;
    }

    modulefixture::Timeline m_timeline;
    IZRImage* m_input = nullptr;
    IZRImage* m_output = nullptr;
};

} // namespace

TEST_F(VideoEffectsTest, TheEngineListsEveryEffectWithItsTexts) {
    EXPECT_EQ(modulefixture::names(m_timeline->moduleList("Video Effect", nullptr, nullptr, 0)),
              (std::vector<std::string>{"Colour", "Filters"}));
    EXPECT_EQ(modulefixture::names(m_timeline->moduleList("Video Effect", "Colour", nullptr, 0)),
              (std::vector<std::string>{"Brightness & Contrast", "Greyscale", "Sepia"}));
    EXPECT_EQ(modulefixture::names(m_timeline->moduleList("Video Effect", "Filters", nullptr, 0)),
              (std::vector<std::string>{"Blur", "Mirror"}));
    const auto* text =
        static_cast<const char*>(m_timeline->moduleList("Video Effect", "Filters", "Blur", 0));
    ASSERT_NE(text, nullptr);
    EXPECT_GT(std::strlen(text), 10u);
}

TEST_F(VideoEffectsTest, EachEffectIsItsTransformOfThePattern) {
    for (const EffectCase& c : kEffects) {
        SCOPED_TRACE(c.name);
        ZREffect* effect = m_timeline->factory()->createEffect("Video Effect", c.group, c.name);
        ASSERT_NE(effect, nullptr);
        EXPECT_STREQ(effect->name(), c.name);
        EXPECT_EQ(effect->render(m_input, m_output, 0.5), 1);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Pixel got = read(m_output, x, y);
                const Pixel want = c.expected(x, y);
                for (size_t i = 0; i < 4; ++i)
                    ASSERT_NEAR(got[i], want[i], c.tolerance) << x << ", " << y << " channel " << i;
            }
        m_timeline->factory()->destroyEffect(effect);
    }
}

TEST_F(VideoEffectsTest, BlurAveragesABoxAndGrowsOverTimeWhenAsked) {
    ZREffect* effect = m_timeline->factory()->createEffect("Video Effect", "Filters", "Blur");
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(effect->render(m_input, m_output, 0.5), 1);
    // Away from the edges a 9 x 9 box of the pattern's linear ramps keeps its centre value.
    for (const auto& [x, y] : {std::pair{10, 10}, std::pair{20, 15}, std::pair{30, 20}}) {
        const Pixel got = read(m_output, x, y);
        EXPECT_NEAR(got[0], x * 6, 1);
        EXPECT_NEAR(got[1], y * 8, 1);
        EXPECT_NEAR(got[2], (x + y) * 3, 1);
        EXPECT_EQ(got[3], boxAlpha(x, 4));
    }
    m_timeline->factory()->destroyEffect(effect);

    // "Grow" (the second setting) set: nothing at the start, the full box at the end.
    auto blur = bind("Filters", "Blur");
    ASSERT_TRUE(blur);
    std::vector<int32_t>& settings = blur->settingsBlob();
    ASSERT_EQ(settings, (std::vector<int32_t>{1, 4, 2, 0}));
    settings[3] = 1;
    ZRImageRecord in = zrImageRecord(m_input);
    ZRImageRecord out = zrImageRecord(m_output);
    ASSERT_EQ(blur->generate(&in, &out, 1), 1);
    EXPECT_EQ(read(m_output, 13, 11), source(13, 11));
    ASSERT_EQ(blur->generate(&in, &out, 100000), 1);
    EXPECT_EQ(read(m_output, 13, 11)[3], boxAlpha(13, 4));
}

TEST_F(VideoEffectsTest, SettingsChangeWhatAnEffectDoes) {
    auto mirror = bind("Filters", "Mirror");
    ASSERT_TRUE(mirror);
    mirror->settingsBlob()[1] = 1; // top and bottom
    ZRImageRecord in = zrImageRecord(m_input);
    ZRImageRecord out = zrImageRecord(m_output);
    ASSERT_EQ(mirror->generate(&in, &out, 1), 1);
    EXPECT_EQ(read(m_output, 3, 0), source(3, kHeight - 1));

    auto grey = bind("Colour", "Greyscale");
    ASSERT_TRUE(grey);
    grey->settingsBlob()[1] = 0; // amount 0 %: unchanged
    ASSERT_EQ(grey->generate(&in, &out, 1), 1);
    EXPECT_EQ(read(m_output, 7, 9), source(7, 9));
}
