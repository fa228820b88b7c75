#include "engine/util/ZREngineString.h"

#include <gtest/gtest.h>

#include <string>

TEST(ZREngineString, GrowsInSteps256AndReusesItsBuffer) {
    ZREngineString s;
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(s.capacity(), 0);
    s = std::string(300, 'x').c_str();
    EXPECT_EQ(s.capacity(), 512);
    const char* buffer = s.c_str();
    s = "ten chars!";
    EXPECT_EQ(s.c_str(), buffer);
    EXPECT_STREQ(s.c_str(), "ten chars!");
    EXPECT_EQ(s.length(), 10);
}

TEST(ZREngineString, CopiesShareUntilWritten) {
    ZREngineString a("first");
    ZREngineString b(a);
    EXPECT_EQ(a.c_str(), b.c_str());
    b = "second";
    EXPECT_STREQ(a.c_str(), "first");
    EXPECT_STREQ(b.c_str(), "second");
    b.append('!');
    EXPECT_STREQ(a.c_str(), "first");
}

TEST(ZREngineString, SelfAssignmentAndAppendingItselfAreSafe) {
    ZREngineString s("abc");
    s = s;
    EXPECT_STREQ(s.c_str(), "abc");
    s = s.c_str() + 1;
    EXPECT_STREQ(s.c_str(), "bc");
    s.append(s);
    EXPECT_STREQ(s.c_str(), "bcbc");
    s.append(s.c_str());
    EXPECT_STREQ(s.c_str(), "bcbcbcbc");
}

TEST(ZREngineString, AppendPrependAndAt) {
    ZREngineString s("exports/x.so");
    s.prepend(ZREngineString("/opt/app/"));
    EXPECT_STREQ(s.c_str(), "/opt/app/exports/x.so");
    EXPECT_EQ(s.at(0), '/');
    EXPECT_EQ(s.at(1000), 0);
    EXPECT_EQ(s.at(-1), 0);
    ZREngineString long_;
    for (int i = 0; i < 600; ++i)
        long_.append('a');
    EXPECT_EQ(long_.length(), 600);
    EXPECT_GE(long_.capacity(), 601);
}
