#include "platform/text/KeyCompare.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct KeyCase {
    const char* a;
    const char* b;
    bool equal;
    bool less; ///< a before b
};

// ASCII letters fold; every other byte (UTF-8 letters included) stands as it is, so no locale
// can make 'I' and a dotless i or 'É' and 'é' the same key.
TEST(ScriptKeyCompare, FoldsAsciiLettersOnly) {
    const KeyCase cases[] = {
        {"Format", "FORMAT", true, false},
        {"import", "Import", true, false},
        {"I", "i", true, false},
        {"\xC3\x89", "\xC3\xA9", false, true}, // É, é: bytes compared as they are
        {"a_", "aB", false, true},             // '_' sorts before the folded 'b'
        {"Z", "a", false, false},              // folded: 'z' after 'a'
        {"ab", "ABC", false, true},            // a prefix comes first
        {"", "", true, false},
        {"x\xFF", "x\x01", false, false}, // bytes read unsigned
        {"@", "`", false, true},          // the neighbours of the letters do not fold
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(platform::keyEqual(c.a, c.b), c.equal);
        EXPECT_EQ(platform::keyLess(c.a, c.b), c.less);
        EXPECT_EQ(platform::keyLess(c.b, c.a), !c.equal && !c.less);
    }
}

TEST(ScriptKeyCompare, OrderedMapFindsKeysInAnyCase) {
    std::map<std::string, int, platform::KeyLess> map;
    map["SplitSize"] = 1;
    map["splitsize"] = 2; // the same key: the value is replaced
    map["Format"] = 3;
    EXPECT_EQ(map.size(), 2u);
    ASSERT_NE(map.find(std::string_view("SPLITSIZE")), map.end());
    EXPECT_EQ(map.find(std::string_view("SPLITSIZE"))->second, 2);
    EXPECT_EQ(map.find(std::string_view("formats")), map.end());
}

} // namespace
