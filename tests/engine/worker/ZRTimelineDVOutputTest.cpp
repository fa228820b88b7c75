#include "tests/engine/worker/WorkerFixture.h"

#include "engine/render/ZRImage.h"
#include "platform/dvcodec/DVDecoder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace workerfixture;

namespace {
class DVOutput : public ::testing::Test {
protected:
    void TearDown() override { ZRPos::setDefaultFrameRate(30.0); }
};
} // namespace

TEST_F(DVOutput, StartNeedsModeOneAndADVSize) {
    struct Case {
        int width, height, mode;
        bool started;
    };
    for (const Case c : {Case{720, 480, 1, true}, Case{720, 576, 1, true}, Case{640, 480, 1, false},
                         Case{720, 576, 2, false}, Case{720, 500, 1, false}}) {
        auto t = makeTimeline(c.width, c.height);
        addColour(*t, 0, 2, 0);
        ZRPos at(0, 0, 0, 0, 25.0);
        int size = -1;
        EXPECT_EQ(t->dvOutputFrame(&at, &size), nullptr);
        ASSERT_EQ(t->startDVOutput(c.mode), c.started);
        unsigned char* frame = t->dvOutputFrame(&at, &size);
        if (!c.started) {
            EXPECT_EQ(frame, nullptr);
            continue;
        }
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(size, c.height == 480 ? 120000 : 144000);
        t->stopDVOutput();
        EXPECT_EQ(t->dvOutputFrame(&at, &size), nullptr);
    }
}

TEST_F(DVOutput, EncodedFrameDecodesToTheSourceColour) {
    auto t = makeTimeline(720, 480);
    addColour(*t, 0, 2, 0);
    ASSERT_TRUE(t->startDVOutput(1));
    ZRPos at(0, 0, 0, 1, 25.0);
    int size = 0;
    const unsigned char* frame = t->dvOutputFrame(&at, &size);
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(size, 120000);
    std::vector<unsigned char> pixels(720 * 480 * 4);
    platform::DVDecoder decoder;
    ASSERT_EQ(decoder.decode({frame, size_t(size)}, pixels.data(), 720 * 4, 720, 480),
              platform::DVStatus::Ok);
    EXPECT_NEAR(meanChannel(pixels.data(), 720 * 4, 720, 480, 0), 220, 6);
    EXPECT_NEAR(meanChannel(pixels.data(), 720 * 4, 720, 480, 1), 120, 6);
    EXPECT_NEAR(meanChannel(pixels.data(), 720 * 4, 720, 480, 2), 20, 6);
}

// A stored DV frame goes out as it is stored, and while it passes through its pixels are not
// decoded again.
TEST_F(DVOutput, StoredDVFramesPassThrough) {
    auto t = makeTimeline(720, 576);
    addColour(*t, 0, 3);
    t->setIntSetting("Enable Background Rendering", 1);
    ASSERT_TRUE(waitForStored(*t, 3));
    t->setIntSetting("Pause Background Rendering", 1);
    ASSERT_TRUE(t->startDVOutput(1));
    for (int n : {0, 1, 2}) {
        ZRPos at(0, 0, 0, n, 25.0);
        const std::vector<unsigned char> file =
            readFile(t->backgroundRenderer().storedFilePath(at));
        ASSERT_EQ(file.size(), 144008u);
        EXPECT_TRUE(
            t->backgroundRenderer().storedFilePath(at).startsWith(testsupport::homeFolder()));
        int size = 0;
        const unsigned char* frame = t->dvOutputFrame(&at, &size);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(size, 144000);
        EXPECT_TRUE(std::equal(file.begin() + 8, file.end(), frame)) << n;
    }
}
