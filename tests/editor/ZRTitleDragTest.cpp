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
    ZRTitleSettings title = defaultTitle();
    title.text = "A$@@$B";
    ZRTitleSettings decoded;
    ASSERT_TRUE(ZRTitleDrag::decode(titleData(ZRTitleDrag::payload(title)).get(), decoded));
    EXPECT_EQ(decoded.text, "A");
    EXPECT_EQ(decoded.alignment, 0); // "B" is no number
    EXPECT_EQ(decoded.letterSpacing, 1);
    EXPECT_EQ(decoded.lineSpacing, 0);
    EXPECT_EQ(decoded.backgroundColor, 5u);
    EXPECT_EQ(decoded.safeFrameSize, 3000.0);
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
    // Pieces after the sixteenth are ignored.
    QByteArray longer = ZRTitleDrag::payload(defaultTitle());
    longer.chop(1);
    longer += "$@@$99$@@$98";
    ZRTitleSettings more;
    ASSERT_TRUE(ZRTitleDrag::decode(titleData(longer).get(), more));
    EXPECT_EQ(more, defaultTitle());
}

} // namespace
