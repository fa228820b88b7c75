#include "engine/modules/ZRExportModule.h"
#include "engine/modules/ZRImageRecord.h"
#include "engine/modules/ZRModuleLocale.h"
#include "engine/modules/ZRTransitionModule.h"
#include "engine/modules/ZRVideoEffectModule.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <vector>

using namespace modulefixture;

namespace {

const QString kFade = root() + "PlugIns/videotrn/Basic/fade.so";
const QString kInvert = root() + "PlugIns/videofx/Colour/invert.so";
const QString kPlain = root() + "PlugIns/videofx/Colour/plain.so";
const QString kNoInfo = root() + "PlugIns/videofx/Colour/no_info.so";
const QString kExport = root() + "exports/expmpego.so";

// A 4 x 2 picture of one BGRA value, and the record modules see of it.
struct Picture {
    explicit Picture(uint32_t value) : pixels(8, value) {
        record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
        record.width = 4;
        record.height = 2;
        record.stride = 16;
    }
    std::vector<uint32_t> pixels;
    ZRImageRecord record{};
};

// A test hook the fixture module exports beside its entry points.
template <class Function> Function hook(const QString& module, const char* name) {
    return reinterpret_cast<Function>(QLibrary(module).resolve(name));
}

} // namespace

TEST(ZRTransitionModule, BindsAndKeepsItsOwnSettings) {
    ZRTransitionModule fade;
    ASSERT_TRUE(fade.bind(kFade));
    ASSERT_TRUE(fade.bindGUI(0));
    EXPECT_EQ(fade.name(), "Test Fade");
    EXPECT_EQ(fade.description(), "Blends the first picture into the second");
    ASSERT_TRUE(fade.hasSettings());

    int values[3] = {-1, -1, -1};
    EXPECT_TRUE(fade.parameter("transition antialias", values, 1));
    EXPECT_EQ(values[0], 1);
    EXPECT_TRUE(fade.parameter("Transition SubDivision", values, 2));
    EXPECT_EQ(values[0] * 10 + values[1], 43);
    EXPECT_TRUE(fade.parameter("Transition Pen Width", values, 1));
    EXPECT_EQ(values[0], 2);
    values[0] = -1;
    EXPECT_FALSE(fade.parameter("Transition Filter", values, 1)) << "not offered";
    EXPECT_EQ(values[0], -1);
    EXPECT_FALSE(fade.parameter("Transition Color", values, 2)) << "needs three values";

    const int colour[3] = {1, 2, 300};
    EXPECT_TRUE(fade.setParameter("Transition Color", colour, 3));
    EXPECT_FALSE(fade.setParameter("Transition Color Mode", colour, 1)) << "read only";
    EXPECT_FALSE(fade.setParameter("Transition Filter", colour, 1));

    // A second object of the same module keeps its own copy.
    ZRTransitionModule other;
    ASSERT_TRUE(other.bind(kFade) && other.bindGUI(0));

    Picture a(0xFF000000u), b(0xFFC8C8C8u), out(0);
    fade.generate(&a.record, &b.record, &out.record, 5000);
    EXPECT_EQ(out.pixels[0], 0xFF646464u);
    int applied = 0;
    auto fadeApplied = hook<const ZRTransitionSettings* (*)(int*)>(kFade, "fadeApplied");
    ASSERT_NE(fadeApplied, nullptr);
    const ZRTransitionSettings* seen = fadeApplied(&applied);
    EXPECT_EQ(seen->color[0] + seen->color[1] * 1000 + seen->color[2] * 1000000, 44002001);
    EXPECT_EQ(seen->color[3], 255);
    EXPECT_NE(seen->customConfig, nullptr) << "the module asked for a custom block";

    other.generate(&a.record, &b.record, &out.record, 10000);
    EXPECT_EQ(out.pixels[7], 0xFFC8C8C8u);
    const int before = applied;
    seen = fadeApplied(&applied);
    EXPECT_EQ(applied, before + 1);
    EXPECT_EQ(seen->color[0], 10);
}

TEST(ZRTransitionModule, ModulesWithoutTheRenderEntryDoNotBind) {
    ZRTransitionModule module;
    EXPECT_FALSE(module.bind(kInvert));
    EXPECT_FALSE(module.isLoaded());
    EXPECT_FALSE(module.bindGUI(0));
    EXPECT_FALSE(module.bind(root() + "nothing.so"));
}

TEST(ZRVideoEffectModule, SettingsTravelThroughTheBlob) {
    ZRVideoEffectModule invert;
    ASSERT_TRUE(invert.bind(kInvert));
    ASSERT_TRUE(invert.bindGUI(0));
    EXPECT_EQ(invert.name(), "Test Invert");
    EXPECT_EQ(invert.effectFlags(), 0x11);
    std::vector<int32_t>& blob = invert.settingsBlob();
    EXPECT_EQ(blob, (std::vector<int32_t>{1, 1, 2, 5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 3, 9}));

    Picture in(0xFF102030u), out(0);
    EXPECT_EQ(invert.generate(&in.record, &out.record, 50000), 1);
    EXPECT_EQ(out.pixels[3], 0xFFEFDFCFu);

    // The second item carries ten extra words; the third item's value comes after them.
    blob[1] = 0;
    for (int i = 0; i < 10; ++i)
        blob[size_t(4 + i)] = 100 + i;
    blob[15] = 42;
    EXPECT_EQ(invert.generate(&in.record, &out.record, 50000), 2);
    EXPECT_EQ(out.pixels[3], 0xFF102030u);
    int results = 0;
    auto invertTree = hook<ZRSettingTree* (*)(int*)>(kInvert, "invertTree");
    ASSERT_NE(invertTree, nullptr);
    ZRSettingTree* tree = invertTree(&results);
    EXPECT_EQ(results, 2);
    const ZRSettingItem* second = tree->firstGroup->firstItem->next;
    EXPECT_EQ(second->extra[0] + second->extra[9], 209);
    EXPECT_EQ(tree->firstGroup->next->firstItem->value, 42);

    // An id that does not match moves the blob on by one pair: the item keeps its value.
    blob[0] = 77;
    blob[1] = 1;
    EXPECT_EQ(invert.generate(&in.record, &out.record, 50000), 2);
    EXPECT_EQ(tree->firstGroup->firstItem->value, 0);

    // Leave the module's tree as the other tests expect it.
    blob[0] = 1;
    invert.generate(&in.record, &out.record, 1);
}

