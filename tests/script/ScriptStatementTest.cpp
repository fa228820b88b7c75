#include "tests/script/ScriptTestHost.h"

#include "script/ScriptMemory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using Case = ScriptCase;

TEST(ScriptStatements, ControlFlow) {
    const Case cases[] = {
        {"integer x; if (0) x = 1; else x = 2; out(x);", "2"},
        {"if (0) nothing(); else out(2);", "2"}, // the branch not taken is only read
        {"if (0.5) out(1); else out(0);", "0"},  // the condition converts to the integer 0
        {"if (1) if (0) out(1); else out(2);", "2"},
        {"integer i = 0; while (i < 3) { i += 1; if (i == 2) break; } out(i);", "2"},
        {"integer i; integer n = 0; for (i = 0; i < 3; i += 1) n += i; out(n); out(i);", "3 3"},
        {"integer i; integer j; for (i = 0, j = 10; i < j; i += 1, j -= 1) ; out(i);", "5"},
        {"integer i; for (i = 0; i < 10; i += 1) { if (i == 4) break; } out(i);", "4"},
        {"integer a; integer b; integer c; { a = 1; { b = 2; } c = 3; } out(a + b + c);", "6"},
        {"integer i = 0; while (i < 3) { integer t = i * 10; i += 1; } out(t);", "20"},
        {"out(1); return 5; out(2);", "1"},
        {"integer x = 1; out(x)", "1"}, // the end of the text ends a statement
        {"(out(1)); out(2);", "1 2"},
        {"integer i = 0; while (i < 5) { i += 1; if (i < 3) { out(i); } }", "1 2"},
        {";;{};", ""},
    };
    expectOutputs(cases);
}

TEST(ScriptStatements, StructuresAndTypedefs) {
    const Case cases[] = {
        {"typedef struct { integer a; string b; } Pair; Pair p; Pair *q = &p; q = q + 1;"
         " out((integer)q - (integer)&p);",
         "12"}, // fields are packed: 4 + 8 bytes
        {"typedef struct { integer x; integer y; } Pt; typedef struct { Pt a; Pt b; } Line;"
         " Line l; l.b.y = 3; out(l.b.y); Line *p = &l; p->a.x = 4; out(l.a.x); out(p->b.y);",
         "3 4 3"},
        {"typedef struct { Node *next; integer v; } Node; Node a; Node b; a.v = 1; b.v = 2; a.next "
         "= &b;"
         " out(a.next->v); a.next->next = &a; out(a.next->next->v);",
         "2 1"},
        {"typedef integer Handle; Handle h = 5; integer i = h; out(i);",
         "5"}, // raw copy of 4 bytes
        {"typedef integer Row[3]; Row r; r[2] = 7; out(r[2]);", "7"},
        {"typedef struct { integer a; } S; typedef struct { integer a; integer b; } S; S s; s.b = "
         "1; out(s.b);",
         "1"},
        {"typedef struct { integer v[3]; string n; } Rec; Rec r; r.v[2] = 6; r.n = \"k\"; Rec c; c "
         "= r;"
         " out(c.v[2]); out(c.n);",
         "6 \"k\""},
    };
    expectOutputs(cases);
}

TEST(ScriptStatements, Functions) {
    const Case cases[] = {
        {"integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); } "
         "out(fib(15));",
         "610"},
        {"float half(float f) { return f / 2; } out(half(3.0f));", "1.5f"},
        {"integer f(integer i) { return 2.9999999; } out(f(0));",
         "3"},                                               // converted to the result type
        {"integer f(integer i) { i = 0; } out(f(4));", "0"}, // no return: zero
        {"anytype f(integer i) { if (i) return \"s\"; return 1.5; } out(f(1)); out(f(0));",
         "\"s\" 1.5"},
        {"string g = \"top\"; integer f() { out(g); integer g = 1; out(g); } f(); out(g);",
         "\"top\" 1 \"top\""},
        {"integer f(integer a) { return a + 1; } integer f(integer a) { return a + 2; } out(f(0));",
         "2"},
        {"integer f(string s) { return 1; } integer f(integer i) { return 2; } out(f(\"a\")); "
         "out(f(3));",
         "1 2"},
        {"integer f(integer a) { integer i; for (i = 0; i < 10; i += 1) { if (i == a) return i * "
         "10; } return -1; }"
         " out(f(3)); out(f(20));",
         "30 -1"},
        {"integer f() { return 7; } out(f() + f());", "14"},
        {"integer r = execute(\"out(5);\"); out(r);", "5 1"},
        {"execute(\"integer made = 3;\"); out(made);", "3"},
        {"integer *f(integer *p) { return p; } integer x = 4; out(*f(&x));", "4"},
    };
    expectOutputs(cases);
}

