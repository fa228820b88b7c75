#include "classes/helpers/ZRBufferCopy.h"
#include "classes/helpers/ZRFolderHelpers.h"
#include "classes/helpers/ZRRangeHelpers.h"
#include "classes/helpers/ZRTextFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(ZRRangeHelpers, ClampsAndRanges) {
    int v = -4;
    EXPECT_EQ(clampInPlace(&v, 0, 10), &v);
    EXPECT_EQ(v, 0);
    v = 12;
    clampInPlace(&v, 0, 10);
    EXPECT_EQ(v, 10);
    unsigned u = 0xFFFFFFFFu; // unsigned compares: not taken as -1
    clampUnsignedInPlace(&u, 2, 100);
    EXPECT_EQ(u, 100u);

    EXPECT_EQ(clampIndex(5, 0, 5), 4);
    EXPECT_EQ(clampIndex(-3, 0, 5), 0);
    EXPECT_EQ(clampIndex(2, 0, 5), 2);
    EXPECT_TRUE(inRange(-1, -1, 3));
    EXPECT_TRUE(inRange(3, -1, 3));
    EXPECT_FALSE(inRange(4, -1, 3));
}

TEST(ZRRangeHelpers, BytesToSecondsNeedsAWholeBytePerSecond) {
    EXPECT_EQ(bytesToSecondsAtBitRate(999'999, 8'000'000), 0);
    EXPECT_EQ(bytesToSecondsAtBitRate(10'000'000, 8'000'000), 10);
    EXPECT_EQ(bytesToSecondsAtBitRate(int64_t(1) << 40, 8), int64_t(1) << 40); // 64-bit sizes
    EXPECT_EQ(bytesToSecondsAtBitRate(100, 7), -1);                            // no division by 0
    EXPECT_EQ(bytesToSecondsAtBitRate(100, 0), -1);
    EXPECT_EQ(bytesToSecondsAtBitRate(100, -800), -1);
}

TEST(ZRBufferCopy, CopiesAreZeroFilledAndCutAtTheBuffer) {
    char16_t wide[6];
    std::fill_n(wide, 6, u'x');
    EXPECT_EQ(swzCopyString(wide, 5, QStringLiteral("ab")), wide);
    EXPECT_EQ(std::u16string(wide, 6), std::u16string(u"ab\0\0\0x", 6));
    swzCopyString(wide, 3, QStringLiteral("abcdef")); // fills the count whole: no terminator
    EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc\0", 4));
    EXPECT_EQ(swzCopyString(nullptr, 3, QStringLiteral("a")), nullptr);
    EXPECT_EQ(qstringFromWide(u"caf\u00E9"), QStringLiteral("caf\u00E9"));
    EXPECT_TRUE(qstringFromWide(nullptr).isNull());

    char narrow[8];
    std::memset(narrow, 'x', sizeof narrow);
    EXPECT_EQ(szmbCopyString(narrow, 7, QStringLiteral("caf\u00E9")), narrow);
    EXPECT_EQ(std::string(narrow, 8), std::string("caf\xC3\xA9\0\0x", 8));
    szmbCopyString(narrow, 2, QStringLiteral("abc")); // fills the size whole, touches no more
    EXPECT_EQ(std::string(narrow, 3), std::string("abf", 3));
    EXPECT_EQ(szmbCopyString(nullptr, 2, QStringLiteral("a")), nullptr);
}

TEST(ZRTextFormat, NumbersAndHexadecimal) {
    EXPECT_EQ(numberText(-42), QStringLiteral("-42"));
    EXPECT_EQ(frameSizeText(720, 576), QStringLiteral("720x576"));
    EXPECT_EQ(zeroPaddedNumber(7, 3), QStringLiteral("007"));
    EXPECT_EQ(zeroPaddedNumber(-7, 3), QStringLiteral("-07"));
    EXPECT_EQ(zeroPaddedNumber(1234, 2), QStringLiteral("1234"));
    EXPECT_EQ(zeroPaddedNumber(INT_MIN, 2), QStringLiteral("-2147483648"));
    EXPECT_EQ(hexNumberText(0xABCu, 6), QStringLiteral("000ABC"));
    const uint64_t wide = 0x0123456789ABCDEFull;
    EXPECT_EQ(hex64Text(&wide, 8), QStringLiteral("0123456789ABCDEF"));
    EXPECT_EQ(hex64Text(&wide, 4), QStringLiteral("89ABCDEF"));
    EXPECT_TRUE(hex64Text(nullptr, 8).isNull());
    const unsigned char bytes[] = {0x01, 0xAB, 0xFF};
    EXPECT_EQ(hexBytesText(bytes, 3), QStringLiteral("FFAB01"));
    EXPECT_TRUE(hexBytesText(nullptr, 3).isNull());
    EXPECT_EQ(eventCodeText(-1), QStringLiteral("EC_FFFFFFFF"));
    EXPECT_EQ(eventCodeText(0x0D), QStringLiteral("EC_0000000D"));
}

TEST(ZRTextFormat, PointersAndIdentifiers) {
    EXPECT_EQ(pointerText(nullptr), QStringLiteral("NULL"));
    for (uintptr_t bad : {uintptr_t(0xBAADF00Du), uintptr_t(0xCDCDCDCDu), uintptr_t(0xFEEEFEEEu)})
        EXPECT_EQ(pointerText(reinterpret_cast<void*>(bad)), QStringLiteral("BAD"));
    EXPECT_EQ(pointerText(reinterpret_cast<void*>(uintptr_t(0x7FFF12345678ull))),
              QStringLiteral("@00007FFF12345678"));

    const ZRGuid guid{
        0x860BB310u, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
    EXPECT_EQ(guidText(guid), QStringLiteral("{860BB310-5D01-11D0-BD3B00A0C911CE86}"));
    EXPECT_EQ(devEnumCategoryText(guid),
              QStringLiteral("DevEnumCategory{860BB310-5D01-11D0-BD3B00A0C911CE86}"));
}

TEST(ZRTextFormat, TimesSizesAndDurations) {
    EXPECT_EQ(hmsText(1, 5, 9), QStringLiteral("01:05:09"));
    EXPECT_EQ(secondsToHmsText(3723), QStringLiteral("01:02:03"));

    const struct {
        int64_t bytes;
        int digits;
        const char* text;
    } sizes[] = {
        {999, 4, "999 "},
        {1023, 4, "0.999 k"},
        {1536, 4, "1.500 k"},
        {1048576, 4, "1.000 M"},
        {-1536, 4, "-1.500 k"},
        {1536, 2, "1.500 k"}, // at least four digits
        {0, 4, "0 "},
        {int64_t(1) << 50, 4, "1.000 P"}, // petabytes before exabytes
        {int64_t(1) << 60, 4, "1.000 E"},
        {INT64_MIN, 4, "-8.000 E"},
    };
    for (const auto& s : sizes)
        EXPECT_EQ(formatByteSize(s.bytes, s.digits), QString::fromLatin1(s.text)) << s.bytes;

    const struct {
        int64_t seconds;
        const char* text;
    } durations[] = {
        {-5, "-5 sec"},          {59, "59 sec"},          {60, "1 min 00 sec"},
        {3599, "59 min 59 sec"}, {3600, "1 h 00 min"},    {86400, "1 d 00 h"},
        {604800, "1 w 0 d"},     {2591999, "4 w 1 d"},    {2592000, "1 mon 00 d"},
        {31104000, "1 a 0 mon"}, {40000000, "1 a 3 mon"},
    };
    for (const auto& d : durations)
        EXPECT_EQ(formatDuration(d.seconds), QString::fromLatin1(d.text)) << d.seconds;
}

TEST(ZRTextFormat, TvStandards) {
    EXPECT_EQ(tvStandardText(0), QStringLiteral("None"));
    EXPECT_EQ(tvStandardText(0x10), QStringLiteral("PAL B"));
    EXPECT_EQ(tvStandardText(0x0FF000), QStringLiteral("SECAM Mask"));
    EXPECT_EQ(tvStandardText(0x1FFFB0), QStringLiteral("PAL SECAM Mask"));
    EXPECT_EQ(tvStandardText(0x3), QStringLiteral("Format #00000003"));
}

TEST(ZRFolderHelpers, PathsListingAndRemoval) {
    EXPECT_EQ(filePathPart(QStringLiteral("/media/clip.avi"), QStringLiteral("idx")),
              QStringLiteral("/media/clip.idx"));
    EXPECT_EQ(filePathPart(QStringLiteral("/media/a.part1.avi"), QStringLiteral("idx")),
              QStringLiteral("/media/a.part1.idx"));
    EXPECT_EQ(filePathPart(QStringLiteral("/clip.avi"), QStringLiteral("idx")),
              QStringLiteral("/clip.idx"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    EXPECT_FALSE(listFolderEntries(root, QStringLiteral("*"))); // "." and ".." do not count
    EXPECT_FALSE(listFolderEntries(root + QStringLiteral("/missing"), QStringLiteral("*")));
    auto make = [&](const char* name, QByteArray data) {
        QFile f(root + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    make("a.TMP", "x");
    make("b.tmp", "");
    make("c.avi", "");
    make("d.avi", "data");
    ASSERT_TRUE(QDir(root).mkdir(QStringLiteral("sub.tmp")));
    EXPECT_TRUE(listFolderEntries(root, QStringLiteral("*.tmp")));
    EXPECT_FALSE(listFolderEntries(root, QStringLiteral("*.mpg")));

    EXPECT_TRUE(removeFolderFiles(root, QStringLiteral("*.tmp")));
    EXPECT_EQ(
        QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
        QStringList({QStringLiteral("c.avi"), QStringLiteral("d.avi"), QStringLiteral("sub.tmp")}));
    EXPECT_TRUE(removeEmptyFiles(root));
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              QStringList({QStringLiteral("d.avi"), QStringLiteral("sub.tmp")}));
}
