#include "tests/engine/script/HostFixture.h"

#include "engine/objects/ZRObject.h"
#include "engine/script/ZRScriptFrontEnd.h"
#include "script/ScriptInterpreter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

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

// A script's process-wide definition hides the host function it names until the host
// functions are declared again; declaring again replaces records instead of adding them.
TEST_F(FrontEnd, RedeclaringReplacesWhatHidTheHostFunctions) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "#global integer puts( string s ) { return 0; }"));
    ASSERT_TRUE(run(*timeline, "puts( \"hidden\" );"));
    EXPECT_TRUE(hostRecord().output.empty());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(timeline->runScript(std::string("puts( \"host\" );").data(), true));
    EXPECT_EQ(hostRecord().output, (std::vector<std::string>(3, "host")));
    EXPECT_TRUE(hostRecord().debug.empty()) << hostRecord().debug.front();
    EXPECT_EQ(scriptRemoveGlobalFunctions("puts", "integer(string)"), 1);
    EXPECT_EQ(scriptRemoveGlobalFunctions("zrSetEffectMarkOut", "integer(integer,string)"), 1);
    // Declared again, so that later tests find them.
    ASSERT_TRUE(timeline->runScript(std::string("puts( 1 );").data(), true));
}

// A number assigned to a host function's name is refused and stores nothing: the function
// still works in the runs after it (a project file could otherwise break every later load).
TEST_F(FrontEnd, AssigningToAHostFunctionKeepsTheFunction) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "puts( 1 );"));
    EXPECT_FALSE(run(*timeline, "puts = 5;"));
    hostRecord().output.clear();
    EXPECT_TRUE(run(*timeline, "puts( \"still here\" );"));
    EXPECT_EQ(hostRecord().output, std::vector<std::string>{"still here"});
}

// Files (projects) end at the step limit with a message; texts run as long as they need.
TEST_F(FrontEnd, FileRunsEndAtTheirStepLimit) {
    auto timeline = makeTimeline();
    const std::string counting = "integer i = 0; while( i < 1000000 ) { i = i + 1; } puts( i );";
    ASSERT_TRUE(run(*timeline, counting));
    EXPECT_EQ(hostRecord().output, std::vector<std::string>{"1000000"});

    // Endless or merely long texts opened as files, each ending with the limit's message.
    const char* const hostile[] = {
        "while( 1 ) { }",
        "integer i; for( i = 0; i >= 0; i = i * 1 ) { }",
        "integer f( integer n ) { while( 1 ) { n = n + 1; } return n; } f( 1 );",
        "puts( \"first\" ); while( 1 ) { puts( 1 ); }",
        counting.c_str(),
    };
    for (const char* text : hostile) {
        SCOPED_TRACE(text);
        hostRecord() = HostRecord{};
        const std::string path = tempPath("hostile.zrs");
        std::ofstream(path, std::ios::binary) << text;
        EXPECT_FALSE(timeline->runScriptFile(path.c_str(), false));
        ASSERT_FALSE(hostRecord().output.empty());
        EXPECT_NE(hostRecord().output.back().find("step limit reached"), std::string::npos)
            << hostRecord().output.back();
    }
    EXPECT_EQ(zrscript::fileRunStepLimit(1000),
              zrscript::kFileRunBaseSteps + 1000 * zrscript::kFileRunStepsPerByte);
}

// What is not a regular file is refused at once, without waiting for a writer or reading
// endlessly.
TEST_F(FrontEnd, FilesThatAreNotRegularAreRefused) {
    auto timeline = makeTimeline();
    const std::string fifo = tempPath("project.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(timeline->runScriptFile(fifo.c_str(), false));
    EXPECT_FALSE(timeline->runScriptFile("/dev/zero", false));
    EXPECT_TRUE(hostRecord().output.empty());
    ::unlink(fifo.c_str());
}

// One size limit for what is saved and what is opened; each refusal says why.
TEST_F(FrontEnd, ProjectsOverTheSizeLimitAreRefusedWithAMessage) {
    auto timeline = makeTimeline();
    ASSERT_TRUE(run(*timeline, "integer i = 0; while( i < 100 ) { integer o = zrObjectFactory( "
                               "\"Solid Color\", \"RGB(1,2,3)\", \"\", \"\" ); zrInsertObject( "
                               "o, 1, \"00:00:00.00\" ); i = i + 1; }"));
    const std::string fits = tempPath("fits.zrs");
    ASSERT_TRUE(timeline->saveProject(fits.c_str()));
    const int64_t size = int64_t(std::filesystem::file_size(fits));

    struct SizeGuard {
        int64_t saved;
        ~SizeGuard() { zrscript::setMaxProjectBytes(saved); }
    } guard{zrscript::setMaxProjectBytes(size - 1)};
    const std::string large = tempPath("large.zrs");
    std::filesystem::remove(large); // the refusal must be what leaves no file here
    EXPECT_FALSE(timeline->saveProject(large.c_str()));
    EXPECT_FALSE(std::filesystem::exists(large));
    ASSERT_EQ(hostRecord().debug.size(), 1u);
    EXPECT_NE(hostRecord().debug[0].find("cannot save"), std::string::npos);
    EXPECT_FALSE(timeline->runScriptFile(fits.c_str(), false));
    ASSERT_EQ(hostRecord().output.size(), 1u);
    EXPECT_NE(hostRecord().output[0].find("cannot open"), std::string::npos);
    EXPECT_NE(hostRecord().output[0].find(std::to_string(size) + " bytes"), std::string::npos);

    zrscript::setMaxProjectBytes(size);
    EXPECT_TRUE(timeline->runScriptFile(fits.c_str(), false));
    EXPECT_TRUE(timeline->saveProject(large.c_str()));
}
