#include "classes/text/ZRTextImage.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "engine/api/ZRFont.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The text's box measured directly through the engine, with the settings a text image uses.
QSize measuredBox(const QString& text, const QString& font, int size, float spacing = 0.0f) {
    std::unique_ptr<ZRFont, void (*)(ZRFont*)> f(TTFontFactory(), TTFontDestroy);
    ZRFontData data;
    data.faceName = font;
    data.size = size;
    data.faceIndex = 0;
    data.xResolution = data.yResolution = 72;
    data.letterSpacing = spacing;
    EXPECT_EQ(f->openFont(&data), 0);
    ZRStringInfo info;
    f->getBBox(text, &info, &data);
    return QSize(info.width, info.height);
}

int maxAlpha(const QImage& image) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, qAlpha(image.pixel(x, y)));
    return best;
}

} // namespace

TEST(ZRTextImage, DefaultIsInvalidUntilATextIsSet) {
    ZRTextImage text;
    EXPECT_FALSE(text.isValid());
    EXPECT_EQ(text.image(), nullptr);
    EXPECT_EQ(text.size(), QSize(-1, -1));
    EXPECT_EQ(text.fontName(), defaultTextFont().fileName);
    EXPECT_EQ(text.fontSize(), 10);
    EXPECT_EQ(text.color(), QColor(255, 255, 255, 255));

    ASSERT_TRUE(text.setText(QStringLiteral("OK")));
    const QImage* image = text.image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), measuredBox(QStringLiteral("OK"), QStringLiteral("ariblk.ttf"), 10));
    EXPECT_EQ(image->format(), QImage::Format_ARGB32);
    EXPECT_EQ(text.rect(), QRect(QPoint(0, 0), image->size()));
    EXPECT_EQ(qAlpha(image->pixel(0, 0)), 0) << "the background stays transparent";
    EXPECT_EQ(maxAlpha(*image), 255);
}

TEST(ZRTextImage, EmptyTextOrZeroSizeKeepsTheOldPixels) {
    ZRTextImage text(QStringLiteral("Cut"), Qt::red, QStringLiteral("arial.ttf"), 14, 0.0f);
    ASSERT_TRUE(text.isValid());
    const QImage before = *text.image();

    EXPECT_FALSE(text.setText(QString()));
    EXPECT_EQ(text.image(), nullptr);
    EXPECT_EQ(text.size(), before.size());

    EXPECT_TRUE(text.setText(QStringLiteral("Cut")));
    EXPECT_FALSE(text.setFont(QStringLiteral("arial.ttf"), 0));
    EXPECT_EQ(text.image(), nullptr);
    EXPECT_EQ(text.size(), before.size());

    // A setter that changes nothing still renders, so the font is tried again.
    EXPECT_TRUE(text.setFont(QStringLiteral("arial.ttf"), 14));
    ASSERT_NE(text.image(), nullptr);
    EXPECT_EQ(*text.image(), before);
}

TEST(ZRTextImage, MissingFontIsInvalidAndTheNextGoodOneRecovers) {
    ZRTextImage text(QStringLiteral("A"), Qt::white, QStringLiteral("no-such-font.ttf"), 12, 0.0f);
    EXPECT_FALSE(text.isValid());
    EXPECT_EQ(text.image(), nullptr);
    EXPECT_TRUE(text.setFont(QStringLiteral("arial.ttf"), 12));
    EXPECT_NE(text.image(), nullptr);
}

TEST(ZRTextImage, SpacingWidensEachCharacter) {
    ZRTextImage text(QStringLiteral("IIII"), Qt::white, QStringLiteral("arial.ttf"), 10, 0.0f);
    const int plain = text.size().width();
    ASSERT_TRUE(text.setSpacing(2.0f));
    EXPECT_EQ(text.size(),
              measuredBox(QStringLiteral("IIII"), QStringLiteral("arial.ttf"), 10, 2.0f));
    EXPECT_GE(text.size().width(), plain + 2 * 3) << "each character advances 2 pixels more";
}

TEST(ZRTextImage, ColourAndItsAlphaReachThePixels) {
    ZRTextImage text;
    ASSERT_TRUE(text.setAll(QStringLiteral("H"), QColor(0, 0, 255, 128),
                            QStringLiteral("arial.ttf"), 20, 0.0f));
    EXPECT_EQ(text.color(), QColor(0, 0, 255, 128));
    const QImage& image = *text.image();
    EXPECT_EQ(maxAlpha(image), 128);
    int fullyCovered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 128) continue;
            ++fullyCovered;
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, 0x0000FFu);
        }
    }
    EXPECT_GT(fullyCovered, 0);

    ASSERT_TRUE(text.setTextAndColor(QStringLiteral("H"), QColor(255, 0, 0)));
    EXPECT_EQ(maxAlpha(*text.image()), 255);
}
