#include "platform/segments/ZRSegmentList.h"
#include "tests/platform/segments/SegmentFixture.h"
#include "tests/support/FullDisk.h"

#include <gtest/gtest.h>

using segments::ZRSegmentList;
using namespace segmentfixture;

namespace {

struct ListCase {
    const char* what;
    std::string text;
    std::vector<std::string> names; ///< empty with `fails`
    bool fails = false;
};

TEST(ZRSegmentList, ReadsEntriesAsTheirBareNamesInTheListsFolder) {
    const ListCase cases[] = {
        {"name, size", "OVMP\r\na.mpg; 100\r\nb.mpg; 200", {"a.mpg", "b.mpg"}},
        {"bare name", "OVDV\r\na.avi\r\nb.avi; 7", {"a.avi", "b.avi"}},
        {"magic again", "OVMP\r\na.mpg; 1\r\nOVMP\r\nb.mpg; 2", {"a.mpg", "b.mpg"}},
        {"LF only", "OVMP\na.mpg; 1\nb.mpg; 2\n", {"a.mpg", "b.mpg"}},
        {"paths",
         "OVMP\r\n/elsewhere/a.mpg; 1\r\nC:\\capture\\b.mpg; 2\r\nsub/c.mpg",
         {"a.mpg", "b.mpg", "c.mpg"}},
        {"folders", "OVMP\r\n..\r\n.\r\n../..\r\nsub/\r\n;5\r\nok.mpg", {"ok.mpg"}},
        {"blank lines", "OVMP\r\n\r\n   \r\na.mpg ; 3\r\n\r\n", {"a.mpg"}},
        {"semicolon in the path", "OVMP\r\nx;/y/z.mpg\r\nd;e.mpg", {"x", "d"}},
        {"order kept", "OVMP\r\nz.mpg\r\na.mpg\r\nm.mpg", {"z.mpg", "a.mpg", "m.mpg"}},
        {"magic only", "OVDV", {}},
        {"no magic", "a.mpg; 1\r\nb.mpg; 2", {}, true},
        {"lower-case magic", "ovmp\r\na.mpg", {}, true},
        {"empty", "", {}, true},
    };
    for (const ListCase& c : cases) {
        std::string error;
        const auto list = ZRSegmentList::parse(c.text, "/media/capture", &error);
        ASSERT_EQ(!list, c.fails) << c.what;
        if (!list) {
            EXPECT_FALSE(error.empty()) << c.what;
            continue;
        }
        std::vector<std::string> names;
        for (const auto& entry : list->entries()) {
            names.push_back(entry.name);
            EXPECT_EQ(entry.path, "/media/capture/" + entry.name) << c.what;
        }
        EXPECT_EQ(names, c.names) << c.what;
    }
}

TEST(ZRSegmentList, WritesTheWrittenFormByteForByteAndReadsItBack) {
    const std::string a = folder() + "list_a.avi";
    const std::string b = folder() + "list_b.avi";
    writeText(a, std::string(1234, 'x'));
    writeText(b, "");
    const std::string list = folder() + "written.ovl";
    ASSERT_TRUE(
        ZRSegmentList::writeFile(list, ZRSegmentList::Kind::DV, {a, b, folder() + "missing.avi"}));
    const Bytes bytes = readAll(list);
    const std::string expected = "OVDV\r\nlist_a.avi; 1234\r\nlist_b.avi; 0\r\nmissing.avi; 0";
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);

    std::string error;
    const auto read = ZRSegmentList::read(list, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->kind(), ZRSegmentList::Kind::DV);
    ASSERT_EQ(read->entries().size(), 3u);
    // The empty and the missing segment are kept as entries but not played.
    EXPECT_EQ(read->readableSegments(), std::vector<std::string>{a});
}

TEST(ZRSegmentList, ARewriteThatFailsMidwayKeepsTheOldList) {
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i)
        paths.push_back(folder() + "a_rather_long_segment_name_" + std::to_string(i) + ".mpg");
    const std::string list = folder() + "kept.mvl";
    const std::string old = "OVMP\r\nold.mpg; 5";
    writeText(list, old);
    // Room for a little of the new list only.
    EXPECT_TRUE(testsupport::onFullDisk(
        1024, [&] { return !ZRSegmentList::rewrite(list, ZRSegmentList::Kind::Mpeg, paths); }));
    const Bytes after = readAll(list);
    EXPECT_EQ(std::string(after.begin(), after.end()), old);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(list + ".part")));
    // With room, it is replaced.
    ASSERT_TRUE(ZRSegmentList::rewrite(list, ZRSegmentList::Kind::Mpeg, {paths[0]}));
    const Bytes now = readAll(list);
    EXPECT_EQ(std::string(now.begin(), now.end()), "OVMP\r\na_rather_long_segment_name_0.mpg; 0");
}

TEST(ZRSegmentList, ReadingFailsClearlyOnWhatIsNoList) {
    std::string error;
    EXPECT_FALSE(ZRSegmentList::read(folder() + "nowhere.mvl", &error));
    EXPECT_NE(error.find("nowhere.mvl"), std::string::npos);
    error.clear();
    EXPECT_FALSE(ZRSegmentList::read(folder(), &error)) << "a folder is no list";
    EXPECT_FALSE(error.empty());
}

} // namespace
