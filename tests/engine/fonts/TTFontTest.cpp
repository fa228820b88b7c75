#include "engine/fonts/TTFont.h"
#include "engine/api/ZRFont.h"
#include "engine/fonts/ZRFontFolders.h"

#include "tests/engine/fonts/Canvas.h"
#include "tests/engine/fonts/FontFixture.h"
#include "tests/engine/fonts/FontTestData.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

TEST(TTFontTest, DefaultDataNamesTimesAndOpensOnceItHasASize) {
    FontPtr font = makeFont();
    ZRFontData data;
    EXPECT_EQ(data.faceName, "times.ttf");
    EXPECT_EQ(data.size, 0);
    EXPECT_EQ(font->openFont(&data), 1);
    EXPECT_STREQ(font->name(), "");

    data.size = 12;
    ASSERT_EQ(font->openFont(&data), 0);
    EXPECT_STREQ(font->name(), "Liberation Serif") << "the Windows file resolves to its twin";
    EXPECT_EQ(font->numFaces(), 1);
    EXPECT_GT(font->baseLine(), 0);
    EXPECT_EQ(font->openFont(&data), 0) << "nothing to change";
}

TEST(TTFontTest, IsFontLooksAtTheSuffixOnly) {
    FontPtr font = makeFont();
    const struct {
        const char* name;
        int result;
    } cases[] = {{"arial.ttf", 0}, {"MSGOTHIC.TTC", 0}, {".ttf", 0}, {"x.otf", 1},
                 {"ttf", 1},       {"font.ttf.bak", 1}, {nullptr, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(font->isFont(c.name), c.result) << (c.name ? c.name : "(null)");
}

TEST(TTFontTest, FolderOperationsFillTheCallersBuffer) {
    FontPtr font = makeFont();
    char out[512];
    font->getMarvestoFontDir(out, sizeof out, nullptr);
    EXPECT_EQ(QString(out), fonts::programFontFolder());
    EXPECT_TRUE(QString(out).endsWith("/fonts"));
    font->getMarvestoFontDir(out, sizeof out, "arial.ttf");
    EXPECT_TRUE(QString(out).endsWith("fonts/arial.ttf"));
    font->getSystemFontDir(out, sizeof out, "arial.ttf");
    EXPECT_EQ(QString(out), fonts::systemFontFolder() + "/arial.ttf");

    char tiny[8];
    std::memset(tiny, 'x', sizeof tiny);
    font->getSystemFontDir(tiny, sizeof tiny, "arial.ttf");
    EXPECT_STREQ(tiny, "") << "a path that does not fit is not cut";
    TTFontDestroy(nullptr);
}

TEST(TTFontTest, MissingFontLeavesTheObjectClosedAndDrawsNothing) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(20);
    ASSERT_EQ(font->openFont(&data), 0);
    data.faceName = "/nonexistent/folder/missing.ttf";
    data.text = "Hello";
    EXPECT_EQ(font->openFont(&data), 1);
    EXPECT_EQ(font->baseLine(), -1);
    EXPECT_EQ(font->numFaces(), -1);

    Canvas canvas(64, 32, 0x11223344);
    font->renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height, &data, 0,
                       0, 4);
    EXPECT_TRUE(canvas.ink(0x11223344).isEmpty());

    ZRStringInfo info;
    info.width = 77;
    font->getBBox(data.text, &info, &data);
    EXPECT_EQ(info.width, 77);
    int position = 2;
    EXPECT_EQ(font->getLineWidth(position, data.text, nullptr, &data), 0.0f);
    EXPECT_EQ(position, 3);
    ZRCharInfo glyph;
    EXPECT_EQ(font->setChar(1, &glyph), 1);
}

TEST(TTFontTest, SizesBeyondWhatCanBeDrawnAreRefused) {
    FontPtr font = makeFont();
    const struct {
        int size;
        double ratio;
        int dpi;
    } cases[] = {{5000, 1.0, 72}, {10, 1e300, 72},   {10, -1.0, 72},
                 {10, 0.01, 72},  {400, 1.0, 10000}, {40, 1.0, 0}};
    for (auto [size, ratio, dpi] : cases) {
        ZRFontData data = sansData(size);
        data.sizeRatio = ratio;
        data.xResolution = dpi;
        EXPECT_EQ(font->openFont(&data), 2) << size << " x " << ratio;
        EXPECT_EQ(font->baseLine(), -1);
    }
}

