#include "tests/script/ScriptTestHost.h"

#include <gtest/gtest.h>

namespace {

using Case = ScriptCase;

TEST(ScriptExpressions, GroupingAndPrefixBinding) {
    const Case cases[] = {
        {"out(10 - 4 - 3);", "9"}, // equal strengths group from the right
        {"out(8 / 4 / 2);", "4"},
        {"out(-2 + 3);", "-5"}, // a prefix operator waits for an equally strong one
        {"out(2 * 3 + 4);", "10"},
        {"out(1 + 2 * 3);", "7"},
        {"out(2 * -3);", "-6"},
        {"out(2 * -3 + 1);", "-5"}, // the waiting prefix applies when '*' is applied
        {"out(-2 * 3);", "-6"},
        {"integer x = -1; integer y = 1; out(x == -1 && y);", "1"},
        {"integer a; integer b; a = b = 3; out(a); out(b);", "3 3"},
        {"out(!0 == 1);", "1"}, // (!0) == 1
        {"out((10 - 4) - 3);", "3"},
        {"integer i = 5; out(i++); out(i); out(++i); out(i--); out(--i);", "5 6 7 7 5"},
        {"integer i = 1; out(-i++);", "-1"},
        {"out(1 < 2 == 1);", "0"}, // 1 < (2 == 1)
        {"out((integer)2.9999999 + 1);", "4"},
        {"out((float)1 / 4);", "0.25f"},
        {"integer x = 10; x -= 3; x *= 2; x /= 4; x += 1; out(x);", "4"},
    };
    expectOutputs(cases);
}

TEST(ScriptExpressions, ArithmeticRules) {
    const Case cases[] = {
        {"out(7 / 0);", "0"},
        {"out(2147483647 + 1);", "-2147483648"},
        {"out(-2147483647 - 1);", "-2147483646"}, // -(2147483647 - 1)
        {"integer m = -2147483647; m -= 1; out(m / -1); out(-m); out(m - 1);",
         "-2147483648 -2147483648 2147483647"},
        {"integer z = 0; integer x = 7; x /= z; out(x);", "0"},
        {"unsigned u = 7; u /= 0; out(u); word w = 9; w /= 0; out((integer)w);", "0x0 0"},
        {"float f = 1.0e+0f / 0.0e+0f; out(f);", "0f"},
        {"out(1.5 + 1);", "2.5"},
        {"out(0.5f + 1);", "1.5f"},
        {"out(0.5f * 2.0);", "1"}, // a double operand makes the result double
        {"out(7 - 0x2);", "7"},    // only the left is integer: it stays
        {"out(0x2 + 7);", "7"},    // only the right is integer: the left counts as 0
        {"out(0x2 - 7);", "-7"},
        {"word w = 65535; w += 1; out((integer)w);", "0"},
        {"char c = \"a\"; c += 1; out(c);", "c98"},
        {"double d = 1.0; d /= 0.0; out(d > 1.0e+300);", "1"}, // in place: IEEE rules
    };
    expectOutputs(cases);
}

TEST(ScriptExpressions, StringsAndComparisons) {
    const Case cases[] = {
        {"string s = \"n=\" + 5; out(s);", "\"n=5\""},
        {"string s = \"v=\" + 0x1f; out(s);", "\"v=0x1F\""},
        {"out(\"d=\" + 2.5); out(\"f=\" + 0.5f);", "\"d=2.500000\" \"f=0.500000\""},
        {"char c = \"\xff\"; out(\"c=\" + c);", "\"c=4294967295\""},
        {"string s = \"ab\"; s += \"cd\"; s += 1; out(s);", "\"abcd1\""},
        {"string n; out(\"x\" + n);", "\"x\""},
        {"if (2.0000001 == 2.0) out(1); else out(0);", "1"},
        {"out(2.00001 == 2.0); out(2.00001 != 2.0);", "0 1"},
        {"out(\"abc\" == \"abc\"); out(\"abc\" < \"abd\"); out(\"b\" != \"b\");", "1 1 0"},
        {"out((\"a\" != \"b\") != 0);", "1"},
        {"out(3 > 2.5); out(0x10 == 16); out(1 && 0); out(1 || 0); out(2.5 && 1);", "1 1 0 1 1"},
        {"string s; out(s == 0); s = \"\"; out(s != 0);", "1 1"},
        // An assignment's value, whether the statement drops it or not
        {"string s = \"a\"; string t; t = s = \"b\"; out(t); out(s);", "\"b\" \"b\""},
        {"string s = \"a\"; string t = (s = s + \"c\"); out(t); out(s += \"d\");",
         "\"ac\" \"acd\""},
        {"string s; integer i; for (s = \"x\"; strlen(s) < 4; s = s + \"y\") i++; out(s); out(i);",
         "\"xyyy\" 3"},
        {"string s = \"p\"; integer i; for (i = 0; i < 3; i++) { s = s + i; s += \"-\"; } out(s);",
         "\"p0-1-2-\""},
    };
    expectOutputs(cases);
}

TEST(ScriptExpressions, EveryOperandIsEvaluated) {
    const int before = countCalls();
    const ScriptRun r = runScript("integer p = 0; out(p && count()); out(1 || count());");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "0 1");
    EXPECT_EQ(countCalls() - before, 2);
}

