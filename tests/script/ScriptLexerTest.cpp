#include "script/ScriptLexer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The tokens of a text in a compact spelling: id:name, i:1, u:0x1F, f:1.5, d:1.5, c:97,
// s:"text", op:+, the punctuation itself, kw:if, err, and the line of each token after '@'.
std::string tokens(std::string_view text, bool lines = false) {
    std::string out;
    size_t pos = 0;
    int line = 1;
    for (int guard = 0; guard < 100; ++guard) {
        ScriptToken t;
        const size_t next = scriptNextToken(text, pos, line, t);
        std::string s;
        switch (t.kind) {
        case ScriptTokenKind::End:
            return out;
        case ScriptTokenKind::Identifier:
            s = "id:" + std::string(text.substr(t.begin, next - t.begin));
            break;
        case ScriptTokenKind::Integer:
            s = "i:" + std::to_string(t.value.i);
            break;
        case ScriptTokenKind::Unsigned: {
            char b[16];
            std::snprintf(b, sizeof b, "u:0x%X", t.value.u);
            s = b;
            break;
        }
        case ScriptTokenKind::Float:
            s = "f:" + std::to_string(t.value.f);
            break;
        case ScriptTokenKind::Double:
            s = "d:" + std::to_string(t.value.d);
            break;
        case ScriptTokenKind::Char:
            s = "c:" + std::to_string(int(t.value.c));
            break;
        case ScriptTokenKind::String:
            s = "s:\"" + t.text + "\"";
            break;
        case ScriptTokenKind::Operator:
            s = "op:" + std::string(scriptOperator(t.op).text);
            break;
        case ScriptTokenKind::Error:
            s = "err";
            break;
        case ScriptTokenKind::Global:
            s = "#global";
            break;
        case ScriptTokenKind::Include:
            s = "#include";
            break;
        case ScriptTokenKind::If:
            s = "kw:if";
            break;
        case ScriptTokenKind::Do:
            s = "kw:do";
            break;
        default:
            s = std::string(text.substr(t.begin, next - t.begin));
            break;
        }
        if (lines) s += "@" + std::to_string(line);
        out += (out.empty() ? "" : " ") + s;
        pos = next;
    }
    return out + " <runaway>";
}

struct LexCase {
    const char* text;
    const char* expected;
};

TEST(ScriptLexer, TokenTable) {
    const LexCase cases[] = {
        {"x=1.5e+3f;", "id:x op:= f:1500.000000 ;"},
        {"1.5e3", "d:1.500000 i:3"}, // no sign: the exponent ends at the e
        {"1.5f 0.5F 2.25l", "f:1.500000 f:0.500000 d:2.250000"},
        {"1.", "d:1.000000"},
        {"0X1F 0x1f 0x", "i:0 id:X1F u:0x1F i:0 id:x"},
        {"'abcd' 'a' '\\n'", "u:0x64636261 c:97 c:10"},
        {"'abcde'", "err id:e err"},
        {"/* a /* b */ c */ d", "id:d"},
        {"a % b", "id:a err id:b"},
        {"#pragma once", "id:once"},
        {"#global #include", "#global #include"},
        {"a->b ... .. ++ --x", "id:a op:-> id:b ... op:. op:. op:++ op:-- id:x"},
        {"<= >= == != && || & | += -= *= /=",
         "op:<= op:>= op:== op:!= op:&& op:|| op:& op:| op:+= op:-= op:*= op:/="},
        {"\"C:\\\\\" x", "s:\"C:\\\" id:x"}, // an escaped backslash ends the literal
        {"\"a\\\"b\"", "s:\"a\"b\""},
        {"\"a\\\n   b\"", "s:\"a   b\""}, // line continuation keeps the blanks after it
        {"\"t\\tn\\nq\\q\"", "s:\"t\tn\nq"
                             "q\""},
        {"4294967297", "i:1"}, // decimal literals wrap modulo 2^32
        {"\xEF\xBB\xBF// c\nx", "id:x"},
        {"\xEF\xBB\xBFname", "id:name"},
        {"\xEF\xBB\xBF\nx", "err id:x"},
        {"do if", "kw:do kw:if"},
        {"a\x80 b", "id:a err id:b"},
    };
    for (const LexCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(tokens(c.text), c.expected);
    }
}

TEST(ScriptLexer, CountsLineFeedsOutsideStrings) {
    EXPECT_EQ(tokens("a\n/* x\n y */ b // c\n d \"e\nf\" g", true),
              "id:a@1 id:b@3 id:d@4 s:\"e\nf\"@4 id:g@4");
}

TEST(ScriptLexer, SourceEndsIncludeExpressionAtItsLineFeed) {
    // The line feed of an #include line reads as `;`; the tokens behind it keep their lines.
    ScriptSource source("#include \"a\" + \"b\"\nx y", "");
    ASSERT_EQ(source.count(), 7u);
    EXPECT_EQ(source.at(0).kind, ScriptTokenKind::Include);
    EXPECT_EQ(source.at(0).v.stop, 4u);
    EXPECT_EQ(source.name(source.at(4)), "x");
    EXPECT_EQ(source.at(4).line, 2u);
    EXPECT_EQ(source.at(6).kind, ScriptTokenKind::End);
}

} // namespace