TEST(TTFontTest, LinesAreCountedByLineFeeds) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(20);
    data.lineSpacing = 3;
    ASSERT_EQ(font->openFont(&data), 0);
    auto* tt = static_cast<TTFont*>(font.get());
    const int ab = lineWidth(*font, "ab", data);
    const int abcd = lineWidth(*font, "abcd", data);
    const struct {
        const char* text;
        int lines;
        int width;
    } cases[] = {
        {"ab\r\ncd", 2, std::max(ab, lineWidth(*font, "cd", data))},
        {"ab\n", 1, ab},
        {"ab\n\n", 2, ab},
        {"a\rb", 1, ab},
        {"abcd\nab", 2, abcd},
        {"", 1, 0},
    };
    for (const auto& c : cases) {
        ZRStringInfo info;
        font->getBBox(c.text, &info, &data);
        EXPECT_EQ(info.lines, c.lines) << c.text;
        EXPECT_EQ(info.width, c.width) << c.text;
        EXPECT_EQ(info.height, tt->lineHeight() * c.lines + 3 * (c.lines - 1)) << c.text;
    }
}

TEST(TTFontTest, InlineTagsActOnACopyOfTheData) {
    FontPtr font = makeFont();
    const ZRFontData data = sansData(12);
    const int x = lineWidth(*font, "x", data);
    const int ab = lineWidth(*font, "ab", data);
    const struct {
        const char* text;
        int width;
    } cases[] = {
        {"<!Font=NoSuchFont!>x", x},      {"ab<!Size=", ab},   {"ab<!Size=12", ab},
        {"<!Color=R:255,G: 0,B:0!>x", x}, {"<!Unknown!>x", x}, {"<!Size=12!><!Size=12!>x", x},
    };
    for (const auto& c : cases) {
        ZRFontData copy = data;
        ZRStringInfo info;
        font->getBBox(c.text, &info, &copy);
        EXPECT_EQ(info.width, c.width) << c.text;
        EXPECT_EQ(copy.size, 12) << c.text;
        EXPECT_EQ(copy.red, 0) << c.text;
    }

    ZRStringInfo small, big;
    ZRFontData copy = data;
    font->getBBox("Big", &small, &copy);
    font->getBBox("<!Size=30!>Big", &big, &copy);
    EXPECT_GT(big.maxAscent, small.maxAscent * 2);
    EXPECT_GT(big.width, small.width * 2);
    EXPECT_EQ(font->baseLine(), static_cast<TTFont*>(font.get())->ascent());
    EXPECT_EQ(static_cast<TTFont*>(font.get())->pixelSize(), 12) << "the caller's font again";
}

TEST(TTFontTest, GetNextCharAppliesTagsInARow) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(12);
    ASSERT_EQ(font->openFont(&data), 0);
    const QString text = "<!Size=20!><!Color=R:300,G: -5,B:0x10!>x<a";
    int position = 0;
    EXPECT_EQ(font->getNextChar(position, text, &data), QChar('x'));
    EXPECT_EQ(text[position], QChar('x'));
    EXPECT_EQ(data.size, 20);
    EXPECT_EQ(static_cast<TTFont*>(font.get())->pixelSize(), 20);
    EXPECT_EQ(data.red, 255);
    EXPECT_EQ(data.green, 0);
    EXPECT_EQ(data.blue, 16);
    ++position;
    EXPECT_EQ(font->getNextChar(position, text, &data), QChar('<'));
    position += 2;
    EXPECT_TRUE(font->getNextChar(position, text, &data).isNull());

    position = 0;
    const QString plain = "<a>";
    for (QChar expected : plain) {
        EXPECT_EQ(font->getNextChar(position, plain, &data), expected) << "not a tag";
        ++position;
    }

    position = 0;
    ZRFontData untouched = sansData(12);
    EXPECT_EQ(font->getNextChar(position, text, nullptr), QChar('x')) << "no data: tags only skip";
    EXPECT_EQ(untouched.size, 12);
}

