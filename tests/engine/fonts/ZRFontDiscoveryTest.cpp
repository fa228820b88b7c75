#include "engine/fonts/ZRFontDiscovery.h"

#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRFont.h"
#include "engine/fonts/ZRFontFolders.h"
#include "engine/fonts/ZRFontRegistry.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/process/ZREngine.h"

#include "tests/engine/fonts/Canvas.h"
#include "tests/engine/fonts/FontFixture.h"
#include "tests/engine/fonts/FontTestData.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// A folder with a collection of three faces and a plain font in nested folders, beside files
// that are not fonts.
class ZRFontDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto base = fixture::readTables(fixture::installedFont("DejaVuSans.ttf"));
        const auto named = [&](const char* name) {
            return fixture::withTable(base, "name", fixture::nameTable(name));
        };
        collection = dir.filePath("fonts/sub/faces.ttc");
        fixture::writeFile(collection, fixture::collectionFile({named("Fixture Face One"),
                                                                named("Fixture Face Two"),
                                                                named("Fixture Face Three")}));
        plain = dir.filePath("fonts/sub/deeper/Plain.TTF");
        fixture::writeFile(plain, fixture::fontFile(named("Fixture Plain")));
        fixture::writeFile(dir.filePath("fonts/notes.txt"), "not a font");
        fixture::writeFile(dir.filePath("fonts/broken.ttf"), QByteArray(300, 'x'));
    }

    std::map<std::string, ZRFontEntry> discover(ZRStringMap<ZRFontEntry>& registry) {
        messages.clear();
        discoverFonts(*font, {dir.filePath("fonts")}, registry,
                      [this](const char* kind, const char* text) {
                          messages.push_back(std::string(kind) + ":" + text);
                      });
        std::map<std::string, ZRFontEntry> entries;
        for (const auto& [hash, entry] : registry)
            entries[entry.key] = *entry.value;
        return entries;
    }

    QTemporaryDir dir;
    QString collection;
    QString plain;
    FontPtr font = makeFont();
    std::vector<std::string> messages;
};

TEST_F(ZRFontDiscoveryTest, EveryFaceIsRegisteredUnderItsFullName) {
    ZRStringMap<ZRFontEntry> registry(true);
    const auto entries = discover(registry);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(registry.count(), 4u);
    EXPECT_EQ(messages.size(), 4u);
    for (const char* name :
         {"Fixture Face One", "Fixture Face Two", "Fixture Face Three", "Fixture Plain"}) {
        EXPECT_NE(std::find(messages.begin(), messages.end(), std::string("Font:") + name),
                  messages.end())
            << name;
    }
    const ZRFontEntry& two = entries.at("Fixture Face Two");
    EXPECT_EQ(QString::fromUtf8(two.fileName.c_str()), collection);
    EXPECT_EQ(two.faceIndex, 1);
    EXPECT_EQ(entries.at("Fixture Face Three").faceIndex, 2);
    EXPECT_EQ(entries.at("Fixture Plain").faceIndex, 0);

    // Each entry opens the face it names.
    for (const auto& [name, entry] : entries) {
        ZRFontData data = fontData(QString::fromUtf8(entry.fileName.c_str()), 20);
        data.faceIndex = entry.faceIndex;
        ASSERT_EQ(font->openFont(&data), 0) << name;
        EXPECT_EQ(font->name(), name);
    }
}

// Installs a registry for the engine-wide lookups and removes it afterwards.
class EngineRegistry {
public:
    EngineRegistry() {
        zrEngine().fontRegistry = std::make_unique<ZRStringMap<ZRFontEntry>>(true);
        zrEngine().defaultFont = std::make_unique<ZRFontEntry>();
    }
    ~EngineRegistry() {
        zrEngine().fontRegistry.reset();
        zrEngine().defaultFont.reset();
    }
    ZRStringMap<ZRFontEntry>& registry() { return *zrEngine().fontRegistry; }
};

TEST_F(ZRFontDiscoveryTest, FontTagsSwitchToRegisteredFacesOnly) {
    EngineRegistry engine;
    discover(engine.registry());
    ZRFontData data = sansData(20);
    ASSERT_EQ(font->openFont(&data), 0);

    int position = 0;
    EXPECT_EQ(font->getNextChar(position, "<!Font=Fixture Face Two!>x", &data), QChar('x'));
    EXPECT_EQ(data.faceName, collection);
    EXPECT_EQ(data.faceIndex, 1);
    EXPECT_STREQ(font->name(), "Fixture Face Two");

    for (const char* unknown : {"<!Font=No Such Font!>x", "<!Font=fixture face two!>x"}) {
        position = 0;
        EXPECT_EQ(font->getNextChar(position, unknown, &data), QChar('x'));
        EXPECT_STREQ(font->name(), "Fixture Face Two") << unknown;
        EXPECT_EQ(data.faceIndex, 1) << unknown;
    }
}

