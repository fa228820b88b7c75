#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/QSBWidget.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(ZRLabel, StandsOnTheSkinOfASkinnedParent) {
    QImage skin(4, 4, QImage::Format_ARGB32);
    skin.fill(0xFF305070);
    QSBWidget root(skin, false);
    root.resize(120, 40);
    auto* label = new ZRLabel(QStringLiteral("x"), &root);
    label->setGeometry(10, 10, 60, 20);
    EXPECT_TRUE(label->hasSkinnedParent());
    EXPECT_EQ(label->frameStyle(), int(QFrame::NoFrame));
    EXPECT_EQ(label->font().pointSize(), 8);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    const QImage shot = label->grab().toImage();
    EXPECT_EQ(shot.pixel(55, 2), 0xFF305070u); // the skin, away from the text

    QWidget plain;
    ZRLabel free(&plain);
    EXPECT_FALSE(free.hasSkinnedParent());
}