// A copy of an installed font whose 'kern' table holds exactly `pairs`.
QString kernedFont(const QTemporaryDir& dir, const QString& name, bool withPair) {
    const QString base = fixture::installedFont("DejaVuSans.ttf");
    const uint16_t a = uint16_t(fixture::glyphIndex(base, 'A'));
    const uint16_t v = uint16_t(fixture::glyphIndex(base, 'V'));
    QList<fixture::KernPair> pairs{{1, 2, -300}};
    if (withPair) pairs.append({a, v, -100});
    const QString path = dir.filePath(name);
    fixture::writeFile(path, fixture::fontFile(fixture::withTable(fixture::readTables(base), "kern",
                                                                  fixture::kernTable(pairs))));
    return path;
}

TEST(TTFontTest, KerningPairsNarrowTheLineFrom12Pixels) {
    QTemporaryDir dir;
    const QString kerned = kernedFont(dir, "kerned.ttf", true);
    const QString plain = kernedFont(dir, "plain.ttf", false);
    FontPtr font = makeFont();
    auto* tt = static_cast<TTFont*>(font.get());

    ZRFontData data = fontData(kerned, 24);
    ASSERT_EQ(font->openFont(&data), 0);
    const int expected = int(std::floor(std::ceil(-100 * double(tt->scale())) / 64.0));
    ASSERT_LE(expected, -1);
    const int pair = lineWidth(*font, "AV", data);
    EXPECT_EQ(pair, lineWidth(*font, "A", data) + lineWidth(*font, "V", data) + expected);
    EXPECT_EQ(lineWidth(*font, "AV", fontData(plain, 24)), pair - expected);

    // The drawn pair is closer by the same amount.
    const auto drawnRight = [&](const QString& face) {
        ZRFontData d = fontData(face, 24);
        d.text = "AV";
        Canvas canvas(100, 40);
        font->renderString(canvas.bytes(), canvas.bytesPerLine(), 100, 40, &d, 0, 0, 4);
        return canvas.ink().right();
    };
    EXPECT_EQ(drawnRight(kerned), drawnRight(plain) + expected);

    ZRFontData small = fontData(kerned, 11);
    EXPECT_EQ(lineWidth(*font, "AV", small),
              lineWidth(*font, "A", small) + lineWidth(*font, "V", small))
        << "no kerning below 12 pixels";
}

TEST(TTFontTest, ColourTagChangesOnlyWhatFollows) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(24);
    data.text = "ab<!Color=R:255,G: 0,B:0!>cd";
    const int split = lineWidth(*font, "ab", data);
    for (int round = 0; round < 2; ++round) {
        Canvas canvas(160, 40);
        font->renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height,
                           &data, 0, 0, 4);
        int before = 0, after = 0;
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < canvas.width; ++x) {
                const uint32_t p = canvas.at(x, y);
                if (p == 0) continue;
                if (x < split - 1) {
                    EXPECT_EQ(p & 0xFFFFFF, 0u) << "black before the tag at " << x;
                    ++before;
                } else if (x > split + 1) {
                    EXPECT_EQ(p & 0xFFFF, 0u) << "red after the tag at " << x;
                    EXPECT_GT((p >> 16) & 0xFF, 0u);
                    ++after;
                }
            }
        }
        EXPECT_GT(before, 20);
        EXPECT_GT(after, 20);
        EXPECT_EQ(data.red, 0) << "the caller's data keeps its colour";
    }
}

TEST(TTFontTest, MeasuredBoxHoldsTheDrawnText) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(24);
    data.lineSpacing = 4;
    for (const char* text :
         {"Hello\nWorld wide", "Quite a long line\nshort", "x<!Color=R:1,G: 2,B:3!>y\nz"}) {
        data.text = text;
        ZRStringInfo box;
        font->getBBox(data.text, &box, &data);
        Canvas canvas(400, 200);
        font->renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height,
                           &data, 10, 10, 4);
        const QRect ink = canvas.ink();
        const QRect measured(10, 10, box.width, box.height);
        EXPECT_TRUE(measured.contains(ink)) << text;
        EXPECT_GE(ink.width(), box.width - 4) << text;
        EXPECT_EQ(box.lines, 2);
    }
}

