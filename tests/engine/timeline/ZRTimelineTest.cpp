#include "engine/timeline/ZRTimeline.h"
#include "engine/process/ZREngine.h"

#include "tests/support/TestEnvironment.h"
#include "tests/support/TimelineDeleter.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

Timeline make(unsigned flags = 0, const char* base = nullptr, IZRCallbacks* callbacks = nullptr) {
    return Timeline(IZRCreateTimelineInstance(callbacks, base, flags));
}

ZRTimeline* engine(const Timeline& t) {
    return static_cast<ZRTimeline*>(t.get());
}

// Reads a name table up to its empty entry (or `limit` entries when it has none).
std::vector<std::string> names(const void* table, size_t limit = 64) {
    std::vector<std::string> out;
    const char* entry = static_cast<const char*>(table);
    for (size_t i = 0; entry && i < limit && entry[i * 50]; ++i)
        out.emplace_back(entry + i * 50);
    return out;
}

} // namespace

TEST(ZRTimeline, CategoriesFollowTheCreationFlags) {
    struct Case {
        unsigned flags;
        std::vector<std::string> categories;
    };
    const Case cases[] = {
        {0, {"Import", "Export", "Transition", "Video Effect", "Font", "2D-Text", "Solid Color"}},
        {1, {"Import", "Export", "Transition", "Video Effect"}},
        {2, {"Import", "Export", "Transition", "Font", "2D-Text", "Solid Color"}},
        {4, {"Import", "Export", "Video Effect", "Font", "2D-Text", "Solid Color"}},
    };
    for (const Case& c : cases) {
        Timeline t = make(c.flags);
        EXPECT_EQ(names(t->moduleList("classes", nullptr, 0, 0)), c.categories) << c.flags;
        const bool full = (c.flags & 1) == 0;
        EXPECT_EQ(t->moduleList("Font", nullptr, 0, 0) != nullptr, full) << c.flags;
        EXPECT_EQ(t->moduleList("2D-Text", nullptr, 0, 0) != nullptr, full) << c.flags;
        EXPECT_EQ(t->moduleList("Transition", nullptr, 0, 0) != nullptr, full && !(c.flags & 4));
        EXPECT_EQ(t->moduleList("Video Effect", nullptr, 0, 0) != nullptr, full && !(c.flags & 2));
    }
}

TEST(ZRTimeline, KindTables) {
    Timeline t = make();
    const auto imports = names(t->moduleList("Import", nullptr, 0, 0), 9);
    ASSERT_EQ(imports.size(), 8u);
    EXPECT_EQ(imports.front(), "AVI-DV 64bit");
    EXPECT_EQ(imports.back(), "GFL");
    EXPECT_EQ(static_cast<const char*>(t->moduleList("Import", nullptr, 0, 0))[8 * 50], 0);
    EXPECT_EQ(names(t->moduleList("EXPORT", nullptr, 0, 0)),
              (std::vector<std::string>{"Marvesto Modules", "MPEG", "RealMedia", "AVI-DV Multifile",
                                        "AVI"}));
    EXPECT_EQ(names(t->moduleList("Font", nullptr, 0, 0)), std::vector<std::string>{"System TT"});
    EXPECT_EQ(names(t->moduleList("2D-Text", nullptr, 0, 0)),
              std::vector<std::string>{"ZR-Engine"});
    EXPECT_NE(t->moduleList("Font", "System TT", 0, 0), nullptr);
    EXPECT_EQ(t->moduleList("Import", "DirectShow", 0, 0), nullptr);
    EXPECT_EQ(t->moduleList("Transition", "Crossfade", 0, 0), nullptr);
    EXPECT_EQ(t->moduleList("Nothing", nullptr, 0, 0), nullptr);
}

TEST(ZRTimeline, NameTableEntriesAreCutTo49Bytes) {
    ZRNameTable table(2);
    table.set(0, std::string(80, 'n'));
    EXPECT_EQ(std::string(table.entry(0)), std::string(49, 'n'));
    EXPECT_EQ(table.entry(1)[0], 0);
}

