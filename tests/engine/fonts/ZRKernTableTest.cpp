#include "engine/fonts/ZRKernTable.h"

#include "tests/engine/fonts/FontFixture.h"

#include <gtest/gtest.h>

namespace {

std::span<const uint8_t> bytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

TEST(ZRKernTableTest, ReadsFormat0PairsAndFindsThemInAnyFileOrder) {
    const QByteArray table = fixture::kernTable({{40, 2, -7}, {3, 9, -100}, {3, 4, 12}});
    ZRKernTable kern;
    ASSERT_EQ(kern.readDirectory(bytesOf(table)), ZRKernTable::kOk);
    EXPECT_EQ(kern.tableCount(), 1);
    ASSERT_EQ(kern.loadSubtable(0, bytesOf(table)), ZRKernTable::kOk);
    EXPECT_EQ(kern.loadSubtable(0, bytesOf(table)), ZRKernTable::kOk) << "already loaded";
    EXPECT_EQ(kern.subtables()[0].pairs->pairCount, 3);
    EXPECT_EQ(kern.pairValue(0, 3, 9), -100);
    EXPECT_EQ(kern.pairValue(0, 3, 4), 12);
    EXPECT_EQ(kern.pairValue(0, 40, 2), -7);
    EXPECT_EQ(kern.pairValue(0, 9, 3), 0);
    EXPECT_EQ(kern.pairValue(0, 0x10003, 9), 0) << "glyph indices beyond 16 bits are not keys";
    EXPECT_EQ(kern.pairValue(1, 3, 9), 0);
}

TEST(ZRKernTableTest, MalformedTablesAreRefused) {
    const QByteArray good = fixture::kernTable({{1, 2, -5}, {1, 3, -6}});
    struct Case {
        const char* name;
        QByteArray table;
        int directory;
    } cases[] = {
        {"too short", QByteArray("\0\0", 2), ZRKernTable::kNoSubtables},
        {"no subtables", QByteArray("\0\0\0\0", 4), ZRKernTable::kNoSubtables},
        {"header cut", good.left(8), ZRKernTable::kBadSubtableHeader},
        {"second header beyond the end",
         [] {
             QByteArray t = fixture::kernTable({{1, 2, -5}});
             t[3] = 2; // two subtables, only one present
             return t;
         }(),
         ZRKernTable::kBadSubtableHeader},
    };
    for (const Case& c : cases) {
        ZRKernTable kern;
        EXPECT_EQ(kern.readDirectory(bytesOf(c.table)), c.directory) << c.name;
        EXPECT_TRUE(kern.subtables().empty()) << c.name;
    }
}

TEST(ZRKernTableTest, PairsBeyondTheTableEndAreNotRead) {
    QByteArray table = fixture::kernTable({{1, 2, -5}, {1, 3, -6}, {1, 4, -7}});
    table.chop(8); // the last pair and a part of the second
    ZRKernTable kern;
    ASSERT_EQ(kern.readDirectory(bytesOf(table)), ZRKernTable::kOk);
    ASSERT_EQ(kern.loadSubtable(0, bytesOf(table)), ZRKernTable::kOk);
    EXPECT_EQ(kern.subtables()[0].pairs->pairs.size(), 1u);
    EXPECT_EQ(kern.pairValue(0, 1, 2), -5);
    EXPECT_EQ(kern.pairValue(0, 1, 3), 0);
}

TEST(ZRKernTableTest, OnlyFormat0SubtablesLoad) {
    QByteArray table = fixture::kernTable({{1, 2, -5}});
    table[8] = 2; // coverage high byte: format 2
    ZRKernTable kern;
    ASSERT_EQ(kern.readDirectory(bytesOf(table)), ZRKernTable::kOk);
    EXPECT_EQ(kern.loadSubtable(0, bytesOf(table)), ZRKernTable::kUnsupportedFormat);
    EXPECT_EQ(kern.loadSubtable(1, bytesOf(table)), ZRKernTable::kBadSubtableIndex);
    EXPECT_EQ(kern.unloadSubtable(0), ZRKernTable::kUnsupportedFormat);
    kern.release();
    EXPECT_EQ(kern.tableCount(), 0);
}

} // namespace
