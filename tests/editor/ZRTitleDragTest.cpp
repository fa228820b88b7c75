#include "editor/ZRTitleDrag.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace {

ZRTitleSettings defaultTitle() {
    ZRTitleSettings t;
    t.text = QString::fromUtf8("<font>Arial</font><size>40</size>Grüße");
    t.alignment = 1;
    t.letterSpacing = 0;
    t.lineSpacing = 5;
    t.backgroundColor = 0xffffffff;
    t.opaqueBackground = 0;
    t.startX = t.startY = t.endX = 4;
    t.endY = 2;
    t.movement = 0;
    t.fadeIn = 0;
    t.fadeOut = 0;
    t.fadeTime = 1000;
    t.duration = 3000;
    t.safeFrameSize = 0.1;
    return t;
}

std::unique_ptr<QMimeData> titleData(const QByteArray& payload) {
    auto data = std::make_unique<QMimeData>();
    data->setData(ZRTitleDrag::kMimeType, payload);
    return data;
}

TEST(TitleDrag, PayloadHoldsTheSixteenFields) {
    const ZRTitleSettings title = defaultTitle();
    const QByteArray payload = ZRTitleDrag::payload(title);
    EXPECT_EQ(payload, (QString("ZRTITLE$@@$") + title.text +
                        "$@@$1$@@$0$@@$5$@@$ffffffff$@@$0$@@$4$@@$4$@@$4$@@$2$@@$0$@@$0$@@$0$@@$"
                        "1000$@@$3000$@@$0.1")
                               .toUtf8() +
                           QByteArray(1, '\0'));
    std::unique_ptr<QMimeData> data(ZRTitleDrag::mimeData(title));
    EXPECT_EQ(data->data("text/plain"), payload);
    ZRTitleSettings decoded;
    ASSERT_TRUE(ZRTitleDrag::decode(data.get(), decoded));
    EXPECT_EQ(decoded, title);
}

TEST(TitleDrag, NumbersTravelAsTheFormatWritesThem) {
    ZRTitleSettings title = defaultTitle();
    title.startX = -3;
    title.backgroundColor = 0xff0a0b0c;
    title.duration = 1234567;
    title.safeFrameSize = 0.123456789;
    const auto data = titleData(ZRTitleDrag::payload(title));
    EXPECT_TRUE(data->data(ZRTitleDrag::kMimeType).contains("$@@$4294967293$@@$"));
    EXPECT_TRUE(data->data(ZRTitleDrag::kMimeType).contains("$@@$ff0a0b0c$@@$"));
    EXPECT_TRUE(data->data(ZRTitleDrag::kMimeType).contains("$@@$1.23457e+06$@@$"));
    ZRTitleSettings decoded;
    ASSERT_TRUE(ZRTitleDrag::decode(data.get(), decoded));
    EXPECT_EQ(decoded.startX, -3);
    EXPECT_EQ(decoded.backgroundColor, 0xff0a0b0cu);
    EXPECT_EQ(decoded.duration, 1234570.0);
    EXPECT_DOUBLE_EQ(decoded.safeFrameSize, 0.123457);
}

TEST(TitleDrag, SeparatorInTheTextShiftsTheFields) {
    // Numbers hold no separator, so they are read from the right and the text comes back whole.
    const char* texts[] = {
        "A$@@$B", "Happy $@@$ day", "$@@$$@@$", "ends in $@@", "$@@$", "@@$", "$",
        "",       "x$@@$$@@$@@$@"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        ZRTitleSettings title = defaultTitle();
        title.text = QString::fromUtf8(text);
        ZRTitleSettings decoded;
        ASSERT_TRUE(ZRTitleDrag::decode(titleData(ZRTitleDrag::payload(title)).get(), decoded));
        EXPECT_EQ(decoded, title);
    }
}

