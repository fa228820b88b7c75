#include "classes/widgets/ZRTCWidget.h"
#include "classes/widgets/ZRSBText.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Glyph layers 3 wide and 5 high, each a solid colour of its own; the colon and dot 1 wide.
std::unique_ptr<QDict<PSDLayer>> glyphSkin(const QString& chars, int width = 3) {
    auto skin = std::make_unique<QDict<PSDLayer>>();
    for (const QChar c : chars) {
        const int w = (c == QLatin1Char(':') || c == QLatin1Char('.')) ? 1 : width;
        QImage image(w, 5, QImage::Format_ARGB32);
        image.fill(qRgb(c.unicode(), 0, 255));
        skin->insert(QString(c), std::make_shared<PSDLayer>(QRect(0, 0, 99, 99), QPoint(0, 0),
                                                            image, QString(c), 0, 0, 255));
    }
    return skin;
}

// The red byte names the glyph drawn in each column of the middle row, '\0' for background.
QString columns(const QImage& shot) {
    QString text;
    for (int x = 0; x < shot.width(); ++x) {
        const QRgb p = shot.pixel(x, 2);
        text += qBlue(p) == 255 ? QChar(qRed(p)) : QLatin1Char('_');
    }
    return text;
}

} // namespace

TEST(ZRTCWidget, FieldsArePackedDecimalOrCarriedAndCapped) {
    auto skin = glyphSkin(QStringLiteral("0123456789:."));
    ZRTCWidget tc(skin.get());
    const auto text = [&] {
        const ZRTCWidget::Fields f = tc.fields();
        return QStringLiteral("%1:%2:%3.%4")
            .arg(f.hours, 2, 10, QLatin1Char('0'))
            .arg(f.minutes, 2, 10, QLatin1Char('0'))
            .arg(f.seconds, 2, 10, QLatin1Char('0'))
            .arg(f.frames, 2, 10, QLatin1Char('0'));
    };
    tc.setTimeCode(uint32_t(0x01023045));
    EXPECT_EQ(text(), QStringLiteral("01:02:30.45"));
    tc.setTimeCode(uint32_t(0x99995999));
    EXPECT_EQ(text(), QStringLiteral("99:59:59.99"));
    tc.setTimeCode(1, 59, 75, 10);
    EXPECT_EQ(text(), QStringLiteral("02:00:15.10"));
    tc.setTimeCode(0, 0, 0, 250);
    EXPECT_EQ(text(), QStringLiteral("00:00:00.99"));
    tc.setTimeCode(98, 0, 7200);
    EXPECT_EQ(text(), QStringLiteral("99:00:00.00"));
    tc.setTimeCode(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0); // no overflow on the way
    EXPECT_EQ(text(), QStringLiteral("99:43:15.00"));
}

TEST(ZRTCWidget, DrawsEveryGlyphUnclippedAndOnlyTheBackgroundWhenDisabled) {
    auto skin = glyphSkin(QStringLiteral("0123456789:."));
    QSBWidget root;
    root.resize(80, 10);
    auto* tc = new ZRTCWidget(skin.get(), &root);
    // 8 digits of 3 and three separators of 1, each but the last followed by a gap.
    EXPECT_EQ(tc->size(), QSize(8 * 4 + 3 * 2 - 1, 5));
    tc->setTimeCode(uint32_t(0x12345678));
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    EXPECT_EQ(columns(tc->grab().toImage()),
              QStringLiteral("111_222_:_333_444_:_555_666_._777_888"));

    tc->setEnabled(false);
    EXPECT_EQ(columns(tc->grab().toImage()), QString(tc->width(), QLatin1Char('_')));
}

TEST(ZRSBText, SizesSkipGlyphlessCharactersAndDrawInOneColour) {
    auto skin = glyphSkin(QStringLiteral("AB"), 2);
    QSBWidget root;
    root.resize(60, 10);
    auto* text = new ZRSBText(skin.get(), &root);
    EXPECT_FALSE(text->isVisibleTo(&root));
    EXPECT_EQ(text->getSize(QString()), QSize(0, 0));
    EXPECT_EQ(text->getSize(QStringLiteral("A?B")), QSize(6, 5));    // '?' has no glyph
    EXPECT_EQ(text->getSize(QStringLiteral("\u20AC")), QSize(0, 0)); // glyph 0 absent

    text->setText(QStringLiteral("A?B"), QColor(10, 200, 30));
    EXPECT_EQ(text->size(), QSize(6, 5));
    EXPECT_EQ(text->getText(), QStringLiteral("A?B"));
    text->show();
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    const QImage shot = text->grab().toImage();
    const QRgb ink = qRgb(10, 200, 30);
    const QRgb background = root.grab().toImage().pixel(40, 2);
    EXPECT_EQ(shot.pixel(0, 2), ink);
    EXPECT_EQ(shot.pixel(2, 2), background); // the gap after "A"
    EXPECT_EQ(shot.pixel(3, 2), ink);        // "B" right after: '?' took no room

    text->setText(QString(), Qt::white);
    EXPECT_EQ(text->size(), QSize(0, 0));
}
