#include "editor/ZREngineDrag.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QMimeData> engineData(const QByteArray& payload) {
    auto data = std::make_unique<QMimeData>();
    data->setData(ZREngineDrag::kMimeType, payload);
    return data;
}

struct Decoded {
    int id = -7;
    QString kind = "k", group = "g", name = "n";
    bool ok = false;
};

Decoded decode(const QMimeData* data) {
    Decoded d;
    d.ok = ZREngineDrag::decode(data, d.id, d.kind, d.group, d.name);
    return d;
}

TEST(EngineDrag, PayloadRoundTripsNonAsciiTexts) {
    const QString kind = "Transition", group = QString::fromUtf8("Überblendungen"),
                  name = QString::fromUtf8("Dégradé ✓");
    const QByteArray payload = ZREngineDrag::payload(100, kind, group, name);
    EXPECT_TRUE(payload.endsWith('\0'));
    EXPECT_EQ(
        payload.left(payload.size() - 1),
        (QString("ZRENGINE$@@$100$@@$Transition$@@$") + group + "$@@$" + name + "$@@$").toUtf8());
    std::unique_ptr<QMimeData> data(ZREngineDrag::mimeData(100, kind, group, name));
    EXPECT_EQ(data->data("text/plain"), payload);
    const Decoded d = decode(data.get());
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.id, 100);
    EXPECT_EQ(d.kind, kind);
    EXPECT_EQ(d.group, group);
    EXPECT_EQ(d.name, name);
}

TEST(EngineDrag, DecodesTheFieldsPresent) {
    struct Case {
        QByteArray payload;
        bool ok;
        int id;
        const char *kind, *group, *name;
    };
    const Case cases[] = {
        // Fewer fields: the rest keep their values.
        {"ZRENGINE$@@$100$@@$Transition$@@$", true, 100, "Transition", "g", "n"},
        // An empty group is dropped, so the name lands in the group.
        {"ZRENGINE$@@$100$@@$Video Effect$@@$$@@$Blur$@@$", true, 100, "Video Effect", "Blur", "n"},
        {"ZRENGINE$@@$abc$@@$", true, 0, "k", "g", "n"},
        {"ZRENGINE", true, -7, "k", "g", "n"},
        // A second round overwrites without checking its tag.
        {"ZRENGINE$@@$1$@@$a$@@$b$@@$c$@@$XX$@@$2$@@$d$@@$", true, 2, "d", "b", "c"},
        // Text after a zero byte is not read.
        {QByteArray("ZRENGINE$@@$5$@@$\0$@@$7$@@$", 26), true, 5, "k", "g", "n"},
        {"ZRENGINEX$@@$100$@@$Transition$@@$", false, -7, "k", "g", "n"},
        {"zrengine$@@$100$@@$", false, -7, "k", "g", "n"},
        {"$@@$$@@$", false, -7, "k", "g", "n"},
        {QByteArray("\0ZRENGINE", 9), false, -7, "k", "g", "n"},
        {"", false, -7, "k", "g", "n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload.toStdString());
        const auto data = engineData(c.payload);
        const Decoded d = decode(data.get());
        EXPECT_EQ(d.ok, c.ok);
        EXPECT_EQ(d.id, c.id);
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.group, c.group);
        EXPECT_EQ(d.name, c.name);
    }
}

TEST(EngineDrag, CanDecodeTheThreeFormats) {
    for (const char* format :
         {"application/x-zriconlist", "application/x-zrengineicon", "text/plain"}) {
        QMimeData data;
        data.setData(format, "x");
        EXPECT_TRUE(ZREngineDrag::canDecode(&data)) << format;
    }
    QMimeData other;
    other.setData("application/x-zrtitleicon", "x");
    EXPECT_FALSE(ZREngineDrag::canDecode(&other));
    EXPECT_FALSE(ZREngineDrag::canDecode(nullptr));
    // A plain-text drag passes canDecode but holds no engine payload.
    QMimeData plain;
    plain.setText("ZRENGINE$@@$100$@@$");
    EXPECT_TRUE(ZREngineDrag::canDecode(&plain));
    EXPECT_FALSE(decode(&plain).ok);
    EXPECT_FALSE(decode(nullptr).ok);
}

// The drag object itself: an icon list with the engine object of its last record.
TEST(EngineDrag, CarriesTheEngineObjectOfItsLastRecord) {
    ZREngineDrag drag(nullptr, "engine drag");
    EXPECT_EQ(drag.id(), 0);
    EXPECT_TRUE(drag.kind().isEmpty());
    drag.setEngineItem(ZRIconDragItem(), QRect(), QRect(), 7, "Transition", "Basic", "Test Fade");
    drag.setEngineItem(ZRIconDragItem(), QRect(), QRect(), 100, "Video Effect", "Colour",
                       QString::fromUtf8("Sépia"));
    EXPECT_EQ(drag.count(), 2);

    const QByteArray expected("ZRENGINE$@@$100$@@$Video Effect$@@$Colour$@@$S\xc3\xa9pia$@@$\0",
                              56);
    EXPECT_EQ(drag.encodedData("application/x-zrengineicon"), expected);
    EXPECT_EQ(drag.encodedData("text/plain"), expected);
    EXPECT_EQ(drag.data("application/x-zrengineicon"), expected);
    QList<ZRIconDragItem> records;
    EXPECT_TRUE(ZRIconDrag::decode(&drag, records));
    EXPECT_EQ(records.size(), 2);
    EXPECT_TRUE(drag.encodedData("image/png").isEmpty());
    EXPECT_TRUE(drag.encodedData(nullptr).isEmpty());

    EXPECT_STREQ(drag.format(0), "application/x-zriconlist");
    EXPECT_STREQ(drag.format(1), "application/x-zrengineicon");
    EXPECT_STREQ(drag.format(2), "text/plain");
    EXPECT_EQ(drag.format(3), nullptr);
    EXPECT_EQ(drag.format(-1), nullptr);

    const Decoded d = decode(&drag);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.id, 100);
    EXPECT_EQ(d.kind, "Video Effect");
    EXPECT_EQ(d.group, "Colour");
    EXPECT_EQ(d.name, QString::fromUtf8("Sépia"));
}

// Only texts that come back whole may travel: the split drops empty pieces and reads a text
// ending in "$@@" together with the separator after it.
TEST(EngineDrag, CarriesWholeOnlyTextsTheSplitKeeps) {
    struct Case {
        QString name;
        bool whole;
    };
    const Case cases[] = {
        {"Test Fade", true}, {QString::fromUtf8("Dégradé ✓"), true},
        {"n$", true},        {"n$@", true},
        {"@@$n", true},      {"n$@@", false},
        {"a$@@$b", false},   {"$@@$", false},
        {"", false},         {QString("a") + QChar(0) + "b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(ZREngineDrag::carriesWhole("Transition", "Basic", c.name), c.whole);
        EXPECT_EQ(ZREngineDrag::carriesWhole("Transition", c.name, "Test Fade"), c.whole);
        EXPECT_EQ(ZREngineDrag::carriesWhole(c.name, "Basic", "Test Fade"), c.whole);
        if (!c.whole) continue;
        ZREngineDrag drag;
        drag.setEngineItem(ZRIconDragItem(), QRect(), QRect(), 100, "Transition", c.name, c.name);
        const Decoded d = decode(&drag);
        EXPECT_TRUE(d.ok);
        EXPECT_EQ(d.group, c.name);
        EXPECT_EQ(d.name, c.name);
    }
}

} // namespace