TEST(ZRTimeline, BaseFolderEndsInASeparator) {
    const struct {
        const char* given;
        const char* kept;
    } cases[] = {{"/opt/app", "/opt/app/"},
                 {"/opt/app/", "/opt/app/"},
                 {"C:\\app\\", "C:\\app\\"},
                 {"", ""},
                 {nullptr, ""}};
    for (const auto& c : cases) {
        Timeline t = make(0, c.given);
        EXPECT_STREQ(engine(t)->baseFolder().c_str(), c.kept);
    }
    Timeline own = make();
    EXPECT_FALSE(engine(own)->dataFolder().isEmpty());
    Timeline based = make(0, "/opt/app");
    EXPECT_EQ(engine(based)->dataFolder(), "/opt/app/");
}

TEST(ZRTimeline, DefaultsAndImageBuffers) {
    Timeline t = make();
    EXPECT_STREQ(t->currentPosition()->toText(), "00:00:00.00");
    EXPECT_DOUBLE_EQ(t->currentPosition()->framerate(), 30.0);
    IZRImage* first = t->imageBuffer(1);
    for (int index : {0, 1, 7, -3})
        EXPECT_EQ(t->imageBuffer(index), first);
    EXPECT_NE(t->imageBuffer(2), first);
    EXPECT_NE(t->imageBuffer(3), first);
    EXPECT_NE(t->imageBuffer(2), t->imageBuffer(3));
    EXPECT_EQ(t->settings(), static_cast<IZRSettings*>(engine(t)));
    EXPECT_TRUE(QFile::exists(engine(t)->logPath()));
    EXPECT_TRUE(engine(t)->logPath().startsWith(testsupport::homeFolder()));
}

TEST(ZRTimeline, ChangeTracker) {
    Timeline t = make();
    ZRTimeline* e = engine(t);
    IZRChangeTracker* tracker = t->changeTracker();
    tracker->markChanged("ignored while off");
    EXPECT_EQ(e->changeCount(), 0u);
    tracker->enableChangeTracking(true);
    e->noteChange("Insert Object");
    EXPECT_EQ(e->changeCount(), 1u);
    tracker->markChanged("edit");
    EXPECT_EQ(e->changeCount(), 2u);
    EXPECT_TRUE(e->isDirty());
    e->noteChange("Create Object"); // not counted while the host's change is pending
    EXPECT_EQ(e->changeCount(), 2u);
    tracker->clearDirty();
    EXPECT_FALSE(e->isDirty());
    e->noteChange("Create Object");
    EXPECT_EQ(e->changeCount(), 3u);
}

TEST(ZRTimeline, DestroyingFreesEverythingTheFactoryMade) {
    Timeline t = make();
    IZRObjectFactory* f = t->factory();
    IZRPos* p = f->createPosHMSF(0, 0, 0, 45);
    EXPECT_STREQ(p->toText(), "00:00:01.15");
    IZRPos* q = f->createPosAt(0, 0, 0, 45, 25.0);
    EXPECT_STREQ(q->toText(), "00:00:01.20");
    f->destroyPos(q);
    f->createPos();
    IZRImage* image = f->createImage(16, 8, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->stride(), 64);
    f->createEmptyImage();
    ZRGuardedList* list = f->createList();
    ASSERT_NE(list, nullptr);
    list->append(p);
    EXPECT_EQ(list->count(), 1u);
    f->createList();
    f->deleteInterfaceObject(nullptr);
    int stranger = 0;
    f->deleteInterfaceObject(&stranger); // not ours: ignored, never deleted
    f->deleteInterfaceObject(image);
    // The rest goes with the timeline; the sanitizer build reports anything left behind.
}

TEST(ZRTimeline, EngineTablesLiveFromFirstToLastTimeline) {
    ASSERT_EQ(zrEngine().timelineCount, 0);
    Timeline a = make();
    Timeline b = make(1); // not the first: the tables stay as the first one made them
    EXPECT_EQ(zrEngine().timelineCount, 2);
    EXPECT_NE(b->moduleList("2D-Text", nullptr, 0, 0), nullptr);
    a.reset();
    EXPECT_NE(b->moduleList("Classes", nullptr, 0, 0), nullptr);
    b.reset();
    EXPECT_EQ(zrEngine().timelineCount, 0);
    EXPECT_FALSE(zrEngine().categories.isMade());
    EXPECT_EQ(zrEngine().fontRegistry, nullptr);
}