TEST(TitleDrag, DefaultTitleTravelsAsItsText) {
    ZRTitleSettings title;
    title.text = "<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>New Title";
    title.alignment = 1;
    title.lineSpacing = 5;
    title.backgroundColor = 0xffffffff;
    title.startX = title.startY = title.endX = 4;
    title.endY = 2;
    title.fadeTime = 1000;
    title.duration = 3000;
    title.safeFrameSize = 0.1;
    ZRTitleDrag drag;
    drag.append(ZRIconDragItem(), QRect(), QRect(), title);
    const QByteArray expected =
        QByteArray("ZRTITLE$@@$<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>New "
                   "Title$@@$1$@@$0$@@$5$@@$ffffffff$@@$0$@@$4$@@$4$@@$4$@@$2$@@$0$@@$0$@@$0$@@$"
                   "1000$@@$3000$@@$0.1") +
        QByteArray(1, '\0');
    EXPECT_EQ(drag.encodedData("application/x-zrtitleicon"), expected);
    EXPECT_EQ(drag.encodedData("text/plain"), expected);
    EXPECT_EQ(drag.data("application/x-zrtitleicon"), expected);
    EXPECT_TRUE(drag.encodedData("image/png").isEmpty());
    EXPECT_STREQ(drag.format(0), "application/x-zriconlist");
    EXPECT_STREQ(drag.format(1), "application/x-zrtitleicon");
    EXPECT_STREQ(drag.format(2), "text/plain");
    EXPECT_EQ(drag.format(3), nullptr);
    EXPECT_EQ(drag.formats(),
              QStringList({"application/x-zriconlist", "application/x-zrtitleicon", "text/plain"}));
}

TEST(TitleDrag, SeveralTitlesCarryTheLastRecordAndEveryIcon) {
    ZRTitleSettings first = defaultTitle();
    ZRTitleSettings second = defaultTitle();
    second.text = "second";
    second.duration = 5000;
    ZRTitleDrag drag(nullptr, "titles");
    drag.append(ZRIconDragItem(), QRect(1, 2, 3, 4), QRect(), first);
    drag.append(ZRIconDragItem(), QRect(5, 6, 7, 8), QRect(), second);
    EXPECT_EQ(drag.count(), 2);
    EXPECT_EQ(drag.settings(), second);
    ZRTitleSettings decoded;
    ASSERT_TRUE(ZRTitleDrag::decode(&drag, decoded));
    EXPECT_EQ(decoded, second);
    QList<ZRIconDragItem> icons;
    ASSERT_TRUE(ZRIconDrag::decode(&drag, icons));
    ASSERT_EQ(icons.size(), 2);
    EXPECT_EQ(icons[1].iconRect(), QRect(5, 6, 7, 8));
}

TEST(TitleDrag, RefusesWhatIsNoTitle) {
    const ZRTitleSettings untouched = defaultTitle();
    const QByteArray refused[] = {"", "ZRTITLEX$@@$text$@@$1", "zrtitle$@@$text",
                                  QByteArray("\0ZRTITLE$@@$", 12), "$@@$$@@$"};
    for (const QByteArray& payload : refused) {
        SCOPED_TRACE(payload.toStdString());
        ZRTitleSettings record = untouched;
        EXPECT_FALSE(ZRTitleDrag::decode(titleData(payload).get(), record));
        EXPECT_EQ(record, untouched);
    }
    ZRTitleSettings record = untouched;
    EXPECT_FALSE(ZRTitleDrag::decode(nullptr, record));
    // Only the title type is read; the other two only pass canDecode.
    for (const char* format : {"application/x-zriconlist", "text/plain"}) {
        QMimeData data;
        data.setData(format, ZRTitleDrag::payload(untouched));
        EXPECT_TRUE(ZRTitleDrag::canDecode(&data));
        EXPECT_FALSE(ZRTitleDrag::decode(&data, record));
    }
    QMimeData engine;
    engine.setData("application/x-zrengineicon", "x");
    EXPECT_FALSE(ZRTitleDrag::canDecode(&engine));
}

TEST(TitleDrag, ShortPayloadKeepsTheMissingFields) {
    ZRTitleSettings record = defaultTitle();
    ASSERT_TRUE(ZRTitleDrag::decode(titleData("ZRTITLE$@@$Hi$@@$2$@@$x$@@$").get(), record));
    EXPECT_EQ(record.text, "Hi");
    EXPECT_EQ(record.alignment, 2);
    EXPECT_EQ(record.letterSpacing, 0);
    EXPECT_EQ(record.lineSpacing, 5);
    EXPECT_EQ(record.duration, 3000.0);
    // A payload without its text reads its first number as the text, as the fields fall.
    ZRTitleSettings shifted = defaultTitle();
    ASSERT_TRUE(ZRTitleDrag::decode(
        titleData("ZRTITLE$@@$7$@@$0$@@$5$@@$ff$@@$0$@@$4$@@$4$@@$4$@@$2$@@$0$@@$0$@@$0$@@$1000$@@$"
                  "3000$@@$0.5")
            .get(),
        shifted));
    EXPECT_EQ(shifted.text, "7");
    EXPECT_EQ(shifted.alignment, 0);
    EXPECT_EQ(shifted.backgroundColor, 0u);
    EXPECT_EQ(shifted.duration, 0.5);
    EXPECT_EQ(shifted.safeFrameSize, 0.1);
}

} // namespace