TEST_F(ZRFontDiscoveryTest, WindowsFaceNamesFindTheirFreeTwins) {
    EngineRegistry engine;
    auto* sans = new ZRFontEntry;
    sans->fileName = "/fonts/LiberationSans-Regular.ttf";
    sans->faceIndex = 0;
    engine.registry().insert("Liberation Sans", sans);

    EXPECT_EQ(findFontEntry("Liberation Sans"), sans);
    EXPECT_EQ(findFontEntry("Arial"), sans);
    EXPECT_EQ(findFontEntry("arial"), zrEngine().defaultFont.get()) << "names are case-sensitive";
    EXPECT_EQ(findFontEntry("Times New Roman"), zrEngine().defaultFont.get());
    EXPECT_EQ(zrEngine().defaultFont->faceIndex, -1);
}

TEST_F(ZRFontDiscoveryTest, WindowsNamesAndFilesResolveToInstalledFonts) {
    EngineRegistry engine;
    discoverFonts(*font, fonts::systemFontFolders(), engine.registry(), nullptr);
    for (const char* name : {"Arial",
                             "Arial Bold",
                             "Arial Italic",
                             "Arial Bold Italic",
                             "Arial Black",
                             "Arial Narrow",
                             "Times New Roman",
                             "Times New Roman Bold",
                             "Times New Roman Bold Italic",
                             "Courier New",
                             "Courier New Bold",
                             "Verdana",
                             "Tahoma",
                             "Trebuchet MS",
                             "Comic Sans MS",
                             "Impact",
                             "Georgia",
                             "Lucida Console",
                             "MS Sans Serif",
                             "MS Gothic"}) {
        EXPECT_NE(findFontEntry(name), zrEngine().defaultFont.get()) << name;
    }
    for (const char* file : {"arial.ttf", "ARIAL.TTF", "ariblk.ttf", "times.ttf", "timesbd.ttf",
                             "cour.ttf", "verdana.ttf", "MSGOTHIC.TTC", "impact.ttf"}) {
        ZRFontData data = fontData(file, 20);
        EXPECT_EQ(font->openFont(&data), 0) << file;
    }
}

TEST_F(ZRFontDiscoveryTest, FirstTimelineRegistersProgramAndSystemFonts) {
    static std::vector<std::string> seen;
    seen.clear();
    IZRCallbacks callbacks{};
    callbacks.message = [](const char* kind, const char* text) {
        if (std::string(kind) == "Font") seen.push_back(text);
    };
    IZRTimeline* timeline =
        IZRCreateTimelineInstance(&callbacks, QFile::encodeName(dir.path()).constData(), 6);
    ASSERT_NE(timeline, nullptr);
    for (const char* name : {"Fixture Face One", "Fixture Plain", "DejaVu Sans", "Liberation Sans",
                             "Liberation Serif", "Liberation Mono"}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), name), seen.end()) << name;
        EXPECT_NE(zrEngine().fontRegistry->find(name), nullptr) << name;
    }
    EXPECT_EQ(zrEngine().fontRegistry->count(), seen.size());

    // Default markup on a fresh machine: the Windows names draw with the free fonts.
    for (const char* tag :
         {"", "<!Font=Arial!>", "<!Font=Arial Black!>", "<!Font=Times New Roman!>"}) {
        ZRFontData data;
        data.size = 30;
        data.text = QString(tag) + "Title";
        ZRStringInfo box;
        ZRFont* shared = zrProcessFont();
        shared->lock();
        shared->getBBox(data.text, &box, &data);
        Canvas canvas(400, 100);
        shared->renderString(canvas.bytes(), canvas.bytesPerLine(), 400, 100, &data, 0, 0, 4);
        shared->unlock();
        EXPECT_GT(box.width, 40) << tag;
        EXPECT_FALSE(canvas.ink().isEmpty()) << tag;
    }
    IZRDeleteTimelineInstance(timeline);
}

} // namespace