struct StatementErrorCase {
    const char* script;
    bool ok;
    const char* errors;
};

TEST(ScriptStatements, MessagesAndLines) {
    const StatementErrorCase cases[] = {
        {"return;", false, "Script interpretator: illegal expression. (line 1)"},
        {"integer i;\nfor (;;) i = 1;", false,
         "Script interpretator: illegal expression. (line 2)"},
        {"do out(1);", false, "Script interpretator: Syntax error."},
        {"else out(1);", false, "Script interpretator: Syntax error."},
        {"'a';", false, "Script interpretator: Syntax error."},
        {"char c = 'a';", false, "Script interpretator: illegal or unsupported initializer."},
        {"if 1;", false, "Script interpretator: illegal 'if' statement syntax."},
        {"while 1;", false, "Script interpretator: illegal 'while' statement syntax."},
        {"for 1;", false, "Script interpretator: illegal 'for' statement syntax"},
        {"integer i;\nwhile (i < 1;", false, "Script interpretator: missing ')'."},
        {"{ out(1);", false, "Script interpretator: missing '}'."},
        {"if (1)", false, "Script interpretator: unexpected '}' or end of text (line 1)."},
        {"out(1); }", false, "Script interpretator: unexpected '}' or end of text (line 1)."},
        {"\n\n@", false, "Script interpretator: lexical error (line 3)."},
        {"integer x = @;", false, "Script interpretator: lexical error (line 1)"},
        {"integer f(foo x);", false, "Script interpretator: unknown parameter type (line 1)"},
        {"integer f(integer);", false,
         "Script interpretator: too few elements in stack after type expression."},
        {"integer f(integer a, ... , integer b);", false,
         "Script interpretator: function definition syntax error."},
        {"integer x y;", false, "Script interpretator: Syntax error (line 1)"},
        {"integer a[2 ;", false, "Script interpretator: type definition syntax error (line 1)"},
        {"integer x { }", false, "Script interpretator: Syntax error (line 1)"},
        {"typedef foo bar;", false, "Script interpretator: type definition syntax error. (line 1)"},
        {"typedef struct integer a; } S;", false,
         "Script interpretator: illegal structure definition. (line 1)"},
        {"typedef struct { integer a; }", false,
         "Script interpretator: unexpected '}' or end of text."},
        {"typedef struct {\n Missing m; } S;", false,
         "Script interpretator: illegal structure field 'm' (line 2)"},
        {"integer x = 1, *y = 2; out(x);", true,
         "Script interpretator:  don't know how to convert value from integer to integer ptr.\n"
         "Script interpretator: can't assign integer to integer ptr"},
        {"integer a[3] = 1; out(2);", true,
         "Script interpretator: illegal or unsupported initializer (line 1)"},
        {"integer f() { nothing(); }\n\nf();", false,
         "Script interpretator: unknown function 'nothing'.\n"
         "Script interpretator:  Error during f function execution (line 3)"},
        {"integer r = execute(\"@\"); out(r);", true,
         "Script interpretator: lexical error (line 1).\n"
         "Script interpretator: error in external script execution. (line 1)"},
        {"typedef struct { integer a; integer b; } S; S s; execute(s);", false,
         "Script interpretator:  don't know how to convert value from S to string.\n"
         "Script interpretator: illegal 'execute' or '#include' parameter. (line 1)"},
        {"#global integer g = 1; out(g);", true, "Global definitions are disabled."},
        {"#global typedef integer T;", true,
         "Script interpretator: Global definitions are disabled."},
        {"#global typedef struct { integer a; } T;", true,
         "Script interpretator: Global definitions are disabled.."},
        {"integer a[300000000];", false, "Script interpretator: Memory allocation error"},
    };
    for (const StatementErrorCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptStatements, SeparatorJoinsMessages) {
    ZRScriptHost host;
    host.separator = " | ";
    EXPECT_EQ(scriptExecute(&host, "integer *p = 1;"), 1);
    EXPECT_EQ(
        host.errorText,
        "Script interpretator:  don't know how to convert value from integer to integer ptr. | "
        "Script interpretator: can't assign integer to integer ptr");
    EXPECT_EQ(host.failed, 0);
    EXPECT_EQ(scriptExecute(&host, "y;\nz = 1;"), 0); // a name nobody uses is not looked up
    EXPECT_EQ(host.errorText, "Script interpretator: unknown variable 'z'");
    EXPECT_EQ(host.failed, 1);
    EXPECT_EQ(scriptExecute(&host, "integer x;"), 1);
    EXPECT_EQ(host.errorText, "");
    EXPECT_EQ(host.failed, 1); // never cleared by the interpreter
}

TEST(ScriptStatements, Limits) {
    // Recursion without end stops at the call depth, with a message, and the run fails.
    ScriptRun r = runScript("integer down(integer n) { return down(n + 1); } down(0);");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors.substr(0, r.errors.find('\n')),
              "Script interpretator: function call nesting level is too much. (line 1)");

    r = runScript("integer depth(integer n) { if (n == 0) return 0; return 1 + depth(n - 1); } "
                  "out(depth(150));");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "150");

    r = runScript("out(" + std::string(600, '(') + "1" + std::string(600, ')') + ");");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: expression nesting level is too much. (line 1)");

    r = runScript(std::string(600, '{') + std::string(600, '}'));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: expression nesting level is too much. (line 1)");

    scriptSetMemoryLimit(size_t(16) << 20);
    r = runScript("string s = \"x\"; while (1) s += s;");
    scriptSetMemoryLimit(size_t(512) << 20);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: Memory allocation error");
}

