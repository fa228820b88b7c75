#include "engine/timeline/ZRSettingsTable.h"

#include <gtest/gtest.h>

namespace {

using Row = ZRSettingKey<int, int>;
constexpr Row kTable[] = {{"Mute Track", 1, 2}, {"Video Dimensions", 3, 4}};

} // namespace

TEST(ZRSettingsTable, FindsKeysWithoutRegardToCase) {
    struct Case {
        const char* key;
        const Row* expected;
    };
    const Case cases[] = {
        {"Mute Track", &kTable[0]}, {"mute track", &kTable[0]}, {"VIDEO DIMENSIONS", &kTable[1]},
        {"Mute Track ", nullptr},   {"Mute", nullptr},          {"", nullptr},
        {nullptr, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zrFindSetting(kTable, c.key), c.expected) << (c.key ? c.key : "(null)");
}

TEST(ZRSettingsTable, ChangesAreSeenByLaterReads) {
    ZRSettingsTable table;
    EXPECT_EQ(table.read([](const ZRTimelineSettingValues& v) { return v.backgroundColor[2]; }),
              255);
    const bool changed = table.change([](ZRTimelineSettingValues& v) {
        v.backgroundColor[2] = 7;
        v.autoInsertEditing = false;
        return true;
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(table.read([](const ZRTimelineSettingValues& v) { return v.backgroundColor[2]; }), 7);
    EXPECT_FALSE(table.read([](const ZRTimelineSettingValues& v) { return v.autoInsertEditing; }));
}
