#include "editor/ZRIconDrag.h"

#include <QMimeData>

#include <gtest/gtest.h>

namespace {

QByteArray encode(const ZRIconDrag& drag) {
    return drag.encodedData(ZRIconDrag::kMimeType);
}

QList<ZRIconDragItem> decodeList(const QByteArray& bytes) {
    QMimeData data;
    data.setData(ZRIconDrag::kMimeType, bytes);
    QList<ZRIconDragItem> list;
    EXPECT_TRUE(ZRIconDrag::decode(&data, list));
    return list;
}

TEST(IconDrag, ExampleRecordEncodesToItsNineFieldsAndOneZeroByte) {
    ZRIconDrag drag;
    drag.append(ZRIconDragItem(), QRect(-30, -20, 34, 34), QRect(-40, 16, 54, 13));
    const QByteArray expected =
        QByteArray("-30$@@$-20$@@$34$@@$34$@@$-40$@@$16$@@$54$@@$13$@@$no data$@@$") + '\0';
    EXPECT_EQ(encode(drag), expected);
    EXPECT_EQ(drag.data(ZRIconDrag::kMimeType), expected);

    const QList<ZRIconDragItem> back = decodeList(expected);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].data(), QByteArray("no data"));
    EXPECT_EQ(back[0].iconRect(), QRect(-30, -20, 34, 34));
    EXPECT_EQ(back[0].textRect(), QRect(-40, 16, 54, 13));
}

TEST(IconDrag, OffersOnlyTheIconListType) {
    ZRIconDrag drag;
    EXPECT_STREQ(drag.format(0), "application/x-zriconlist");
    EXPECT_EQ(drag.format(1), nullptr);
    EXPECT_EQ(drag.format(-1), nullptr);
    EXPECT_EQ(drag.formats(), QStringList{"application/x-zriconlist"});
    EXPECT_TRUE(drag.encodedData("text/plain").isEmpty());
    EXPECT_TRUE(drag.encodedData("APPLICATION/X-ZRICONLIST").isEmpty());
    EXPECT_FALSE(drag.hasFormat("text/plain"));
    EXPECT_TRUE(ZRIconDrag::canDecode(&drag));
    EXPECT_FALSE(ZRIconDrag::canDecode(nullptr));
}

TEST(IconDrag, EmptyListIsOneZeroByteAndDecodesToNoRecords) {
    ZRIconDrag drag;
    EXPECT_EQ(encode(drag), QByteArray(1, '\0'));
    QList<ZRIconDragItem> list{ZRIconDragItem()};
    QMimeData data;
    data.setData(ZRIconDrag::kMimeType, QByteArray(1, '\0'));
    EXPECT_TRUE(ZRIconDrag::decode(&data, list));
    EXPECT_TRUE(list.isEmpty());
}

TEST(IconDrag, SourceWithoutTheTypeLeavesTheListUntouched) {
    QMimeData plain;
    plain.setText("x");
    QList<ZRIconDragItem> list{ZRIconDragItem()};
    EXPECT_FALSE(ZRIconDrag::decode(&plain, list));
    EXPECT_EQ(list.size(), 1);
    EXPECT_FALSE(ZRIconDrag::decode(nullptr, list));
}

TEST(IconDrag, Latin1DataBytesRoundTripThroughUtf8) {
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '$') bytes.append(char(b));
    ZRIconDragItem item;
    item.setData(bytes + QByteArray(1, '\0') + "after the zero");
    ZRIconDrag drag;
    drag.append(item, QRect(1, 2, 3, 4), QRect(-5, -6, 7, 8));
    const QByteArray encoded = encode(drag);
    EXPECT_EQ(encoded.count('\0'), 1);
    EXPECT_EQ(QString::fromUtf8(encoded.left(encoded.size() - 1)).toUtf8(),
              encoded.left(encoded.size() - 1)); // valid UTF-8 throughout
    const QList<ZRIconDragItem> back = decodeList(encoded);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].data(), bytes);
    EXPECT_EQ(back[0].iconRect(), QRect(1, 2, 3, 4));
    EXPECT_EQ(back[0].textRect(), QRect(-5, -6, 7, 8));

    // Characters beyond Latin-1 from another source come back as '?'.
    const QList<ZRIconDragItem> wide = decodeList(
        QString::fromUtf8("1$@@$1$@@$1$@@$1$@@$1$@@$1$@@$1$@@$1$@@$a\u20acb$@@$").toUtf8());
    ASSERT_EQ(wide.size(), 1);
    EXPECT_EQ(wide[0].data(), QByteArray("a?b"));
}