// A body read again is divided into its statements once; what reading a statement without
// performing it leaves behind (the `#global` flag) is the same from the compiled division as
// from the text.
TEST(ScriptStatements, BodiesReadAgainLeaveTheGlobalFlagAsTheTextDoes) {
    const std::string f = "integer f(integer c) {\n"
                          // kept through a branch that holds no `;` and no declaration
                          "  #global if (c) { } integer a = 1;\n"
                          // cleared by a declaration or a `;` read in the branch
                          "  #global if (c) { integer z; } integer b = 2;\n"
                          "  #global if (c) { c = 1; } integer d = 3;\n"
                          // set by a `#global` read in the branch
                          "  if (c) { #global } integer e = 4;\n"
                          "  if (c > 1) { #global } else ; integer g = 5;\n"
                          "  return a + b + d + e + g;\n"
                          "}\n";
    const ScriptRun once = runScript(f + "out(f(0));");
    EXPECT_TRUE(once.ok) << once.errors;
    EXPECT_EQ(once.output, "15");
    EXPECT_EQ(once.errors, "Global definitions are disabled.\nGlobal definitions are disabled.");
    std::string calls, output, errors;
    for (int k = 0; k < 4; ++k) {
        calls += "out(f(0));";
        output += k ? " 15" : "15";
        errors += (k ? "\n" : "") + once.errors;
    }
    const ScriptRun again = runScript(f + calls);
    EXPECT_TRUE(again.ok) << again.errors;
    EXPECT_EQ(again.output, output);
    EXPECT_EQ(again.errors, errors);
}

// Each round of a loop counts the same steps, whether its body is read from the text (the first
// round) or from its compiled division (later rounds).
TEST(ScriptStatements, BodiesReadAgainCountTheSameSteps) {
    const std::string body = "t = \"\"; for (k = 0; k < 3; k++) { if (k > 1) { t = t + \"x\"; } }\n"
                             "  while (k > 0) { k--; if (k == 1) break; else ; }\n"
                             "  { ; } if (k) { k; } else { ; } #global ; (k);\n";
    // The fewest steps with which a loop of `rounds` rounds runs to the end.
    auto fewest = [&](int rounds) {
        const std::string text = "string t; integer k; integer r;\n for (r = 0; r < " +
                                 std::to_string(rounds) + "; r++) {\n  " + body + "}";
        uint64_t low = 1, high = 100000; // fails with low, succeeds with high
        while (high - low > 1) {
            const uint64_t mid = (low + high) / 2;
            scriptSetRunLimits(mid, 0);
            (runScript(text).ok ? high : low) = mid;
        }
        scriptSetRunLimits(0, 0);
        return high;
    };
    const uint64_t none = fewest(0), one = fewest(1);
    EXPECT_GT(one, none);
    for (int rounds = 2; rounds <= 4; ++rounds)
        EXPECT_EQ(fewest(rounds), none + rounds * (one - none)) << rounds << " rounds";
}

