// Texts that a project file from outside may hold: each must end in a result or a message, never
// in a crash, an overflow of the stack or a hang. Run under the sanitizers by the asan preset.
#include "tests/script/ScriptTestHost.h"

#include "script/ScriptNatives.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string repeated(const std::string& piece, int n) {
    std::string out;
    out.reserve(piece.size() * size_t(n));
    for (int k = 0; k < n; ++k)
        out += piece;
    return out;
}

struct HostileCase {
    std::string name;
    std::string script;
    bool ok;
    std::string output; ///< expected output of a run that succeeds
    std::string errors; ///< expected messages (a part of them when `partOnly`)
    bool partOnly = false;
};

TEST(ScriptHostile, TextsEndInAResultOrAMessage) {
    const std::string nested = "expression nesting level is too much";
    const HostileCase cases[] = {
        {"execute calling a script function",
         "integer g(integer n) { out(n); return n; } execute(\"g(1);\"); out(2);", true, "1 2", ""},
        {"execute calling a script function from inside a function",
         "integer g(integer n) { return n + 1; }\n"
         "integer h() { execute(\"out(g(1)); execute(\\\"out(g(2));\\\");\"); return 0; }\n"
         "h();",
         true, "2 3", ""},
        {"150,000 prefix minus signs", "out(" + repeated("- ", 150000) + "7);", true, "7", ""},
        {"an odd number of prefix minus signs before a binary operator",
         "out(" + repeated("- ", 149999) + "7 + 1);", true, "-8", ""},
        {"prefix operators on a type", "out(- - integer);", false, "",
         "Script interpretator: illegal expression."},
        {"deep parentheses", "out(" + repeated("(", 100000) + "1" + repeated(")", 100000) + ");",
         false, "", "Script interpretator: " + nested, true},
        {"deep blocks", repeated("{", 100000) + repeated("}", 100000), false, "",
         "Script interpretator: " + nested, true},
        {"deep if statements", repeated("if (1) ", 100000) + "out(1);", false, "",
         "Script interpretator: " + nested, true},
        {"deep calls in arguments",
         "out(" + repeated("abs(", 100000) + "1" + repeated(")", 100000) + ");", false, "",
         "Script interpretator: " + nested, true},
        {"deep indexes",
         "integer a[2]; out(" + repeated("a[", 100000) + "0" + repeated("]", 100000) + ");", false,
         "", "Script interpretator: " + nested, true},
        {"deep casts", "out(" + repeated("(integer)", 20000) + "1);", true, "1", ""},
        {"deep declarator", "integer " + repeated("(", 100000) + "x" + repeated(")", 100000) + ";",
         false, "", "Script interpretator: " + nested, true},
        {"many pointer stars in a declarator", "integer " + repeated("*", 100000) + "p;", false, "",
         "Script interpretator: " + nested, true},
        {"a hundred thousand additions", "out(1" + repeated("+1", 99999) + ");", true, "100000",
         ""},
        {"a hundred thousand mixed operators", "out(2" + repeated("*1+1-1", 10000) + ");", true,
         "2", ""},
        {"a null string with a number appended", "string s; s = s + 1; s += 2; out(s);", true,
         "\"12\"", ""},
        {"a null string appended to a null string", "string s; string t; s = s + t; out(s);", true,
         "\"\"", ""},
        {"endless recursion",
         "integer f(integer n) { return f(n + 1); }\n"
         "f(0);",
         false, "", "Script interpretator: function call nesting level is too much", true},
        {"endless recursion through execute",
         "integer f() { execute(\"f();\"); return 0; }\n"
         "f();",
         true, "", "nesting level is too much", true},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ScriptRun r = runScript(c.script);
        EXPECT_EQ(r.ok, c.ok) << r.errors.substr(0, 300);
        if (c.ok) {
            EXPECT_EQ(r.output, c.output);
        }
        if (c.partOnly)
            EXPECT_NE(r.errors.find(c.errors), std::string::npos) << r.errors.substr(0, 300);
        else
            EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptHostile, DeclaratorAndStructureMessages) {
    struct MessageCase {
        const char* script;
        const char* errors;
    };
    const MessageCase cases[] = {
        {"integer\n*\n@;", "Script interpretator: lexical error (line 3)"},
        {"integer x[@];", "Script interpretator: lexical error (line 1)"},
        {"integer f(\n@);", "Script interpretator: lexical error (line 2)"},
        {"integer x @;", "Script interpretator: lexical error (line 1)"},
        {"typedef struct {\n integer a\n} S;",
         "Script interpretator: type definition syntax error (line 3)"},
        {"typedef struct {\n integer a\n integer b; } S;",
         "Script interpretator: type definition syntax error (line 3)"},
        {"integer a }", "Script interpretator: Syntax error (line 1)"},
        {"unsigned a = 0x1; unsigned b = 0x2; a = a + b;",
         "Script interpretator: specified operation not supported for this operand types."},
        {"word a; word b; a * b;",
         "Script interpretator: specified operation not supported for this operand types."},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptHostile, RecursionGoesTenThousandLevelsDeep) {
    const ScriptRun r = runScript("integer depth(integer n) { if (n == 0) return 0;"
                                  " return depth(n - 1) + 1; }\n"
                                  "out(depth(10000));");
    EXPECT_TRUE(r.ok) << r.errors.substr(0, 300);
    EXPECT_EQ(r.output, "10000");
}

int takesString(ZRScriptHost*, ScriptCall* call, void* const*, int) {
    scriptSetSlot(call->result, int32_t(0));
    return 1;
}

TEST(ScriptHostile, AHookOfAnotherSignatureIsRefusedAndForgotten) {
    ASSERT_TRUE(runScript("out(1);").ok);
    const uint32_t token = scriptRegisterNative("takesString", "integer(string)", takesString);
    const std::string hooks[] = {
        "#global integer Malloc( string s ) = 0x%X;",
        "#global integer Free( string s ) = 0x%X;",
        "#global integer OnStart( string s ) = 0x%X;",
        "#global integer OnFinish( string s ) = 0x%X;",
    };
    const char* expected[] = {
        "Script interpretator: 'Malloc' cannot be a hook: it must be declared as unsigned "
        "Malloc( unsigned size )",
        "Script interpretator: 'Free' cannot be a hook: it must be declared as integer "
        "Free( unsigned memory )",
        "Script interpretator: 'OnStart' cannot be a hook: it must be declared as integer "
        "OnStart( )",
        "Script interpretator: 'OnFinish' cannot be a hook: it must be declared as integer "
        "OnFinish( integer failed, string text )",
    };
    for (size_t k = 0; k < std::size(hooks); ++k) {
        SCOPED_TRACE(hooks[k]);
        char line[128];
        std::snprintf(line, sizeof line, hooks[k].c_str(), token);
        ScriptRun r = runScript(line, true);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, expected[k]);
        // Nothing of it is left: strings are made and runs start and finish as before, and the
        // name is no function.
        r = runScript("string s = \"a\" + 1; out(s);");
        EXPECT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.output, "\"a1\"");
        r = runScript(std::string(expected[k]).substr(23, 0) + "string t; t = \"x\";");
        EXPECT_TRUE(r.ok) << r.errors;
    }
    const ScriptRun r = runScript("Malloc(\"x\");");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: unknown function 'Malloc'.");
}

} // namespace
