// Our transitions, made by the engine's factory from the program folder's PlugIns/videotrn and
// run through the transition object.
#include "engine/api/IZRSettings.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/plugins/import/MediaFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

struct Transition {
    const char* group;
    const char* name;
};

const Transition kTransitions[] = {
    {"Blends", "Cross Fade"}, {"Blends", "Dissolve"},  {"Slides", "Slide"},
    {"Wipes", "Wipe Left"},   {"Wipes", "Wipe Right"}, {"Wipes", "Wipe Up"},
    {"Wipes", "Wipe Down"},
};

uint32_t& at(IZRImage* image, int x, int y) {
    return *reinterpret_cast<uint32_t*>(image->pixels() + size_t(y) * size_t(image->stride()) +
                                        size_t(x) * 4);
}

class TransitionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_timeline = modulefixture::makeTimeline(mediafixture::programFolder().c_str());
        ASSERT_TRUE(m_timeline);
        m_first = pattern(
            [](int x, int y) { return 0xFF000000u | uint32_t(x * 3) << 16 | uint32_t(y * 5); });
        m_second = pattern(
            [](int x, int y) { return 0x80000000u | uint32_t(200 - y) << 8 | uint32_t(x); });
        m_output = image();
    }

    IZRImage* image() { return m_timeline->factory()->createImage(kWidth, kHeight, 0); }
    IZRImage* pattern(const std::function<uint32_t(int, int)>& colour) {
        IZRImage* made = image();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                at(made, x, y) = colour(x, y);
        return made;
    }
    IZRObject* make(const Transition& t) {
        return m_timeline->factory()->createObject("Transition", t.group, t.name, nullptr);
    }
    /// The number of output pixels equal to the first picture's and to the second's.
    std::pair<int, int> sources() {
        int first = 0, second = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                first += at(m_output, x, y) == at(m_first, x, y);
                second += at(m_output, x, y) == at(m_second, x, y);
            }
        return {first, second};
    }

    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    modulefixture::Timeline m_timeline;
    IZRImage* m_first = nullptr;
    IZRImage* m_second = nullptr;
    IZRImage* m_output = nullptr;
};

} // namespace

TEST_F(TransitionsTest, TheEngineListsEveryTransitionWithItsTexts) {
    EXPECT_EQ(modulefixture::names(m_timeline->moduleList("Transition", nullptr, nullptr, 0)),
              (std::vector<std::string>{"Blends", "Slides", "Wipes"}));
    for (const Transition& t : kTransitions) {
        SCOPED_TRACE(t.name);
        const std::vector<std::string> names =
            modulefixture::names(m_timeline->moduleList("Transition", t.group, nullptr, 0));
        EXPECT_NE(std::find(names.begin(), names.end(), t.name), names.end());
        const auto* text =
            static_cast<const char*>(m_timeline->moduleList("Transition", t.group, t.name, 0));
        ASSERT_NE(text, nullptr);
        EXPECT_GT(std::strlen(text), 10u);
        IZRObject* object = make(t);
        ASSERT_NE(object, nullptr);
        EXPECT_STREQ(object->name(), t.name);
    }
}

TEST_F(TransitionsTest, GoFromTheFirstPictureToTheSecond) {
    constexpr int all = kWidth * kHeight;
    for (const Transition& t : kTransitions) {
        SCOPED_TRACE(t.name);
        IZRObject* object = make(t);
        ASSERT_NE(object, nullptr);
        object->renderTransition(m_first, m_second, m_output, 0.0);
        EXPECT_EQ(sources().first, all);
        object->renderTransition(m_first, m_second, m_output, 1.0);
        EXPECT_EQ(sources().second, all);
        // Half way some of each shows, or a mix of both.
        object->renderTransition(m_first, m_second, m_output, 0.5);
        const auto [first, second] = sources();
        EXPECT_LT(first, all);
        EXPECT_LT(second, all);
    }
}