TEST(ZRVideoEffectModule, NoTreeAndNoInformation) {
    ZRVideoEffectModule plain;
    ASSERT_TRUE(plain.bind(kPlain));
    ASSERT_TRUE(plain.bindGUI(0));
    EXPECT_TRUE(plain.settingsBlob().empty());
    Picture in(0), out(0);
    EXPECT_EQ(plain.generate(&in.record, &out.record, 1), 3);

    ZRVideoEffectModule noInfo;
    EXPECT_TRUE(noInfo.bind(kNoInfo));
    EXPECT_FALSE(noInfo.bindGUI(0));
}

TEST(ZRExportModule, StartsEncodesAndEnds) {
    auto exportCounts = hook<void (*)(int*, int*, int*)>(kExport, "exportCounts");
    ASSERT_NE(exportCounts, nullptr);
    int frames = 0, ends = 0, configs = 0;
    exportCounts(&frames, &ends, &configs);
    const int endsBefore = ends;

    ZRExportModule module;
    ASSERT_TRUE(module.bind(kExport));
    const auto info = module.info(0, moduleLocaleString);
    ASSERT_TRUE(info);
    EXPECT_STREQ(info->name, "Test MPEG Export");
    ZRExportRecord record{};
    std::strcpy(record.fileName, "movie.mpg");
    module.config(&record);
    ASSERT_TRUE(module.start(&record, 2));
    EXPECT_NE(record.paletteRequest, 0);
    Picture frame(0);
    EXPECT_TRUE(module.encode(&frame.record, nullptr, 0));
    EXPECT_TRUE(module.encode(&frame.record, nullptr, 0));
    module.end();
    exportCounts(&frames, &ends, &configs);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(ends, endsBefore + 1);
    EXPECT_GE(configs, 1);

    std::strcpy(record.fileName, "refuse.mpg");
    EXPECT_FALSE(module.start(&record, 2));
    std::strcpy(record.fileName, "throw.mpg");
    ASSERT_TRUE(module.start(&record, 2));
    EXPECT_FALSE(module.encode(&frame.record, nullptr, 0)) << "a throwing encoder refuses";

    ZRExportModule missing;
    EXPECT_FALSE(missing.bind(kFade.left(kFade.lastIndexOf('/')) + "/none.so"));
    EXPECT_FALSE(missing.info(0, nullptr));
    EXPECT_FALSE(missing.start(&record, 1));
}

TEST(ZRModuleLocale, LinesAreFoundById) {
    QTemporaryDir folder;
    QFile file(folder.path() + "/test.loc");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("12: Hello world\r\n13:\tTabbed\n15: one\ttwo\nsee 14: inside a text\n16:");
    file.close();
    zrSetModuleLocaleFolder(folder.path() + "/");

    char buffer[64];
    moduleLocaleString(-2, buffer, sizeof buffer);
    moduleLocaleString(12, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "LOCALE-FILE NOT FOUND!");
    std::strcpy(buffer, "test.loc");
    moduleLocaleString(-1, buffer, sizeof buffer);

    struct Case {
        int32_t id;
        int32_t size;
        const char* text;
    };
    const Case cases[] = {
        {12, 64, "Hello world"},
        {12, 6, "Hello"},
        {13, 64, "Tabbed"},
        {15, 64, "one"},
        {14, 64, "inside a text"},
        {16, 64, ""},
        {99, 64, "STRING-ID NOT FOUND!"},
        {99, 7, "STRING"},
    };
    for (const Case& c : cases) {
        std::memset(buffer, 'x', sizeof buffer);
        moduleLocaleString(c.id, buffer, c.size);
        EXPECT_STREQ(buffer, c.text) << c.id << " " << c.size;
    }
    moduleLocaleString(12, nullptr, 10);
    moduleLocaleString(12, buffer, 0);

    moduleLocaleString(-2, buffer, sizeof buffer);
    moduleLocaleString(12, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "LOCALE-FILE NOT FOUND!");
    std::strcpy(buffer, "absent.loc");
    moduleLocaleString(-1, buffer, sizeof buffer);
    moduleLocaleString(12, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "LOCALE-FILE NOT FOUND!");

    // A FIFO in a locale file's place is refused at once, never waited on.
    ASSERT_EQ(mkfifo((folder.path() + "/fifo.loc").toLocal8Bit().constData(), 0600), 0);
    std::strcpy(buffer, "fifo.loc");
    moduleLocaleString(-1, buffer, sizeof buffer);
    moduleLocaleString(12, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "LOCALE-FILE NOT FOUND!");
}
