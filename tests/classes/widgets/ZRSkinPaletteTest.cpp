#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "tests/classes/widgets/SkinFixtures.h"

#include <QLabel>
#include <QMap>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

double relativeLuminance(QRgb rgb) {
    const auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) +
           0.0722 * channel(qBlue(rgb));
}

// The contrast between the commonest colour of `area` (its ground) and the pixel farthest from
// it in luminance (its ink), as the ratio of the two luminances each plus 0.05.
double inkContrast(const QImage& image, const QRect& area) {
    QMap<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    QRgb ground = 0;
    int most = -1;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > most) most = it.value(), ground = it.key();
    const double g = relativeLuminance(ground);
    double ink = g;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (std::abs(relativeLuminance(it.key()) - g) > std::abs(ink - g))
            ink = relativeLuminance(it.key());
    return (std::max(ink, g) + 0.05) / (std::min(ink, g) + 0.05);
}

} // namespace

// Labels and combo boxes stand on the dark skin: their text, enabled or not, must read there.
TEST(ZRSkinPalette, TextOnTheSkinReads) {
    useDefaultSkin();
    ZRSkinStyle style(nullptr);
    QPalette palette = QApplication::palette();
    style.polish(palette);

    SkinRoot root(0xFF2A2C30u);
    root.setPalette(palette);
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

    EXPECT_GE(inkContrast(shot, label->geometry()), 4.5) << "label";
    EXPECT_GE(inkContrast(shot, combos[0]->geometry().adjusted(3, 3, -24, -3)), 4.5) << "editable";
    EXPECT_GE(inkContrast(shot, combos[1]->geometry().adjusted(3, 3, -24, -3)), 4.5) << "fixed";
    const double off = inkContrast(shot, disabled->geometry().adjusted(3, 3, -24, -3));
    EXPECT_GE(off, 4.5) << "disabled";
    EXPECT_LT(off, inkContrast(shot, combos[1]->geometry().adjusted(3, 3, -24, -3)));
}

// A text button's label is drawn by the style over the button's own box: enabled, it reads;
// disabled, it is dimmer than enabled but still reads.
TEST(ZRSkinPalette, ButtonLabelsReadAndDimWhenDisabled) {
    useDefaultSkin();
    ZRSkinStyle style(nullptr);
    QPalette palette = QApplication::palette();
    style.polish(palette);
    SkinRoot root(0xFF2A2C30u);
    root.setPalette(palette);
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
    const double on = inkContrast(shot, buttons[0]->geometry().adjusted(4, 4, -4, -4));
    const double off = inkContrast(shot, buttons[1]->geometry().adjusted(4, 4, -4, -4));
    EXPECT_GE(on, 4.5);
    EXPECT_GE(off, 3.0);
    EXPECT_LT(off, on);
}
