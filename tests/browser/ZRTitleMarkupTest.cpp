#include "browser/ZRTitleMarkup.h"
#include "browser/ZRTitlePosition.h"

#include <gtest/gtest.h>

namespace {

TEST(TitleMarkup, EditTextIsAllAfterTheLeadingTags) {
    const struct {
        const char* markup;
        const char* text;
    } rows[] = {
        {"<!Font=Arial!><!Size=32!><!Color=R:0,G:0,B:0!>Happy Birthday! <3", "Happy Birthday! <3"},
        {"<!Font=Arial!><!Size=32!><!Color=R:0,G:0,B:0!>", ""},
        {"<!Font=Arial!>one\ntwo > three", "one\ntwo > three"},
        {"no tags <!Font=Arial!>", "no tags <!Font=Arial!>"},
        {"<!Font=Arial!><!broken", "<!broken"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.markup);
        EXPECT_EQ(titlemarkup::editText(QString::fromUtf8(row.markup)),
                  QString::fromUtf8(row.text));
    }
    const QString built =
        titlemarkup::build("Times New Roman", 40, QColor(1, 2, 3), "Happy Birthday! <3");
    EXPECT_EQ(built, "<!Font=Times New Roman!><!Size=40!><!Color=R:1,G:2,B:3!>Happy Birthday! <3");
    EXPECT_EQ(titlemarkup::editText(built), "Happy Birthday! <3");
    EXPECT_EQ(titlemarkup::build("Arial", 8, Qt::black, ""),
              "<!Font=Arial!><!Size=8!><!Color=R:0,G:0,B:0!>");
    EXPECT_EQ(titlemarkup::family(built), "Times New Roman");
    EXPECT_EQ(titlemarkup::sizeText(built), "40");
    EXPECT_EQ(titlemarkup::colour(built), QColor(1, 2, 3));
    EXPECT_EQ(titlemarkup::colour("<!Color=R:999,G:99999999999,B:0!>"), QColor(255, 0, 0));
    EXPECT_FALSE(titlemarkup::colour("plain").isValid());
    EXPECT_TRUE(titlemarkup::family("plain").isNull());
}

TEST(TitleMarkup, LabelsAndStoredNames) {
    const struct {
        const char* text;
        const char* label;
    } rows[] = {
        {"Line\nbreak", "Line\nbreak"},
        {"", "No Text"},
        {"A long title over\nseveral lines", "A long title over"},
        {"Hello\nWorld!", "Hello\nWorld!"},
        {"\nsecond line of a long one", "No Text"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(titlemarkup::label("<!Font=Arial!>" + QString::fromUtf8(row.text)),
                  QString::fromUtf8(row.label));
    }
    EXPECT_EQ(titlemarkup::groupName(3, "a]b\nc"), "TextObject3_a_bxNxc");
    EXPECT_EQ(titlemarkup::fromStoredForm(titlemarkup::storedForm("x\ny\n")), "x\ny\n");
    // Twelve characters, never half a surrogate pair.
    EXPECT_EQ(titlemarkup::leading("Happy Birthday!"), "Happy Birthd");
    const QString emoji = QString("abcdefghijk") + QString::fromUtf8("\U0001F600") + "z";
    EXPECT_EQ(titlemarkup::leading(emoji), "abcdefghijk");
    EXPECT_EQ(titlemarkup::leading("short"), "short");
}

TEST(TitlePosition, NamesWriteTheirCodes) {
    const struct {
        const char* name;
        titleposition::Codes on, off;
    } rows[] = {
        {"top_left", {1, 1}, {0, 1}},        {"top_centered", {4, 1}, {4, 0}},
        {"top_right", {3, 1}, {2, 1}},       {"middle_left", {1, 4}, {0, 4}},
        {"middle_centered", {4, 4}, {4, 4}}, {"middle_right", {3, 4}, {2, 4}},
        {"bottom_left", {1, 3}, {0, 3}},     {"bottom_centered", {4, 3}, {4, 2}},
        {"bottom_right", {3, 3}, {2, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(titleposition::codes(row.name, true), row.on);
        EXPECT_EQ(titleposition::codes(row.name, false), row.off);
        EXPECT_EQ(titleposition::name(row.on.x, row.on.y), row.name);
        EXPECT_EQ(titleposition::name(row.off.x, row.off.y), row.name);
    }
}

TEST(TitlePosition, GridPressesPickCellsOrKeepThePrevious) {
    const struct {
        int x, y;
        const char* name;
    } rows[] = {
        {0, 0, "top_left"},      {40, 5, "top_centered"},     {70, 11, "top_right"},
        {5, 30, "middle_left"},  {36, 26, "middle_centered"}, {80, 35, "middle_right"},
        {11, 48, "bottom_left"}, {45, 59, "bottom_centered"}, {68, 50, "bottom_right"},
        {5, 20, "previous"},     {20, 5, "previous"},         {50, 30, "previous"},
        {40, 40, "previous"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(titleposition::cellAt(QPoint(row.x, row.y), "previous"), row.name);
    }
}

} // namespace
