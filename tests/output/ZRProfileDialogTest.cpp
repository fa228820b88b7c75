#include "output/ZRProfileDialog.h"
#include "tests/support/GuiApplication.h"

#include <gtest/gtest.h>

namespace {

TEST(ProfileDialog, ComputesTheFrameValuesOfProfileAndStandard) {
    testsupport::guiApplication();
    struct Case {
        int profile, standard, width, height;
        double rate;
        int sampleRate;
    };
    const Case cases[] = {
        {0, 1, 720, 480, 30.0, 48000}, {0, 0, 720, 576, 25.0, 48000}, {1, 1, 352, 240, 30.0, 44100},
        {1, 0, 352, 288, 25.0, 44100}, {2, 1, 480, 480, 30.0, 44100}, {2, 0, 480, 576, 25.0, 44100},
        {3, 1, 720, 480, 30.0, 44100}, {3, 0, 720, 576, 25.0, 44100}, {4, 1, 320, 200, 30.0, 22050},
        {4, 0, 320, 200, 25.0, 22050},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile << "/" << c.standard);
        ZRProfileDialog dialog;
        dialog.slotSetProfile(c.profile);
        dialog.slotSetStandard(c.standard);
        EXPECT_EQ(dialog.profile(), c.profile);
        EXPECT_EQ(dialog.standard(), c.standard);
        EXPECT_EQ(dialog.frameWidth(), c.width);
        EXPECT_EQ(dialog.frameHeight(), c.height);
        EXPECT_EQ(dialog.frameRate(), c.rate);
        EXPECT_EQ(dialog.sampleRate(), c.sampleRate);
    }
}

TEST(ProfileDialog, StartsAtDvNtscAndKeepsValuesForUnknownProfiles) {
    testsupport::guiApplication();
    ZRProfileDialog dialog;
    EXPECT_EQ(dialog.objectName(), "zrprofiledialog");
    EXPECT_EQ(dialog.profile(), 0);
    EXPECT_EQ(dialog.standard(), 1);
    EXPECT_EQ(dialog.frameHeight(), 480);
    dialog.slotSetProfile(7);
    EXPECT_EQ(dialog.profile(), 7);
    EXPECT_EQ(dialog.frameWidth(), 720);
    EXPECT_EQ(dialog.frameHeight(), 480);
}

} // namespace
