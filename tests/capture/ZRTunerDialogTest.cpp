#include "capture/ZRTunerDialog.h"
#include "platform/v4l2/ZRV4l2Backend.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"
#include "tests/support/GuiApplication.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using zrv4l2::SimConfig;
using zrv4l2::SimDevice;

TEST(TunerDialog, ShowsAndWritesTheDevicesValues) {
    testsupport::guiApplication();
    auto device = std::make_shared<SimDevice>(SimConfig::captureCard("TV Card"));
    ZRV4l2CaptureNode node(zrv4l2::shareDevice(device), "TV Card");
    ASSERT_EQ(node.setFrequency(uint32_t(479.25 * 16)), kZRGraphOk);
    ASSERT_EQ(node.setAudioMode(V4L2_TUNER_MODE_LANG1), kZRGraphOk);
    {
        ZRTunerDialog dialog(&node, 8);
        EXPECT_EQ(dialog.frequency(), uint32_t(479.25 * 16));
        EXPECT_EQ(dialog.audioMode(), uint32_t(V4L2_TUNER_MODE_LANG1));
        dialog.setFrequency(uint32_t(543.25 * 16));
        dialog.setAudioMode(V4L2_TUNER_MODE_STEREO);
        dialog.reject();
        EXPECT_EQ(device->frequency(), uint32_t(479.25 * 16)); // Cancel writes nothing
    }
    ZRTunerDialog dialog(&node, 12);
    dialog.show();
    auto* spin = dialog.findChild<QDoubleSpinBox*>();
    auto* combo = dialog.findChild<QComboBox*>();
    ASSERT_TRUE(spin && combo);
    spin->setValue(543.25);
    combo->setCurrentIndex(combo->findText("Language 2"));
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(device->frequency(), uint32_t(543.25 * 16));
    EXPECT_EQ(device->audioMode(), uint32_t(V4L2_TUNER_MODE_LANG2));
    // Under a display, the dialog is saved for a look when asked.
    if (const QByteArray shot = qgetenv("CLIPSTEAD_TUNER_SCREENSHOT"); !shot.isEmpty()) {
        ZRTunerDialog look(&node, 8);
        look.show();
        QTest::qWait(200);
        EXPECT_TRUE(look.grab().save(QString::fromLocal8Bit(shot)));
    }
}
