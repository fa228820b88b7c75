// Uses the engine the way the program does: through the exported functions of the shared
// library and its interfaces only.
#include "engine/api/IZRTimeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> messages;
void onMessage(const char* kind, const char* text) {
    messages.push_back(std::string(kind) + ":" + text);
}
} // namespace

TEST(KernelEntry, CreatesUsesAndDeletesATimeline) {
    IZRCallbacks callbacks{};
    callbacks.message = onMessage;
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
    ASSERT_NE(timeline, nullptr);
    const char* classes = static_cast<const char*>(timeline->moduleList("Classes", nullptr, 0, 0));
    ASSERT_NE(classes, nullptr);
    EXPECT_STREQ(classes, "Import");
    EXPECT_STREQ(classes + 6 * 50, "Solid Color");

    IZRPos* pos = timeline->factory()->createPosHMSF(0, 0, 0, 75);
    EXPECT_STREQ(pos->toText(), "00:00:02.15");
    IZRImage* image = timeline->factory()->createImage(4, 2, 0);
    ASSERT_NE(image, nullptr);
    image->lock();
    EXPECT_TRUE(image->locked());
    EXPECT_EQ(image->pixels()[3], 255);
    image->unlock();
    EXPECT_FALSE(image->locked());
    IZRDeleteTimelineInstance(timeline);
    IZRDeleteTimelineInstance(nullptr);
}
