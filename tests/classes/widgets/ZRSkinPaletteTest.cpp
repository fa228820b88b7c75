#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "tests/classes/widgets/SkinFixtures.h"

#include <QLabel>
#include <QMap>
#include <QTest>

#include "tests/support/InkContrast.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The skin's style with the application palette it polishes, over a dark skin ground.
class ZRSkinPalette : public ::testing::Test {
protected:
    ZRSkinPalette() {
        style.polish(palette);
        root.setPalette(palette);
    }
    struct DefaultSkin {
        DefaultSkin() { useDefaultSkin(); }
    } skin; // before the style, which reads the skin
    ZRSkinStyle style{nullptr};
    QPalette palette = QApplication::palette();
    SkinRoot root{0xFF2A2C30u};
};

} // namespace

// Labels and combo boxes stand on the dark skin: their text, enabled or not, must read there.
TEST_F(ZRSkinPalette, TextOnTheSkinReads) {
    QPalette ground = root.palette();
    ground.setColor(QPalette::Window, QColor(0x2A, 0x2C, 0x30));
    root.setPalette(ground);
    auto* label = new QLabel(QStringLiteral("Channels"), &root);
    label->setGeometry(4, 4, 90, 20);
    ZRComboBox* combos[2];
    for (int i = 0; i < 2; ++i) {
        combos[i] = new ZRComboBox(i == 0, &root);
        combos[i]->setFontTag();
        combos[i]->addItem(QStringLiteral("Stereo"));
        combos[i]->setGeometry(100, 4 + 30 * i, 120, 20);
        combos[i]->show();
    }
    auto* disabled = new ZRComboBox(false, &root);
    disabled->setFontTag();
    disabled->addItem(QStringLiteral("Stereo"));
    disabled->setGeometry(100, 64, 120, 20);
    disabled->setEnabled(false);
    for (QWidget* w : root.findChildren<QWidget*>())
        w->setStyle(&style);
    label->show();
    disabled->show();
    QTest::qWait(50);
    const QImage shot = root.grab().toImage();

    EXPECT_GE(inkcontrast::ofInk(shot, label->geometry()), 4.5) << "label";
    EXPECT_GE(inkcontrast::ofInk(shot, combos[0]->geometry().adjusted(3, 3, -24, -3)), 4.5)
        << "editable";
    EXPECT_GE(inkcontrast::ofInk(shot, combos[1]->geometry().adjusted(3, 3, -24, -3)), 4.5)
        << "fixed";
    const double off = inkcontrast::ofInk(shot, disabled->geometry().adjusted(3, 3, -24, -3));
    EXPECT_GE(off, 4.5) << "disabled";
    EXPECT_LT(off, inkcontrast::ofInk(shot, combos[1]->geometry().adjusted(3, 3, -24, -3)));
}

// A text button's label is drawn by the style over the button's own box: enabled, it reads;
// disabled, it is dimmer than enabled but still reads.
TEST_F(ZRSkinPalette, ButtonLabelsReadAndDimWhenDisabled) {
    ZRPushButton* buttons[2];
    for (int i = 0; i < 2; ++i) {
        buttons[i] = new ZRPushButton(QStringLiteral("Delete"), &root);
        buttons[i]->setStyle(&style);
        buttons[i]->setGeometry(10 + 100 * i, 10, 80, 22);
        buttons[i]->setEnabled(i == 0);
        buttons[i]->show();
    }
    QTest::qWait(50);
    const QImage shot = root.grab().toImage();
    const double on = inkcontrast::ofInk(shot, buttons[0]->geometry().adjusted(4, 4, -4, -4));
    const double off = inkcontrast::ofInk(shot, buttons[1]->geometry().adjusted(4, 4, -4, -4));
    EXPECT_GE(on, 4.5);
    EXPECT_GE(off, 3.0);
    EXPECT_LT(off, on);
}
