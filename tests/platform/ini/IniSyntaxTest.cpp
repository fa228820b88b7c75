#include "platform/ini/IniSyntax.h"

#include <QBuffer>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace ini = platform::ini;

namespace {

// Records what a file holds as "[name]" and "key=text" lines.
class Recorder final : public ini::Visitor {
public:
    QStringList seen;
    void group(QStringView name) override { seen << "[" + name.toString() + "]"; }
    void entry(QStringView key, QStringView text) override {
        seen << key.toString() + "=" + text.toString();
    }
};

QStringList readAll(const QByteArray& text) {
    QByteArray bytes = text;
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    Recorder recorder;
    ini::read(device, ini::Encoding::Utf8, recorder);
    return recorder.seen;
}

} // namespace

TEST(IniSyntax, TakesLinesApart) {
    struct Case {
        const char16_t* line;
        ini::LineKind kind;
        const char16_t* name;
        const char16_t* key;
        const char16_t* text;
    };
    using K = ini::LineKind;
    const Case cases[] = {
        {u"[G]", K::Group, u"G", u"", u""},
        {u"[G] trailing", K::Group, u"G", u"", u""},
        {u"[a]b]", K::Group, u"a", u"", u""},
        {u"[]", K::Group, u"", u"", u""},
        {u"[ spaced ]", K::Group, u" spaced ", u"", u""},
        {u"  [G]", K::Ignored, u"", u"", u""},
        {u"[unclosed", K::Ignored, u"", u"", u""},
        {u"[unclosed=1", K::Entry, u"", u"[unclosed", u"1"},
        {u"#x=1", K::Comment, u"", u"", u""},
        {u" #x=1", K::Entry, u"", u"#x", u"1"},
        {u" [x]=1", K::Entry, u"", u"[x]", u"1"},
        {u"b = two ", K::Entry, u"", u"b", u"two"},
        {u"k==v", K::Entry, u"", u"k", u"=v"},
        {u"=v", K::Entry, u"", u"", u"v"},
        {u"k=", K::Entry, u"", u"k", u""},
        {u"\tk\u00a0=\u3000v\u2003", K::Entry, u"", u"k", u"v"},
        {u"\u000bk\f=\t v \u000c", K::Entry, u"", u"k", u"v"},
        {u"caf\u00e9 = plain ", K::Entry, u"", u"caf\u00e9", u"plain"},
        {u"k= a\u00a0", K::Entry, u"", u"k", u"a"},
        {u"no equals sign", K::Ignored, u"", u"", u""},
        {u"", K::Ignored, u"", u"", u""},
    };
    for (const Case& c : cases) {
        const QString line = QString::fromUtf16(c.line);
        SCOPED_TRACE(line.toStdString());
        const ini::Line parsed = ini::parseLine(line);
        EXPECT_EQ(parsed.kind, c.kind);
        EXPECT_EQ(parsed.name.toString(), QString::fromUtf16(c.name));
        EXPECT_EQ(parsed.key.toString(), QString::fromUtf16(c.key));
        EXPECT_EQ(parsed.text.toString(), QString::fromUtf16(c.text));
        // Read from a file, the line gives the same, whether its value stays bytes or not.
        QStringList seen;
        if (c.kind == K::Group) seen << "[" + QString::fromUtf16(c.name) + "]";
        if (c.kind == K::Entry) seen << QString::fromUtf16(c.key) + "=" + QString::fromUtf16(c.text);
        EXPECT_EQ(readAll(line.toUtf8()), seen);
    }
}

TEST(IniSyntax, ReadsLinesInFileOrder) {
    const QByteArray text = "# Config File\r\n"
                            "a=1\r\n"
                            "[G]\n"
                            "b = two \n"
                            "[g]\n"
                            "caf\xc3\xa9=\xe2\x82\xac\r\n"
                            "last=no line feed";
    EXPECT_EQ(readAll(text),
              (QStringList{"a=1", "[G]", "b=two", "[g]",
                           QString::fromUtf8("caf\xc3\xa9=\xe2\x82\xac"), "last=no line feed"}));
}

// The limit counts the line without its line break, whichever break it has, so a line that
// was read is read again after it was written back with "\r\n".
TEST(IniSyntax, SkipsLinesLongerThanTheLimitWhole) {
    const QByteArray longest = "k=" + QByteArray(ini::kMaxLineBytes - 2, 'x');
    const QByteArray tooLong = longest + "y";
    struct Case {
        const char* name;
        QByteArray text;
        QStringList seen;
    };
    const Case cases[] = {
        {"longest with LF",
         longest + "\nz=1\n",
         {"k=" + QString(ini::kMaxLineBytes - 2, 'x'), "z=1"}},
        {"longest with CR LF",
         longest + "\r\nz=1\n",
         {"k=" + QString(ini::kMaxLineBytes - 2, 'x'), "z=1"}},
        {"longest at the end",
         "z=1\n" + longest,
         {"z=1", "k=" + QString(ini::kMaxLineBytes - 2, 'x')}},
        {"too long with LF", tooLong + "\nz=1\n", {"z=1"}},
        {"too long with CR LF", tooLong + "\r\nz=1\n", {"z=1"}},
        {"too long at the end", "z=1\n" + tooLong, {"z=1"}},
        {"far too long", tooLong + tooLong + tooLong + "\nz=1", {"z=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.text), c.seen);
    }
}

TEST(IniSyntax, UnescapesValuesAsTheEngineReadsThem) {
    struct Case {
        const char* text;
        const char* value;
    };
    const Case cases[] = {
        {"plain", "plain"},      {"a\\\\b", "a\\b"}, {"a\\nb\\tc\\rd", "a\nb\tc\rd"},
        {"C:\\temp", "C:\temp"}, {"\\x", "\\x"},     {"end\\", "end\\"},
        {"x\\t", "x"}, // stripped after unescaping
        {"\\\\n", "\\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ini::unescapedValue(QString::fromUtf8(c.text)), QString::fromUtf8(c.value));
    }
}

TEST(IniSyntax, NamesMatchWithoutRegardToCase) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        bool same;
    };
    const Case cases[] = {
        {u"Export::MPEG", u"export::mpeg", true},
        {u"Stra\u00dfe", u"STRA\u00dfE", true},
        {u"\u00c4rger", u"\u00e4RGER", true},
        {u"\u03a3", u"\u03c3", true},
        {u"key", u"key ", false},
        {u"a", u"b", false},
    };
    for (const Case& c : cases) {
        const QString a = QString::fromUtf16(c.a);
        const QString b = QString::fromUtf16(c.b);
        SCOPED_TRACE(a.toStdString() + " / " + b.toStdString());
        EXPECT_EQ(ini::sameName(a, b), c.same);
        if (c.same) {
            EXPECT_EQ(ini::nameHash(a), ini::nameHash(b));
        }
    }
}
