#include "engine/util/ZRStringMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ZRStringMap, HashFoldsCaseOnlyWhenNotCaseSensitive) {
    EXPECT_EQ(zrStringHash("Font", false), zrStringHash("FONT", false));
    EXPECT_NE(zrStringHash("Font", true), zrStringHash("FONT", true));
    EXPECT_EQ(zrStringHash("", false), 0u);
}

TEST(ZRStringMap, CollidingKeysFindTheirOwnValues) {
    // These two texts have the same hash; each must still find its own value.
    ASSERT_EQ(zrStringHash("00:00:01.00", false), zrStringHash("00:10:01.10", false));
    int a = 1, b = 2;
    ZRStringMap<int> map(false);
    map.insert("00:00:01.00", &a);
    map.insert("00:10:01.10", &b);
    EXPECT_EQ(map.find("00:00:01.00"), &a);
    EXPECT_EQ(map.find("00:10:01.10"), &b);
    EXPECT_EQ(map.find("00:00:01.01"), nullptr);
}

TEST(ZRStringMap, CaseOfKeysMattersOnlyInCaseSensitiveMaps) {
    int v = 7;
    ZRStringMap<int> folded(false), exact(false, true);
    folded.insert("Crossfade", &v);
    exact.insert("Crossfade", &v);
    EXPECT_EQ(folded.find("CROSSFADE"), &v);
    EXPECT_EQ(exact.find("CROSSFADE"), nullptr);
    EXPECT_EQ(exact.find("Crossfade"), &v);
}

TEST(ZRStringMap, SecondInsertAddsAnEntryAndIterationIsInHashOrder) {
    ZRStringMap<std::string> map(true);
    for (const char* name : {"Verdana", "Arial", "Arial", "Tahoma"})
        map.insert(name, new std::string(name));
    EXPECT_EQ(map.count(), 4u);
    ASSERT_NE(map.find("arial"), nullptr);
    EXPECT_EQ(*map.find("arial"), "Arial");
    std::vector<uint32_t> hashes;
    for (const auto& [hash, entry] : map)
        hashes.push_back(hash);
    EXPECT_TRUE(std::is_sorted(hashes.begin(), hashes.end()));
    // The map owns its values: ASan reports a leak if the destructor does not free them.
}
