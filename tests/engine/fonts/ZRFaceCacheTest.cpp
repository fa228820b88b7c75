#include "engine/fonts/ZRFaceCache.h"

#include "engine/api/ZRFont.h"

#include "tests/engine/fonts/Canvas.h"
#include "tests/engine/fonts/FontFixture.h"
#include "tests/engine/fonts/FontTestData.h"
#include "tests/support/OpenDescriptors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

bool isMapped(const QString& path) {
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly)) return false;
    return maps.readAll().contains(QFile::encodeName(path));
}

TEST(ZRFaceCacheTest, FontObjectsShareOneFaceAndOneMappingPerFile) {
    QTemporaryDir dir;
    const auto tables = fixture::readTables(fixture::installedFont("DejaVuSans.ttf"));
    const QString path = dir.filePath("pair.ttc");
    fixture::writeFile(path,
                       fixture::collectionFile(
                           {fixture::withTable(tables, "name", fixture::nameTable("First")),
                            fixture::withTable(tables, "name", fixture::nameTable("Second"))}));
    const int descriptors = openDescriptors();
    const int faces = fonts::openFaceCount();
    const int files = fonts::mappedFileCount();
    {
        FontPtr a = makeFont(), b = makeFont(), c = makeFont();
        ZRFontData first = fontData(path, 20);
        ZRFontData second = fontData(path, 30);
        second.faceIndex = 1;
        ASSERT_EQ(a->openFont(&first), 0);
        ASSERT_EQ(b->openFont(&first), 0);
        EXPECT_EQ(fonts::openFaceCount(), faces + 1);
        ASSERT_EQ(c->openFont(&second), 0);
        EXPECT_STREQ(c->name(), "Second");
        EXPECT_EQ(c->numFaces(), 2);
        EXPECT_EQ(fonts::openFaceCount(), faces + 2);
        EXPECT_EQ(fonts::mappedFileCount(), files + 1);
        EXPECT_TRUE(isMapped(path));
        EXPECT_EQ(openDescriptors(), descriptors);

        // Sizes are per object even on a shared face.
        first.text = second.text = "Hg";
        ZRStringInfo small, big;
        a->getBBox(first.text, &small, &first);
        c->getBBox(second.text, &big, &second);
        EXPECT_LT(small.height, big.height);

        ZRFontData missing = fontData(dir.filePath("gone.ttf"), 20);
        EXPECT_EQ(b->openFont(&missing), 1);
        second.faceIndex = 2;
        EXPECT_EQ(a->openFont(&second), 1) << "no such face in the collection";
    }
    EXPECT_EQ(fonts::openFaceCount(), faces);
    EXPECT_EQ(fonts::mappedFileCount(), files);
    EXPECT_FALSE(isMapped(path));
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(ZRFaceCacheTest, ThreadsDrawWithTheirOwnObjectsOnASharedFace) {
    ZRFontData data = sansData(28);
    data.text = "AVA Wave\n<!Size=18!>kerned text";
    const auto render = [&data](ZRFont& font) {
        Canvas canvas(300, 90);
        ZRFontData copy = data;
        font.renderString(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height, &copy,
                          0, 0, 4);
        return canvas.pixels;
    };
    FontPtr reference = makeFont();
    const std::vector<uint32_t> expected = render(*reference);

    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            FontPtr font = makeFont();
            for (int i = 0; i < 20; ++i) {
                if (render(*font) != expected) ++mismatches[size_t(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : mismatches)
        EXPECT_EQ(count, 0);
}

} // namespace
