#include "classes/text/ZRTextConversion.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cstring>

TEST(ZRTextConversion, AnsiToQStringDecodesTheLocaleEncoding) {
    QString out = QStringLiteral("old");
    ansiToQString(out, "caf\xC3\xA9");
    EXPECT_EQ(out, QStringLiteral("caf\u00E9"));
    ansiToQString(out, nullptr);
    EXPECT_TRUE(out.isEmpty());
}

struct AnsiCase {
    const char* name;
    QString text;
    int outSize;
    const char* expected; // the buffer's contents up to its terminator
    int written;          // bytes written, terminator included
};

TEST(ZRTextConversion, ToAnsiBufferIsAlwaysTerminatedAndCutsWholeCharacters) {
    const QString euro = QStringLiteral("ab\u20AC"); // the euro sign takes three bytes
    const AnsiCase cases[] = {
        {"fits", QStringLiteral("abc"), 8, "abc", 4},
        {"exact fit", QStringLiteral("abc"), 4, "abc", 4},
        {"ascii cut", QStringLiteral("abcdef"), 4, "abc", 4},
        {"multi-byte fits", euro, 6, "ab\xE2\x82\xAC", 6},
        {"cut inside the character", euro, 5, "ab", 3},
        {"cut after its first byte", euro, 4, "ab", 3},
        {"room for the terminator only", euro, 1, "", 1},
        {"empty text", QString(), 4, "", 1},
    };
    for (const AnsiCase& c : cases) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(toAnsiBuffer(buffer, c.outSize, c.text), c.written) << c.name;
        EXPECT_STREQ(buffer, c.expected) << c.name;
        EXPECT_EQ(buffer[c.outSize], 'x') << c.name << ": wrote past the buffer";
    }
}

TEST(ZRTextConversion, ToAnsiBufferWritesNothingWithoutRoom) {
    char buffer[2] = {'x', 'x'};
    EXPECT_EQ(toAnsiBuffer(buffer, 0, QStringLiteral("a")), 0);
    EXPECT_EQ(toAnsiBuffer(nullptr, 8, QStringLiteral("a")), 0);
    EXPECT_EQ(buffer[0], 'x');
}

TEST(ZRTextConversion, ReadTextLineSplitsAtLineFeedsAndDropsCarriageReturns) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines; // read until the device is at its end
    };
    const Case cases[] = {
        {"crlf", QByteArray("ab\r\ncd"), {QStringLiteral("ab"), QStringLiteral("cd")}},
        {"lone cr inside", QByteArray("a\rb\n"), {QStringLiteral("ab")}},
        {"empty lines", QByteArray("\n\nx"), {QString(), QString(), QStringLiteral("x")}},
        {"byte 255 is data",
         QByteArray("a\xFF"
                    "b\nc"),
         {QStringLiteral("a\uFFFDb"), QStringLiteral("c")}},
        {"utf-8", QByteArray("\xC3\xA9t\xC3\xA9"), {QStringLiteral("\u00E9t\u00E9")}},
    };
    for (const Case& c : cases) {
        QBuffer device;
        device.setData(c.bytes);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        QStringList lines;
        while (!device.atEnd())
            lines.append(readTextLine(&device));
        EXPECT_EQ(lines, c.lines) << c.name;
    }
    EXPECT_TRUE(readTextLine(nullptr).isEmpty());
}