struct MalformedCase {
    const char* name;
    const char* text;
    int records;
    QRect lastIcon;
    QRect lastText;
};

TEST(IconDrag, MalformedListsDecodeAsTheFormatSays) {
    const MalformedCase cases[] = {
        {"numbers that are not numbers read 0", "x$@@$y$@@$2$@@$2$@@$1$@@$1$@@$z$@@$4$@@$d$@@$", 1,
         QRect(0, 0, 2, 2), QRect(1, 1, 0, 4)},
        {"a short trailing group adds nothing",
         "1$@@$2$@@$3$@@$4$@@$5$@@$6$@@$7$@@$8$@@$d$@@$9$@@$9$@@$9$@@$", 1, QRect(1, 2, 3, 4),
         QRect(5, 6, 7, 8)},
        {"empty pieces vanish and shift the rest", "1$@@$$@@$2$@@$3$@@$4$@@$5$@@$6$@@$7$@@$8$@@$d",
         1, QRect(1, 2, 3, 4), QRect(5, 6, 7, 8)},
        {"an edge past 2^24 drops its record",
         "16777300$@@$0$@@$1$@@$1$@@$0$@@$0$@@$1$@@$1$@@$d$@@$",
         0,
         {},
         {}},
        {"a width past 2^24 drops its record",
         "0$@@$0$@@$2147483647$@@$1$@@$0$@@$0$@@$1$@@$1$@@$d$@@$",
         0,
         {},
         {}},
        {"numbers beyond 64 bits read 0",
         "99999999999999999999999$@@$0$@@$1$@@$1$@@$0$@@$0$@@$1$@@$1$@@$d$@@$", 1,
         QRect(0, 0, 1, 1), QRect(0, 0, 1, 1)},
        {"an edge of -2^31 drops its record",
         "-2147483648$@@$-2147483648$@@$-2147483648$@@$-2147483648$@@$0$@@$0$@@$1$@@$1$@@$d$@@$",
         0,
         {},
         {}},
        {"text after the zero byte is ignored", "1$@@$2$@@$3$@@$4$@@$5$@@$6$@@$7$@@$8$@@$d$@@$", 1,
         QRect(1, 2, 3, 4), QRect(5, 6, 7, 8)},
    };
    for (const MalformedCase& c : cases) {
        QByteArray bytes(c.text);
        bytes.append('\0');
        bytes.append("9$@@$9$@@$9$@@$9$@@$9$@@$9$@@$9$@@$9$@@$e$@@$");
        const QList<ZRIconDragItem> list = decodeList(bytes);
        ASSERT_EQ(list.size(), c.records) << c.name;
        if (c.records == 0) continue;
        EXPECT_EQ(list.last().iconRect(), c.lastIcon) << c.name;
        EXPECT_EQ(list.last().textRect(), c.lastText) << c.name;
    }
}

TEST(IconDrag, WorkingRectanglesCarryOverBetweenRecords) {
    // Setting the left edge keeps the right edge the previous record left.
    const QList<ZRIconDragItem> list = decodeList(
        "0$@@$0$@@$10$@@$10$@@$0$@@$0$@@$4$@@$4$@@$a$@@$5$@@$5$@@$3$@@$3$@@$1$@@$1$@@$2$@@$2$@@$b$"
        "@@$");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].iconRect(), QRect(5, 5, 3, 3));
    EXPECT_EQ(list[1].data(), QByteArray("b"));
}

} // namespace