TEST_F(TransitionsTest, CrossFadeMixesEveryPixel) {
    IZRObject* object = make(kTransitions[0]);
    ASSERT_NE(object, nullptr);
    object->renderTransition(m_first, m_second, m_output, 0.25);
    for (int y = 0; y < kHeight; y += 7)
        for (int x = 0; x < kWidth; x += 5)
            for (int shift = 0; shift < 32; shift += 8) {
                const int a = (at(m_first, x, y) >> shift) & 0xFF;
                const int b = (at(m_second, x, y) >> shift) & 0xFF;
                EXPECT_NEAR(int((at(m_output, x, y) >> shift) & 0xFF), (3 * a + b) / 4.0, 0.5);
            }
    // Any other progress stays within one step of the exact mix.
    for (const double progress : {0.0, 0.013, 0.37, 0.5, 0.871, 1.0}) {
        object->renderTransition(m_first, m_second, m_output, progress);
        const int p = int(progress * 10000.0 + 0.5);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int shift = 0; shift < 32; shift += 8) {
                    const int a = (at(m_first, x, y) >> shift) & 0xFF;
                    const int b = (at(m_second, x, y) >> shift) & 0xFF;
                    const double exact = (a * (10000.0 - p) + b * p) / 10000.0;
                    ASSERT_NEAR(int((at(m_output, x, y) >> shift) & 0xFF), exact, 1.0)
                        << "progress " << progress << " at " << x << "," << y;
                }
    }
}

TEST_F(TransitionsTest, AHardWipeSplitsThePictureAtItsEdge) {
    struct Case {
        const char* name;
        std::function<bool(int, int)> second; ///< where the second picture shows at 25 %
    };
    const Case cases[] = {
        {"Wipe Right", [](int x, int) { return x < kWidth / 4; }},
        {"Wipe Left", [](int x, int) { return x >= kWidth * 3 / 4; }},
        {"Wipe Down", [](int, int y) { return y < kHeight / 4; }},
        {"Wipe Up", [](int, int y) { return y >= kHeight * 3 / 4; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IZRObject* object = make({"Wipes", c.name});
        ASSERT_NE(object, nullptr);
        auto* settings = dynamic_cast<IZRSettings*>(object);
        ASSERT_NE(settings, nullptr);
        ASSERT_TRUE(settings->setIntSetting("Transition AntiAlias", 0));
        object->renderTransition(m_first, m_second, m_output, 0.25);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(at(m_output, x, y), at(c.second(x, y) ? m_second : m_first, x, y))
                    << x << ", " << y;
        // A border of its own colour along the edge, when a pen width is set.
        ASSERT_TRUE(settings->setIntSetting("Transition Pen Width", 2));
        object->renderTransition(m_first, m_second, m_output, 0.5);
        int border = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                border += at(m_output, x, y) == 0xFFFFFFFFu;
        EXPECT_EQ(border, c.name[5] == 'L' || c.name[5] == 'R' ? 2 * kHeight : 2 * kWidth);
    }
}

TEST_F(TransitionsTest, SlideMovesTheSecondPictureInFromTheRight) {
    IZRObject* object = make({"Slides", "Slide"});
    ASSERT_NE(object, nullptr);
    object->renderTransition(m_first, m_second, m_output, 0.25);
    const int edge = kWidth - kWidth / 4;
    for (int y = 0; y < kHeight; y += 3) {
        EXPECT_EQ(at(m_output, edge - 1, y), at(m_first, edge - 1, y));
        EXPECT_EQ(at(m_output, edge, y), at(m_second, 0, y));
        EXPECT_EQ(at(m_output, kWidth - 1, y), at(m_second, kWidth / 4 - 1, y));
    }
}

TEST_F(TransitionsTest, DissolveShowsTheSecondPictureInProportion) {
    IZRObject* object = make({"Blends", "Dissolve"});
    ASSERT_NE(object, nullptr);
    int before = 0;
    for (const double progress : {0.1, 0.3, 0.6, 0.9}) {
        object->renderTransition(m_first, m_second, m_output, progress);
        const auto [first, second] = sources();
        EXPECT_EQ(first + second, kWidth * kHeight) << "every pixel is one or the other";
        EXPECT_NEAR(second, progress * kWidth * kHeight, 0.05 * kWidth * kHeight);
        EXPECT_GT(second, before) << "a pixel once switched stays switched";
        before = second;
    }
    // With cells of 5 x 3 pixels (the last column and row cut short) every cell switches whole.
    auto* settings = dynamic_cast<IZRSettings*>(object);
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(settings->setIntPairSetting("Transition SubDivision", 5, 3));
    object->renderTransition(m_first, m_second, m_output, 0.5);
    int switched = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool second = at(m_output, x, y) == at(m_second, x, y);
            ASSERT_TRUE(second || at(m_output, x, y) == at(m_first, x, y));
            const bool corner =
                at(m_output, x / 5 * 5, y / 3 * 3) == at(m_second, x / 5 * 5, y / 3 * 3);
            ASSERT_EQ(second, corner) << x << "," << y;
            switched += second;
        }
    EXPECT_NEAR(switched, kWidth * kHeight / 2, 0.15 * kWidth * kHeight);
}
