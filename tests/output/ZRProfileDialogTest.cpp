#include "output/ZRProfileDialog.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/widgets/ZRPushButton.h"
#include "tests/app/ShellSkin.h"

#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "tests/support/InkContrast.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kClosing = QStringLiteral("You can always change your mind and choose a different "
                                        "format later during the Produce step.");

void click(QAbstractButton* button) {
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

TEST(ProfileDialog, ComputesTheFrameValuesOfProfileAndStandard) {
    useShellSkin();
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
    useShellSkin();
    ZRProfileDialog dialog;
    EXPECT_EQ(dialog.objectName(), "zrprofiledialog");
    EXPECT_EQ(dialog.profile(), 0);
    EXPECT_EQ(dialog.standard(), 1);
    EXPECT_EQ(dialog.frameHeight(), 480);
    EXPECT_EQ(dialog.textIndex(), 0);
    dialog.slotSetProfile(7);
    EXPECT_EQ(dialog.profile(), 7);
    EXPECT_EQ(dialog.frameWidth(), 720);
    EXPECT_EQ(dialog.frameHeight(), 480);
    // The buttons stay where they were.
    EXPECT_TRUE(dialog.bigButton(0)->isChecked());
}

TEST(ProfileDialog, ShowsTheHelpTextOfEachFormat) {
    useShellSkin();
    ZRProfileDialog dialog;
    const char* starts[] = {"Use this option when you are capturing from and outputting to a",
                            "Use this option if you want to burn video to a recordable CD",
                            "Use this option if you want to burn high quality video to a "
                            "recordable CD",
                            "Use this option if you want to burn high quality video to a "
                            "recordable DVD disc",
                            "Use this option if you want to stream video across the Internet."};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        dialog.slotSelectText(i);
        EXPECT_EQ(dialog.textIndex(), i);
        const QString text = dialog.textView()->toPlainText();
        EXPECT_TRUE(text.startsWith(QLatin1String(starts[i]))) << qPrintable(text);
        EXPECT_EQ(text.endsWith(kClosing), i != 4) << qPrintable(text);
    }
    dialog.slotSelectText(5);
    EXPECT_EQ(dialog.textIndex(), 4);
    EXPECT_TRUE(dialog.textView()->isReadOnly());
}

TEST(ProfileDialog, IconAndTextButtonsMoveInStep) {
    useShellSkin();
    ZRProfileDialog dialog;
    dialog.show();
    click(dialog.bigButton(2));
    EXPECT_TRUE(dialog.iconButton(2)->isChecked());
    EXPECT_FALSE(dialog.iconButton(0)->isChecked());
    EXPECT_EQ(dialog.profile(), 2);
    EXPECT_EQ(dialog.textIndex(), 2);
    click(dialog.iconButton(4));
    EXPECT_TRUE(dialog.bigButton(4)->isChecked());
    EXPECT_FALSE(dialog.bigButton(2)->isChecked());
    EXPECT_EQ(dialog.frameWidth(), 320);
    EXPECT_EQ(dialog.textIndex(), 4);

    // A standard change keeps the profile and recomputes its frame.
    click(dialog.iconButton(1));
    click(dialog.standardButton(0));
    EXPECT_EQ(dialog.standard(), 0);
    EXPECT_EQ(dialog.profile(), 1);
    EXPECT_EQ(dialog.frameHeight(), 288);
    EXPECT_EQ(dialog.frameRate(), 25.0);
    EXPECT_TRUE(dialog.bigButton(1)->isChecked());
    EXPECT_TRUE(dialog.standardButton(0)->isChecked());
    EXPECT_FALSE(dialog.standardButton(1)->isChecked());
}

TEST(ProfileDialog, OkAcceptsWithTheChosenValues) {
    useShellSkin();
    ZRProfileDialog dialog(nullptr, "zrprofiledialog");
    dialog.slotSetProfile(3);
    dialog.slotSetStandard(0);
    QTimer::singleShot(0, &dialog, [&dialog] { click(dialog.okButton()); });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(dialog.profile(), 3);
    EXPECT_EQ(dialog.standard(), 0);
    EXPECT_EQ(dialog.frameWidth(), 720);
    EXPECT_EQ(dialog.frameHeight(), 576);
    EXPECT_EQ(dialog.frameRate(), 25.0);
    EXPECT_EQ(dialog.sampleRate(), 44100);
}

TEST(ProfileDialog, FindsEveryElementOfItsSkin) {
    useShellSkin();
    ZRProfileDialog dialog;
    ASSERT_TRUE(dialog.skinLayers());
    ASSERT_TRUE(dialog.skinSets());
    for (const char* layer : {"background", "top_background", "bottom_background", "OK", "dummy"})
        EXPECT_TRUE(dialog.skinLayers()->find(QLatin1String(layer))) << layer;
    for (const char* set : {"DV", "VCD", "SVCD", "DVD", "WEB", "PAL", "NTSC", "icons"})
        EXPECT_TRUE(dialog.skinSets()->find(QLatin1String(set))) << set;
    // The buttons are where the skin and the layout put them.
    EXPECT_EQ(dialog.okButton()->size(),
              dialog.skinLayers()->find(QStringLiteral("dummy"))->image.size());
    EXPECT_EQ(dialog.bigButton(0)->size(), QSize(119, 27));
    EXPECT_EQ(dialog.iconButton(3)->size(), QSize(33, 27));
    EXPECT_EQ(dialog.iconButton(3)->x() - dialog.bigButton(3)->x(), 131);
    EXPECT_EQ(dialog.bigButton(4)->y() - dialog.bigButton(0)->y(), 4 * 29);
    EXPECT_GE(dialog.width(), ZRProfileDialog::kContentWidth);
    EXPECT_GE(dialog.height(), ZRProfileDialog::kContentHeight);
}

TEST(ProfileDialog, WrapsAnywhereOnlyUnderTheFarEastFont) {
    useShellSkin();
    const QString before = defaultTextFont().fileName;
    for (const char* font : {"msgothic.ttc", "ariblk.ttf"}) {
        defaultTextFont().fileName = QLatin1String(font);
        ZRProfileDialog dialog;
        EXPECT_EQ(dialog.textView()->wordWrapMode() == QTextOption::WrapAnywhere, font[0] == 'm')
            << font;
    }
    defaultTextFont().fileName = before;
}

} // namespace

// The chosen format's button is drawn pressed: its caption still reads on the pressed box, and
// under the mouse on the normal one.
TEST(ProfileDialog, TheChosenFormatsCaptionReads) {
    useShellSkin();
    ZRProfileDialog dialog;
    dialog.show();
    click(dialog.bigButton(3));
    QTest::qWait(50);
    ZRPushButton* dvd = dialog.bigButton(3);
    ASSERT_TRUE(dvd->isChecked());
    EXPECT_GE(inkcontrast::ofInk(dvd->grab().toImage().copy(dvd->rect().adjusted(3, 3, -3, -3))),
              4.5);
    QTest::mouseMove(dialog.bigButton(1), dialog.bigButton(1)->rect().center());
    QTest::qWait(20);
    ASSERT_TRUE(dialog.bigButton(1)->isHovered());
    EXPECT_GE(inkcontrast::ofInk(dialog.bigButton(1)->grab().toImage().copy(
                  dialog.bigButton(1)->rect().adjusted(3, 3, -3, -3))),
              4.5);
}