TEST(ScriptExpressions, FunctionWithoutParametersIsCalledOnce) {
    // An identifier followed by '(' is a call: `count();` runs once, as `count;` does.
    const int before = countCalls();
    EXPECT_TRUE(runScript("count();").ok);
    EXPECT_EQ(countCalls() - before, 1);
    EXPECT_TRUE(runScript("count;").ok);
    EXPECT_EQ(countCalls() - before, 2);
    const ScriptRun r = runScript("integer n = count; out(count - n);");
    EXPECT_EQ(r.output, "1");
}

struct ErrorCase {
    const char* script;
    const char* errors;
};

TEST(ScriptExpressions, ErrorsEndTheRun) {
    const ErrorCase cases[] = {
        {"integer x = 1; x & 1;", "Script interpretator: unsupported operation."},
        {"integer x = 1; x | 1;", "Script interpretator: unsupported operation."},
        {"out(y);", "Script interpretator: unknown variable 'y'"},
        {"integer x;\n\nx = 1 % 2;", "Script interpretator: lexical error (line 3)."},
        {"integer x = (1 + 2;", "Script interpretator: missing ')' (line 1)"},
        {"integer a[2];\na[1;", "Script interpretator: missing ']' (line 2)"},
        {"out(1 2);", "Script interpretator: illegal expression."},
        {"5 = 3;", "Script interpretator: illegal assignment."},
        {"string s = \"a\"; out(-s);",
         "Script interpretator: specified operation not supported for this operand types."},
        {"string s; out(s < 2.0);", "Script interpretator: incompatible operand types."},
        {"unsigned a = 0x1; unsigned b = 0x2; out(a + b);",
         "Script interpretator: specified operation not supported for this operand types."},
        {"string s; s++;", "Script interpretator: can't apply '++' to 'string' type."},
        {"out(*3);", "Script interpretator: can't apply '*' to 'integer' type."},
        {"out(&3);", "Script interpretator: unsupported operation."},
        {"integer a[5];\nout(a[5]);", "Script interpretator: failed to access a [ 5 ]"},
        {"integer x; out(x.y);", "Script interpretator: 'integer' is not structure type"},
        {"integer x; out(x[0]);", "Script interpretator: 'integer' type is not array."},
        {"integer x; out(x.);", "Script interpretator: Syntax error..."},
        {"out(1 + {);", "Script interpretator: Syntax error (line 1)"},
        {"abs(-2.5);", "Script interpretator: unknown function 'abs'."},
        {"nothing(1);", "Script interpretator: unknown function 'nothing'."},
        {"out(1,);", "Script interpretator: invalid function call syntax"},
        {"string s = \"x\"; s = s + s.y;", "Script interpretator: 'string' is not structure type"},
        {"string s = \"a\"; s -= \"b\";", "Script interpretator: illegal assignment"},
        {"integer x; integer *p = &x; p += 1.5;",
         "Script interpretator: illegal operand for pointer arithmetics"},
        {"typedef struct { integer a; } S; S s; S t; s + t;",
         "Script interpretator: specified operation not supported for this operand types."},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptExpressions, ExactTypeOverloads) {
    const Case cases[] = {
        {"out(abs(-3));", "3"},
        {"out(abs(-2.5f));", "2.5f"},
        {"integer m = -2147483647; m -= 1; out(abs(m));", "-2147483648"},
        {"out(sum(3, 1, 2, 3));", "6"}, // further arguments keep their own types
    };
    expectOutputs(cases);
    const ScriptRun r = runScript("integer f(integer a, integer b) { return a + b; } f(1, 2, 3);");
    EXPECT_EQ(r.errors, "Script interpretator: unknown function 'f'.");
}

} // namespace
