#include "tests/engine/script/HostFixture.h"

#include "engine/api/ZRFileRequester.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// What the fake requester does when asked.
enum class Answer { Path, Cancel, Unterminated };
Answer answer = Answer::Path;
const char* answerPath = "";
const std::string kLongPath(5000, 'a');

bool fakeRequester(char* buffer, size_t size) {
    switch (answer) {
    case Answer::Path:
        if (std::strlen(answerPath) + 1 > size) return false;
        std::strcpy(buffer, answerPath);
        return true;
    case Answer::Cancel:
        std::strcpy(buffer, "/left/over");
        return false;
    case Answer::Unterminated:
        std::memset(buffer, 'x', size);
        return true;
    }
    return false;
}

struct RequestCase {
    bool installed;
    Answer answer;
    const char* path;
    std::string expected;
};

} // namespace

TEST(FileRequest, ScriptsGetThePathTheRequesterAnswers) {
    const RequestCase cases[] = {
        RequestCase{false, Answer::Path, "/never/asked.avi", ""},
        RequestCase{true, Answer::Path, "/clips/a b\xc3\xa9.avi", "/clips/a b\xc3\xa9.avi"},
        RequestCase{true, Answer::Cancel, "", ""},
        RequestCase{true, Answer::Unterminated, "", ""},
        // Longer than the engine's file names: answered as not fitting.
        RequestCase{true, Answer::Path, kLongPath.c_str(), ""},
    };
    for (const RequestCase& c : cases) {
        hostRecord() = HostRecord{};
        answer = c.answer;
        answerPath = c.path;
        ZRSetFileRequester(c.installed ? fakeRequester : nullptr);
        auto timeline = makeTimeline();
        ASSERT_TRUE(
            run(*timeline, "string s = zrFileRequester( \"Choose\" ); puts( s ); puts( 1 );"));
        EXPECT_EQ(hostRecord().output, (std::vector<std::string>{c.expected, "1"})) << c.path;
    }
    ZRSetFileRequester(nullptr);
}
