#include "engine/modules/ZRModuleManager.h"
#include "engine/modules/ZRModuleRegistry.h"
#include "engine/timeline/ZRTimeline.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace modulefixture;

namespace {

using Names = std::vector<std::string>;

ZRTimeline* engine(const Timeline& t) {
    return static_cast<ZRTimeline*>(t.get());
}

std::string text(const void* answer) {
    return answer ? static_cast<const char*>(answer) : "(null)";
}

// The host's notes of modules (fonts are noted too).
Names moduleMessages() {
    Names out;
    for (const std::string& m : hostLog().messages)
        if (m.rfind("Font: ", 0) != 0) out.push_back(m);
    std::sort(out.begin(), out.end());
    return out;
}

std::string fileOf(const std::optional<QString>& path) {
    return path ? path->section('/', -3).toStdString() : "(none)";
}

} // namespace

// The import modules follow the seven built-in kinds, the first over "GFL"; files that are not
// modules, and modules without `zrPluginCall`, size the table but are never registered.
TEST(ZRModuleDiscovery, ImportModulesFollowTheBuiltinKinds) {
    Timeline t = makeTimeline();
    const char* table = static_cast<const char*>(t->moduleList("Import", nullptr, nullptr, 0));
    EXPECT_EQ(names(table), (Names{"AVI-DV 64bit", "Marvesto Modules", "Video for Windows",
                                   "DirectShow", "MPEG", "AVI Multifile", "External Video Object",
                                   "Media Import", "Media Import", "Throwing Import"}));
    // Five files in the folder: 13 slots, the last three empty.
    for (int slot = 10; slot < 13; ++slot)
        EXPECT_EQ(table[slot * 50], 0) << slot;

    EXPECT_EQ(moduleMessages(), (Names{"Import: Media Import", "Import: Media Import",
                                       "Import: Throwing Import", "Transition: Test Fade",
                                       "Video Effect: Test Invert", "Video Effect: Test Plain"}));
}

TEST(ZRModuleDiscovery, AnEmptyFolderLeavesGflAndEmptyTables) {
    QTemporaryDir empty;
    Timeline t = makeTimeline((empty.path() + "/").toUtf8().constData());
    const char* table = static_cast<const char*>(t->moduleList("Import", nullptr, nullptr, 0));
    EXPECT_EQ(names(table, 9).back(), "GFL");
    EXPECT_EQ(table[8 * 50], 0);
    EXPECT_EQ(names(t->moduleList("Transition", nullptr, nullptr, 0)), Names{});
    EXPECT_EQ(names(t->moduleList("Video Effect", nullptr, nullptr, 0)), Names{});
    EXPECT_FALSE(ZRModuleManager::modulePath("Import", "Media Import", nullptr));
    EXPECT_TRUE(moduleMessages().empty());
}

// Groups, their modules and an entry's description; "CVS" is no group, categories and keys are
// compared without regard to case, and a module without `moduleInfo20` is left out.
TEST(ZRModuleDiscovery, GroupsListTheirModulesAndDescribeEntries) {
    Timeline t = makeTimeline();
    EXPECT_EQ(names(t->moduleList("Transition", nullptr, nullptr, 0)), Names{"Basic"});
    EXPECT_EQ(names(t->moduleList("Video Effect", nullptr, nullptr, 0)), Names{"Colour"});
    EXPECT_EQ(names(t->moduleList("Transition", "Basic", nullptr, 0)), Names{"Test Fade"});
    EXPECT_EQ(names(t->moduleList("video effect", "COLOUR", nullptr, 0)),
              (Names{"Test Invert", "Test Plain"}));
    EXPECT_EQ(text(t->moduleList("TRANSITION", "basic", "test fade", 0)),
              "Blends the first picture into the second");
    EXPECT_EQ(text(t->moduleList("Video Effect", "Colour", "Test Invert", 0)),
              "Inverts the picture");
    EXPECT_EQ(text(t->moduleList("Video Effect", "Colour", "Test Plain", 0)), "");
    EXPECT_EQ(t->moduleList("Transition", "CVS", nullptr, 0), nullptr);
    EXPECT_EQ(t->moduleList("Transition", "Nowhere", nullptr, 0), nullptr);
    EXPECT_EQ(t->moduleList("Transition", "Basic", "No Such Entry", 0), nullptr);
    EXPECT_EQ(t->moduleList("Import", "Media Import", nullptr, 0), nullptr);
}

