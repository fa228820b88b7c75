#include "HostFixture.h"

#include "objects/ZRObject.h"
#include "script/host/ZRScriptFrontEnd.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override { hostRecord() = HostRecord{}; }
    void TearDown() override { ZRPos::setDefaultFrameRate(30.0); }
};

} // namespace

// Runs first in this program: no run has declared the host functions yet.
TEST_F(FrontEnd, LineBeforeAnyRunCannotCallHostFunctions) {
    if (zrscript::hostFunctionsAvailable()) GTEST_SKIP() << "declared by an earlier test";
    auto timeline = makeTimeline();
    EXPECT_FALSE(timeline->runScriptLine("zrClearTimeline();"));
    ASSERT_EQ(hostRecord().output.size(), 1u);
    EXPECT_NE(hostRecord().output[0].find("zrClearTimeline"), std::string::npos);
}

TEST_F(FrontEnd, FirstRunDeclaresAndLaterRunsCallWithoutRedeclaring) {
    auto timeline = makeTimeline();
    EXPECT_TRUE(run(*timeline, "puts( \"hello\" ); puts( 3 ); puts( 0.5f );"));
    EXPECT_TRUE(hostRecord().debug.empty()) << hostRecord().debug.front();
    EXPECT_TRUE(run(*timeline, "puts( 4 );"));
    EXPECT_TRUE(timeline->runScriptLine("puts( %d );", 5));
    EXPECT_EQ(hostRecord().output, (std::vector<std::string>{"hello", "3", "0.500000", "4", "5"}));
    EXPECT_EQ(zrscript::engine(), timeline.get());
}

TEST_F(FrontEnd, FailedRunReportsItsErrorAndKeepsWhatItDid) {
    auto timeline = makeTimeline();
    EXPECT_FALSE(run(*timeline,
                     "integer o = zrObjectFactory( \"Solid Color\", \"RGB(1,2,3)\", "
                     "\"\", \"\" ); zrInsertObject( o, 1, \"00:00:00.00\" ); nonsense("));
    EXPECT_EQ(hostRecord().output.size(), 1u);
    EXPECT_NE(timeline->track(1, true), nullptr);
    EXPECT_EQ(hostRecord().inserted, std::vector<int>{1});
}

// Host functions act on the timeline that declared last; a destroyed one is forgotten, and the
// next run on another timeline takes its place instead of acting on nothing.
TEST_F(FrontEnd, EnginePointerFollowsDeclarationsAndDestruction) {
    auto a = makeTimeline();
    auto b = makeTimeline();
    const std::string insert = "integer o = zrObjectFactory( \"Solid Color\", \"RGB(0,0,0)\", "
                               "\"\", \"\" ); zrInsertObject( o, 2, \"00:00:00.00\" );";
    ASSERT_TRUE(b->runScript(std::string("puts( 1 );").data(), false));
    ASSERT_TRUE(a->runScript(std::string("puts( 1 );").data(), true));
    ASSERT_TRUE(run(*b, insert));
    EXPECT_NE(a->track(2, true), nullptr);
    EXPECT_EQ(b->track(2, true), nullptr);
    a.reset();
    EXPECT_EQ(zrscript::engine(), nullptr);
    ASSERT_TRUE(run(*b, insert));
    EXPECT_NE(b->track(2, true), nullptr);
    EXPECT_EQ(zrscript::engine(), b.get());
}

TEST_F(FrontEnd, ScriptFiles) {
    auto timeline = makeTimeline();
    EXPECT_FALSE(timeline->runScriptFile(tempPath("missing.zrs").c_str(), false));
    EXPECT_FALSE(timeline->runScriptFile(tempPath("").c_str(), false)); // a folder
    EXPECT_TRUE(hostRecord().output.empty());
    const std::string path = tempPath("crlf.zrs");
    {
        std::ofstream file(path, std::ios::binary);
        file << "\xEF\xBB\xBFputs( \"a\" );\r\nstring s = \"x\r\ny\";\r\nputs( s );\r\n";
    }
    EXPECT_TRUE(timeline->runScriptFile(path.c_str(), false));
    EXPECT_EQ(hostRecord().output, (std::vector<std::string>{"a", "x\ny"}));
    EXPECT_FALSE(timeline->runScriptFile("/dev/null/none", false));
}

TEST_F(FrontEnd, ScriptInfoIsReadOnlyWhenGiven) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "ZRScriptInfo *none = 0; zrScriptInit( none );"))
        << ::testing::PrintToString(hostRecord().output)
        << ::testing::PrintToString(hostRecord().debug);
    EXPECT_TRUE(hostRecord().infos.empty());
    ASSERT_TRUE(run(*timeline, "ZRScriptInfo info; info.name = \"n\"; info.author = \"a\"; "
                               "info.version = 1.5f; zrScriptInit( &info );"));
    EXPECT_EQ(hostRecord().infos, std::vector<std::string>{"n|(null)|(null)|a|1.5"});
}

TEST_F(FrontEnd, BadHandlesDoNothingWithOneDebugLine) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "integer e = zrEffectFactory( \"Mask\", \"\", \"\" );"
                               "zrInsertObject( e, 1, \"00:00:00.00\" );"
                               "zrSetObjectName( 12345, \"x\" );"
                               "zrSetEffectMarkIn( 0, \"00:00:01.00\" );"
                               "zrInsertObject( 0, 1, \"00:00:00.00\" );"));
    EXPECT_EQ(hostRecord().debug.size(), 2u);
    EXPECT_TRUE(hostRecord().inserted.empty());
    EXPECT_EQ(timeline->track(1, true), nullptr);
    // A handle of a destroyed object names nothing, even to a later object.
    ASSERT_TRUE(run(*timeline, "integer o = zrObjectFactory( \"Solid Color\", \"\", \"\", \"\" );"
                               "zrInsertObject( o, 1, \"00:00:00.00\" ); zrClearTimeline();"
                               "integer p = zrObjectFactory( \"Solid Color\", \"\", \"\", \"\" );"
                               "zrInsertObject( o, 3, \"00:00:00.00\" );"));
    EXPECT_EQ(timeline->track(3, true), nullptr);
    EXPECT_EQ(hostRecord().debug.size(), 3u);
}

TEST_F(FrontEnd, PixelCopiesStayInsideScriptMemory) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "char x[16]; char y[16]; char *a = &x[0]; char *b = &y[0];"
                               "a[0] = 'x'; a[15] = 'y';"
                               "fxCopyPixelBlock( a, b, 2, 2 ); integer r = b[15]; puts( r );"
                               "fxCopyPixelBlock( a, b, 0, 10 ); fxCopyPixel( a, b, 5 );"
                               "fxCopyPixel( a, b, -1 ); fxCopyPixelBlock( a, b, 65536, 65536 );"
                               "puts( 1 );"))
        << ::testing::PrintToString(hostRecord().output);
    EXPECT_EQ(hostRecord().output, (std::vector<std::string>{"121", "1"}));
}

TEST_F(FrontEnd, PositionsReadAtTheProjectRate) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "zrSetSetting( \"Framerate\", 25 );"
                               "integer o = zrObjectFactory( \"Solid Color\", \"\", \"\", \"\" );"
                               "zrSetObjectMarkIn( o, \"00-00-01/15\" );"
                               "zrInsertObject( o, 1, \"00:00:00.00\" );"));
    auto* object = static_cast<IZRObject*>(timeline->track(1, true)->first());
    EXPECT_STREQ(object->markIn()->toText(), "00:00:01.15");
    EXPECT_DOUBLE_EQ(object->markIn()->framerate(), 25.0);
}
