#include "app/ZRProgram.h"

#include <gtest/gtest.h>

TEST(DefaultFont, TakesTheTagsFontOnlyWhenItNamesOne) {
    struct Case {
        const char* tag;
        const char* name;
        int size;
        bool smooth;
    };
    const Case cases[] = {
        {"DefaultFont::<name>ariblk.ttf</name><size>10</size><smooth>1</smooth>", "ariblk.ttf", 10,
         true},
        {"<name>verdana.ttf</name><size>12</size><smooth>0</smooth>", "verdana.ttf", 12, false},
        {"<size>14</size><name> tahoma.ttf </name>", "tahoma.ttf", 14, false},
        // A translation without a usable name or size keeps the built-in font.
        {"<name></name><size>12</size><smooth>1</smooth>", "ariblk.ttf", 10, true},
        {"<name>verdana.ttf</name><size>big</size>", "ariblk.ttf", 10, false},
        {"<name>verdana.ttf</name><size>0</size><smooth>2</smooth>", "ariblk.ttf", 10, true},
        {"DefaultFont::", "ariblk.ttf", 10, false},
    };
    for (const Case& c : cases) {
        const ZRDefaultTextFont font = defaultFontFromTag(QString::fromLatin1(c.tag));
        EXPECT_EQ(font.fileName, QString::fromLatin1(c.name)) << c.tag;
        EXPECT_EQ(font.pointSize, c.size) << c.tag;
        EXPECT_EQ(font.smoothing, c.smooth) << c.tag;
    }
}

TEST(CaptionTitle, IsTheTextBeforeTheLastDash) {
    EXPECT_EQ(captionTitle(QStringLiteral("Clipstead 5 - [Untitled]")),
              QStringLiteral("Clipstead 5"));
    EXPECT_EQ(captionTitle(QStringLiteral("A - B - [x]")), QStringLiteral("A - B"));
    EXPECT_EQ(captionTitle(QStringLiteral("Clipstead")), QStringLiteral("Clipstead"));
}