TEST(ZRModuleDiscovery, FindModuleByKindAndNames) {
    Timeline t = makeTimeline();
    ZRModuleManager& manager = engine(t)->moduleManager();
    struct Case {
        const char* kind;
        const char* a;
        const char* b;
        int mode;
        const char* answer; // a path's last three parts, a name, or null
    };
    const Case cases[] = {
        {"Transition", "Basic", "Test Fade", 0, "videotrn/Basic/fade.so"},
        {"TRANSITION", "BASIC", "TEST FADE", 0, "videotrn/Basic/fade.so"},
        {"Transition", "Basic", "Test Fade", 1, "Test Fade"},
        {"Transition", "Basic", "Test Fade", 2, "Blends the first picture into the second"},
        {"Video Effect", "Colour", "Test Plain", 0, "videofx/Colour/plain.so"},
        {"Import", "Throwing Import", nullptr, 0, "PlugIns/import/throwing.so"},
        {"Import", "Throwing Import", "", 1, "Throwing Import"},
        {"Import", "Throwing Import", nullptr, 2, nullptr},
        {"Transition", "Test Fade", nullptr, 0, nullptr},
        {"Import", "Nothing", nullptr, 0, nullptr},
        {"Export", "MPEG", nullptr, 0, nullptr},
    };
    for (const Case& c : cases) {
        const char* answer = manager.findModule(c.kind, c.a, c.b, c.mode);
        std::string got = answer ? answer : "(null)";
        if (answer && c.mode == 0) got = QString::fromUtf8(answer).section('/', -3).toStdString();
        EXPECT_EQ(got, c.answer ? c.answer : "(null)") << c.kind << "::" << c.a << " " << c.mode;
    }
}

// Every import kind the engine suggests leads to the media import module.
TEST(ZRModuleDiscovery, SuggestedImportKindsReachTheMediaImportModule) {
    Timeline t = makeTimeline();
    for (const char* kind : {"DirectShow", "DV-AVI", "DV-AVI Multifile", "MPEG", "MPEG Multifile",
                             "DIF", "Misc", "misc"}) {
        const std::string file = fileOf(ZRModuleManager::modulePath("Import", kind, nullptr));
        EXPECT_TRUE(file == "PlugIns/import/counting.so" ||
                    file == "PlugIns/import/counting_twin.so")
            << kind << ": " << file;
    }
    EXPECT_EQ(fileOf(ZRModuleManager::modulePath("Import", "GFL", nullptr)), "(none)");
    EXPECT_EQ(fileOf(ZRModuleManager::modulePath("Import", "MPEG", "More")), "(none)");
}

// A new first timeline scans again: the registry is rebuilt, not added to, and a second
// timeline alive beside the first answers the same groups.
TEST(ZRModuleDiscovery, ScanIsRebuiltForEachFirstTimeline) {
    for (int round = 0; round < 2; ++round) {
        Timeline first = makeTimeline();
        Timeline second = makeTimeline();
        EXPECT_TRUE(hostLog().messages.empty()) << "the second timeline does not scan";
        EXPECT_EQ(names(second->moduleList("Transition", "Basic", nullptr, 0)), Names{"Test Fade"});
        EXPECT_EQ(names(second->moduleList("Import", nullptr, nullptr, 0)).size(), 10u);
    }
    // Only one entry stands under each key: forgetting it leaves nothing behind.
    Timeline t = makeTimeline();
    ZRModuleRegistry& registry = ZRModuleRegistry::instance();
    const std::string key = ZRModuleRegistry::key("Import", "Throwing Import", "");
    ASSERT_TRUE(registry.find(key));
    t.reset();
    t = makeTimeline((QDir::tempPath() + "/no-such-folder/").toUtf8().constData());
    EXPECT_FALSE(registry.find(key));
}

TEST(ZRModuleDiscovery, CreationFlagsLeaveOutTransitionsAndEffects) {
    Timeline t = makeTimeline(nullptr, 4);
    EXPECT_FALSE(ZRModuleManager::modulePath("Transition", "Basic", "Test Fade"));
    EXPECT_TRUE(ZRModuleManager::modulePath("Video Effect", "Colour", "Test Invert"));
    t.reset();
    t = makeTimeline(nullptr, 1);
    EXPECT_FALSE(ZRModuleManager::modulePath("Video Effect", "Colour", "Test Invert"));
    EXPECT_TRUE(ZRModuleManager::modulePath("Import", "Throwing Import", nullptr));
}

TEST(ZRModuleDiscovery, ModuleFilePathOfBuiltinKinds) {
    Timeline t = makeTimeline();
    ZRTimeline* timeline = engine(t);
    EXPECT_EQ(std::string(timeline->moduleFilePath("Export", "ASF", nullptr).c_str()),
              rootUtf8() + "exports/expwmf.so");
    EXPECT_EQ(std::string(timeline->moduleFilePath("import", "gfl", nullptr).c_str()),
              rootUtf8() + "PlugIns/import/impgfl.so");
    EXPECT_TRUE(hostLog().debug.empty());

    EXPECT_TRUE(timeline->moduleFilePath("Export", "Nothing", nullptr).empty());
    EXPECT_FALSE(timeline->moduleFilePath("Import", "MPEG", "Third").empty());
    EXPECT_TRUE(timeline->moduleFilePath("Import", "Nothing", "Third").empty());
    EXPECT_EQ(hostLog().debug, (Names{"Could not find module for Export::Nothing\n",
                                      "Could not find module for Import::Nothing::Third\n"}));
}