TEST(ScriptStatements, GlobalDefinitions) {
    // Without permission, #global defines for the run only.
    ScriptRun r = runScript("#global integer twice( integer i ) { return i * 2; } out(twice(4));");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.errors, "Global definitions are disabled.");
    EXPECT_EQ(r.output, "8");
    EXPECT_EQ(runScript("out(twice(4));").errors,
              "Script interpretator: unknown function 'twice'.");

    // With it, functions and types stay for later runs.
    r = runScript("#global typedef struct { integer a; integer b; } GPair;"
                  "#global integer gsum( GPair p ) { return p.a + p.b; }",
                  true);
    EXPECT_TRUE(r.ok) << r.errors;
    r = runScript("GPair p; p.a = 2; p.b = 3; out(gsum(p));");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "5");
    // A computed member: a process-wide function of one parameter of the value's type.
    r = runScript("#global integer total( GPair p ) { return p.a + p.b; }", true);
    r = runScript("GPair p; p.a = 4; p.b = 5; out(p.total);");
    EXPECT_EQ(r.output, "9");

    // A structure with fields of a run's own type cannot be process-wide.
    r = runScript("typedef struct { integer a; } Local; #global typedef struct { Local l; } G;",
                  true);
    EXPECT_EQ(r.errors, "Script interpretator: illegal global type 'G' definition: structure has "
                        "local type fields");
}

TEST(ScriptStatements, NativeAddressesAreRegistryTokens) {
    // A number that the registry did not issue for this signature binds nothing.
    ScriptRun r = runScript("#global integer bogus( integer i ) = 0x12345678; bogus(1);", true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator:  don't know how to convert value from unsigned to "
                        "integer (integer).\n"
                        "Script interpretator: can't assign unsigned to integer (integer)\n"
                        "Script interpretator: unknown function 'bogus'.");
    // The token of abs(integer) does not bind a function of another signature.
    r = runScript("#global float fake( float f ) = 0x5C000001; fake(1.0f);", true);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.errors.find("unknown function 'fake'"), std::string::npos);
}

TEST(ScriptStatements, PersistentContext) {
    EXPECT_TRUE(runScript("integer counter = 1;", false, 7).ok);
    ScriptRun r = runScript("counter += 1; out(counter);", false, 7);
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "2");
    r = runScript("counter += 1;");
    EXPECT_EQ(r.errors, "Script interpretator: unknown variable 'counter'");
    r = runScript("typedef struct { integer v; } Box; Box keep; keep.v = 3;", false, 8);
    EXPECT_TRUE(r.ok) << r.errors;
    r = runScript("out(keep.v);", false, 8);
    EXPECT_EQ(r.output, "3");
}

class ScriptIncludes : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void write(const char* name, const std::string& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    ScriptRun run(const std::string& text) {
        return runScript(text, false, 0, dir.path().toStdString());
    }
};

TEST_F(ScriptIncludes, FoundMissingAndBroken) {
    write("lib.zrs", "integer libValue = 4;\r\nout(1);\n");
    ScriptRun r = run("#include \"lib.zrs\"\nout(libValue);");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "1 4");

    r = run("#include \"missing.zrs\"\nout(1);");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: Cannot open include file: 'missing.zrs' (line 1)");
    EXPECT_EQ(r.output, "");

    write("broken.zrs", "out(2);\n\n@");
    r = run("out(1);\n#include \"bro\" + \"ken.zrs\"\nout(3);");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.output, "1 2 3");
    EXPECT_EQ(
        r.errors,
        "Script interpretator: lexical error (line 3).\n"
        "Script interpretator: error in external script execution: file 'broken.zrs' (line 2)");

    r = run("#include \".\"\nout(1);"); // a folder is not a file
    EXPECT_EQ(r.errors, "Script interpretator: Cannot open include file: '.' (line 1)");
}

// A text included again and again (read once in a run) runs every time, and its errors are
// reported every time.
TEST_F(ScriptIncludes, IncludedAgainRunsAgain) {
    write("step.zrs", "count(); n = n + 1;\n");
    write("bad.zrs", "n = n + 10; @\n");
    const int before = countCalls();
    const ScriptRun r = run("integer n = 0; integer i;\n"
                            "for (i = 0; i < 5; i++) {\n#include \"step.zrs\"\n}\n"
                            "for (i = 0; i < 2; i++) {\n#include \"bad.zrs\"\n}\nout(n);");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(countCalls() - before, 5);
    EXPECT_EQ(r.output, "25");
    const std::string once =
        "Script interpretator: lexical error (line 1).\n"
        "Script interpretator: error in external script execution: file 'bad.zrs' (line 6)";
    EXPECT_EQ(r.errors, once + "\n" + once);
}

TEST_F(ScriptIncludes, NestingIsLimited) {
    write("self.zrs", "count();\n#include \"self.zrs\"\n");
    const int before = countCalls();
    const ScriptRun r = run("#include \"self.zrs\"\nout(1);");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(countCalls() - before, 32);
    EXPECT_EQ(
        r.errors,
        "Script interpretator: #include nesting level is too much, #include ignored. (line 2)");
    EXPECT_EQ(r.output, "1");
}

} // namespace