TEST(TTFontTest, AlignmentPlacesEachLineInTheBox) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(24);
    data.text = "WWWWWW\ni";
    ZRStringInfo box;
    font->getBBox(data.text, &box, &data);
    const int narrow = lineWidth(*font, "i", data);
    auto* tt = static_cast<TTFont*>(font.get());
    const auto secondLineLeft = [&](int alignment) {
        data.alignment = alignment;
        Canvas canvas(400, 100);
        font->renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height,
                           &data, 20, 0, 4);
        return canvas.ink(0, QRect(0, tt->lineHeight(), 400, 100 - tt->lineHeight())).left();
    };
    const int left = secondLineLeft(1);
    EXPECT_EQ(secondLineLeft(2) - left, (box.width - narrow) >> 1);
    EXPECT_EQ(secondLineLeft(4) - left, box.width - narrow);
}

TEST(TTFontTest, OpaqueBackgroundFillsTheWholeTarget) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(20);
    data.text = "x";
    data.opaqueBackground = 1;
    data.backgroundRed = 1;
    data.backgroundGreen = 2;
    data.backgroundBlue = 3;
    data.backgroundAlpha = 0;
    Canvas canvas(40, 30);
    font->renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height, &data,
                       100, 100, 4);
    for (uint32_t p : canvas.pixels)
        ASSERT_EQ(p, 0xFF010203u);
}

TEST(TTFontTest, BadTargetsAreLeftAlone) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(30);
    data.text = "Wide text";
    font->renderString(nullptr, 400, 100, 20, &data, 0, 0, 4);

    constexpr uint32_t kUntouched = 0x5A5A5A5Au;
    const struct {
        const char* what;
        int bytesPerLine;
        int width;
        int height;
        bool withData;
        const char* text;
    } cases[] = {
        {"lines shorter than a pixel", 2, 10, 10, true, "Wide text"},
        {"a negative line length", -40, 10, 10, true, "Wide text"},
        {"no width", 40, 0, 10, true, "Wide text"},
        {"a negative width", 40, -10, 10, true, "Wide text"},
        {"no height", 40, 10, 0, true, "Wide text"},
        {"no font data", 40, 10, 10, false, "Wide text"},
        {"an empty string", 40, 10, 10, true, ""},
    };
    for (const auto& c : cases) {
        Canvas canvas(10, 10, kUntouched);
        ZRFontData copy = data;
        copy.text = c.text;
        font->renderString(canvas.bytes(), c.bytesPerLine, c.width, c.height,
                           c.withData ? &copy : nullptr, 0, 0, 4);
        EXPECT_EQ(canvas.ink(kUntouched), QRect()) << c.what;
    }

    // The text runs past ten pixels on the rows that ten rows show, so a width beyond the lines
    // would spill onto the rows below.
    Canvas full(100, 10);
    font->renderString(full.bytes(), full.bytesPerLine(), full.width, full.height, &data, 0, 0, 4);
    ASSERT_GT(full.ink(0, QRect(10, 0, 90, 10)).width(), 10);
    Canvas narrow(10, 10);
    font->renderString(narrow.bytes(), narrow.bytesPerLine(), narrow.width, narrow.height, &data, 0,
                       0, 4);
    ASSERT_FALSE(narrow.ink().isEmpty());

    // A width larger than the lines hold is cut to the lines: the rows show what a target of the
    // lines' width shows, and the rows below the target stay as they were.
    Canvas spill(10, 20);
    font->renderString(spill.bytes(), spill.bytesPerLine(), 1000, 10, &data, 0, 0, 4);
    EXPECT_TRUE(std::equal(narrow.pixels.begin(), narrow.pixels.end(), spill.pixels.begin()));
    EXPECT_EQ(spill.ink(0, QRect(0, 10, 10, 10)), QRect());
}

} // namespace
