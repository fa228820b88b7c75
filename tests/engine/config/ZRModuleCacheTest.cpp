#include "engine/config/ZRModuleCache.h"
#include "engine/timeline/ZRTimeline.h"

#include "tests/support/TestEnvironment.h"
#include "tests/support/TimelineDeleter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class ZRModuleCacheTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("tmp_modules.ini"); }
    QTemporaryDir m_dir{testsupport::homeFolder() + "/cacheXXXXXX"};
};

} // namespace

TEST_F(ZRModuleCacheTest, NothingBeforeTheFirstGroup) {
    ZRModuleCache cache(path());
    EXPECT_EQ(cache.firstKey(), nullptr);
    EXPECT_EQ(cache.nextKey(), nullptr);
    EXPECT_EQ(cache.readInt("k"), 0);
    EXPECT_FALSE(cache.readBool("k"));
    EXPECT_EQ(cache.readDouble("k"), 0.0);
    EXPECT_EQ(cache.readString("k"), nullptr);
    cache.writeInt("k", 1);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ZRModuleCacheTest, WritesReachTheFileAtOnce) {
    ZRModuleCache cache(path());
    ASSERT_TRUE(cache.openGroup("Export", "expmpego.dll"));
    EXPECT_EQ(contents(path()), "# Marvesto Config File\r\n") << "a group exists once written";
    cache.writeInt("Bitrate", 1150);
    EXPECT_EQ(contents(path()),
              "# Marvesto Config File\r\n[Export::expmpego.dll]\r\nBitrate=1150\r\n");
    EXPECT_EQ(cache.readInt("Bitrate"), 1150);
    cache.writeDouble("Rate", 29.97);
    cache.writeBool("Audio", true);
    cache.writeString("Name", "Profile 1");
    cache.writeString("Empty", nullptr);
    EXPECT_DOUBLE_EQ(cache.readDouble("Rate"), 29.97);
    EXPECT_TRUE(cache.readBool("Audio"));
    EXPECT_STREQ(cache.readString("Name"), "Profile 1");
    EXPECT_STREQ(cache.readString("Empty"), "");
    EXPECT_EQ(cache.readString("Absent"), nullptr);

    ZRModuleCache other(path());
    ASSERT_TRUE(other.openGroup("export", "EXPMPEGO.DLL"));
    EXPECT_EQ(other.readInt("bitrate"), 1150);
}

TEST_F(ZRModuleCacheTest, BoolsAsStored) {
    writeText(path(), "[M::m]\na=on\nb=1\nc=yes\nd=0\ne=true\n");
    ZRModuleCache cache(path());
    ASSERT_TRUE(cache.openGroup("M", "m"));
    EXPECT_TRUE(cache.readBool("a"));
    EXPECT_TRUE(cache.readBool("b"));
    EXPECT_FALSE(cache.readBool("c"));
    EXPECT_FALSE(cache.readBool("d"));
    EXPECT_TRUE(cache.readBool("e"));
}

TEST_F(ZRModuleCacheTest, KeyIterationEndsWithNull) {
    writeText(path(), "[M::m]\nfirst=1\nsecond=2\nthird=3\n[M::other]\nx=1\n");
    ZRModuleCache cache(path());
    ASSERT_TRUE(cache.openGroup("M", "m"));
    std::vector<std::string> keys;
    for (const char* key = cache.firstKey(); key; key = cache.nextKey()) {
        keys.emplace_back(key);
        // Reading a value does not disturb the key just handed out.
        EXPECT_NE(cache.readString(key), nullptr);
        EXPECT_EQ(keys.back(), key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(cache.nextKey(), nullptr);
    EXPECT_STREQ(cache.firstKey(), "first");

    ASSERT_TRUE(cache.openGroup("M", "empty"));
    EXPECT_EQ(cache.firstKey(), nullptr);
}

TEST_F(ZRModuleCacheTest, RefusedGroupNames) {
    ZRModuleCache cache(path());
    EXPECT_FALSE(cache.openGroup(nullptr, "x"));
    EXPECT_FALSE(cache.openGroup("x", nullptr));
    EXPECT_FALSE(cache.openGroup("a]b", "x"));
    EXPECT_FALSE(cache.openGroup("a", "line\nbreak"));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST(ZRTimelineModuleCache, TimelinesShareTheStateFolderFile) {
    using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;
    Timeline first(IZRCreateTimelineInstance(nullptr, nullptr, 1));
    Timeline second(IZRCreateTimelineInstance(nullptr, nullptr, 1));
    ASSERT_TRUE(first && second);
    IZRModuleConfig* a = first->moduleConfig();
    IZRModuleConfig* b = second->moduleConfig();
    EXPECT_EQ(a->firstModuleCacheKey(), nullptr);
    ASSERT_TRUE(a->openModuleCacheGroup("Export", "expmpego.dll"));
    a->writeModuleCacheInt("Bitrate", 2500);
    ASSERT_TRUE(b->openModuleCacheGroup("Export", "expmpego.dll"));
    EXPECT_EQ(b->readModuleCacheInt("Bitrate"), 2500);
    b->writeModuleCacheString("Profile", "DVD");
    a->writeModuleCacheBool("Audio", false);

    const QString file =
        static_cast<ZRTimeline*>(first.get())->logPath().section('/', 0, -2) + "/tmp_modules.ini";
    const QByteArray text = contents(file);
    EXPECT_TRUE(text.contains("Bitrate=2500\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("Profile=DVD\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("Audio=false\r\n")) << text.constData();
}

TEST(ZRTimelineLog, KernelLogIsAConfigurationFile) {
    QString log;
    {
        std::unique_ptr<IZRTimeline, TimelineDeleter> timeline(
            IZRCreateTimelineInstance(nullptr, nullptr, 1));
        log = static_cast<ZRTimeline*>(timeline.get())->logPath();
        EXPECT_TRUE(log.startsWith(testsupport::homeFolder()));
        EXPECT_TRUE(QFile::exists(log));
    }
    EXPECT_EQ(contents(log), "# Marvesto Config File\r\n");
}
