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

} // namespace
