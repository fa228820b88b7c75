#include "platform/cdwriter/VcdLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vcdlines::BuildLine;

// vcdxbuild's lines as it prints them with --progress --gui, and lines that must give nothing.
TEST(VcdLines, BuildLinesAsVcdxbuildPrintsThem) {
    struct Case {
        const char* line;
        bool parses;
        BuildLine::Kind kind;
        int entry;
        int64_t position, size;
        const char* text;
    };
    const Case cases[] = {
        {R"(<progress operation="scan" id="sequence-00" position="4648" size="343952" />)", true,
         BuildLine::Kind::Scan, 0, 4648, 343952, ""},
        {R"(  <progress operation="scan" id="sequence-12" position="0" size="10" />)", true,
         BuildLine::Kind::Scan, 12, 0, 10, ""},
        {R"(<progress operation="scan" id="odd" position="0" size="10" />)", true,
         BuildLine::Kind::Scan, -1, 0, 10, ""},
        {R"(<progress operation="write" position="823" size="673" />)", true,
         BuildLine::Kind::Write, -1, 823, 673, ""},
        {R"(<log level="information">writing track 1 (ISO9660)...</log>)", true,
         BuildLine::Kind::Log, -1, 0, 0, "writing track 1 (ISO9660)..."},
        {R"(<log level="warning">a &lt;b&gt; &amp;amp;</log>)", true, BuildLine::Kind::Log, -1, 0,
         0, "a <b> &amp;"},
        {R"(<progress operation="scan" id="sequence-00" position="-4" size="10" />)", false,
         BuildLine::Kind::Log, 0, 0, 0, ""},
        {R"(<progress operation="scan" id="sequence-00" position="99999999999999999999" size="1" />)",
         false, BuildLine::Kind::Log, 0, 0, 0, ""},
        {R"(<progress operation="burn" position="1" size="2" />)", false, BuildLine::Kind::Log, 0,
         0, 0, ""},
        {R"(<progress operation="write" position="1" />)", false, BuildLine::Kind::Log, 0, 0, 0,
         ""},
        {R"(<progress operation="write" position="1 size="2" />)", false, BuildLine::Kind::Log, 0,
         0, 0, ""},
        {R"(<log level="x">unterminated)", false, BuildLine::Kind::Log, 0, 0, 0, ""},
        {"(Super) VideoCD xml description created successfully", false, BuildLine::Kind::Log, 0, 0,
         0, ""},
        {"", false, BuildLine::Kind::Log, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::optional<BuildLine> parsed = vcdlines::parseBuildLine(c.line);
        ASSERT_EQ(parsed.has_value(), c.parses);
        if (!parsed) continue;
        EXPECT_EQ(parsed->kind, c.kind);
        EXPECT_EQ(parsed->text, c.text);
        if (c.kind != BuildLine::Kind::Log) {
            EXPECT_EQ(parsed->entry, c.entry);
            EXPECT_EQ(parsed->position, c.position);
            EXPECT_EQ(parsed->size, c.size);
        }
    }
    EXPECT_EQ(vcdlines::finishedSectors("finished ok, image created with 823 sectors [00:10:73]"),
              823);
    EXPECT_FALSE(vcdlines::finishedSectors("finished ok, image created with many sectors"));
    EXPECT_FALSE(vcdlines::finishedSectors("writing track 2"));
}

// A recorded cdrdao write: its progress lines end with CR (rewritten in place) or LF, and split
// across reads anywhere; every other line gives no progress.
TEST(VcdLines, RecordedCdrdaoOutputGivesItsProgress) {
    const std::string recorded = "Cdrdao version 1.2.4 - (C) Andreas Mueller <andreas@daneb.de>\n"
                                 "ATAPI: 0, 0, 0: WRITER CD-RW 1.0\n"
                                 "Starting write at speed 8...\n"
                                 "Writing track 01 (mode MODE2_RAW/MODE2_RAW)...\n"
                                 "Wrote 0 of 1 MB (Buffers 100%  98%).\r"
                                 "Wrote 1 of 1 MB (Buffers 100%  97%).\r"
                                 "Writing track 02 (mode MODE2_RAW/MODE2_RAW)...\n"
                                 "Wrote 2 of 2 MB (Buffers 100%  95%).\n"
                                 "Wrote 7 of 3 MB.\n"
                                 "Wrote x of 3 MB.\n"
                                 "Flushing cache...\n";
    std::vector<std::pair<int64_t, int64_t>> progress;
    std::string pending;
    // Reads of 7 bytes cut lines at arbitrary places.
    for (size_t at = 0; at < recorded.size(); at += 7) {
        vcdlines::splitLines(pending, std::string_view(recorded).substr(at, 7),
                             [&](std::string_view line) {
                                 if (auto p = vcdlines::parseCdrdaoLine(line))
                                     progress.emplace_back(p->doneMB, p->totalMB);
                             });
    }
    const std::vector<std::pair<int64_t, int64_t>> expected{{0, 1}, {1, 1}, {2, 2}};
    EXPECT_EQ(progress, expected);
    EXPECT_TRUE(pending.empty());
}

TEST(VcdLines, AnUnendedLineIsCappedNotGrown) {
    std::string pending;
    int lines = 0;
    const std::string block(vcdlines::kMaxLine, 'x');
    for (int i = 0; i < 3; ++i)
        vcdlines::splitLines(pending, block, [&](std::string_view) { ++lines; });
    EXPECT_EQ(pending.size(), vcdlines::kMaxLine);
    EXPECT_EQ(lines, 0);
}
