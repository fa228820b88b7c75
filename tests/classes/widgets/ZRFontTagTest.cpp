#include "classes/widgets/ZRFontTag.h"

#include <gtest/gtest.h>

TEST(ZRFontTag, ReadsNameSizeAndSmoothWhereverTheyStand) {
    const struct {
        const char* tag;
        const char* name;
        int size;
        bool smooth;
    } cases[] = {
        {"<name>ariblk.ttf</name><size>10</size>", "ariblk.ttf", 10, false},
        {"<size>8</size><name>MS Sans Serif</name>", "MS Sans Serif", 8, false},
        {"< NAME >Arial</ Name ><SIZE>12</size>", "Arial", 12, false},
        {"DefaultFont::<name>ariblk.ttf</name><size>10</size><smooth>1</smooth>", "ariblk.ttf", 10,
         true},
        {"<name>a.ttf</name><size>9</size><smooth>0</smooth>", "a.ttf", 9, false},
        {"<name>a.ttf</name><smooth>2</smooth>", "a.ttf", 0, true},
        {"<size>11</size>", "", 11, false},
        {"<name>Arial</name><size>big</size>", "Arial", 0, false},
        {"<name>Arial</name><size> 14 </size>", "Arial", 14, false},
        {"<name>Arial<size>10</size>", "", 10, false},
        {"", "", 0, false},
    };
    for (const auto& c : cases) {
        const ZRFontTag font = parseFontTag(QString::fromLatin1(c.tag));
        EXPECT_EQ(font.name, QString::fromLatin1(c.name)) << c.tag;
        EXPECT_EQ(font.pointSize, c.size) << c.tag;
        EXPECT_EQ(font.smooth, c.smooth) << c.tag;
    }
}
