#include "tests/script/ScriptTestHost.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

using Case = ScriptCase;

TEST(ScriptBuiltins, Maths) {
    const Case cases[] = {
        {"integer m = -2147483647; m -= 1; out(abs(-3)); out(abs(4)); out(abs(m));",
         "3 4 -2147483648"},
        {"out(abs(-2.5f));", "2.5f"},
        {"out(cos(0.0f)); out(sin(0.0f)); out(tan(0.0f));", "1f 0f 0f"},
        {"out(cosh(0.0f)); out(sinh(0.0f)); out(tanh(0.0f));", "1f 0f 0f"},
        {"out(acos(1.0f)); out(asin(1.0f)); out(atan(1.0f));", "0f 1.5708f 0.785398f"},
        {"out(exp(1.0f)); out(log(1.0f)); out(log10(100.0f));", "2.71828f 0f 2f"},
        {"out(PI); out(PI()); out(sprintf(\"%.8f\", PI));", "3.14159f 3.14159f \"3.14159274\""},
        {"out(copysign(3.0f, -1.0f)); out(fmod(7.0f, 3.0f)); out(floor(-1.5f));", "-3f 1f -2f"},
        {"out(pow(2.0f, 10.0f)); out(sqrt(16.0f));", "1024f 4f"},
        {"out(max(1.0e+0f, 2.0e+0f)); out(min(1.0f, 2.0f)); out(max(-1.0f, -2.0f));", "2f 1f -1f"},
        {"out(sqrt(-1.0f) == sqrt(-1.0f));", "0"}, // not-a-number compares unequal
    };
    expectOutputs(cases);
}

TEST(ScriptBuiltins, Strings) {
    ::setenv("ZR_SCRIPT_TEST_VALUE", "some value", 1);
    ::unsetenv("ZR_SCRIPT_TEST_UNSET");
    const Case cases[] = {
        {"out(getenv(\"ZR_SCRIPT_TEST_VALUE\")); out(getenv(\"ZR_SCRIPT_TEST_UNSET\"));"
         " string n; out(getenv(n));",
         "\"some value\" null null"},
        {"string n; out(strlen(\"hello\")); out(strlen(\"\")); out(strlen(n));", "5 0 0"},
        {"string n; out(strcspn(\"hello\", \"l\")); out(strspn(\"hello\", \"leh\"));"
         " out(strcspn(n, \"l\")); out(strspn(\"a\", n));",
         "2 4 0 0"},
        {"string n; out(stricmp(\"ABC\", \"abc\")); out(stricmp(\"a\", \"B\") < 0);"
         " out(stricmp(n, n)); out(stricmp(n, \"a\")); out(stricmp(\"a\", n));",
         "0 1 0 -1 1"},
        {"string n; out(strncmp(\"abcd\", \"abcz\", 3)); out(strncmp(\"abcd\", \"abcz\", 4) < 0);"
         " out(strncmp(n, \"a\", 1)); out(strncmp(\"b\", \"a\", -1) > 0);",
         "0 1 -1 1"},
        {"out(strpart1(\"hello\", 3)); out(strpart1(\"hi\", 5)); out(strpart1(\"hi\", -1));",
         "\"hel\" \"hi\" null"},
        {"out(strpart2(\"hello\", 3)); out(strpart2(\"hello\", 5)); out(strpart2(\"hello\", 6));"
         " out(strpart2(\"hello\", -1));",
         "\"lo\" \"\" null null"},
        {"string n; out(strsubstr(\"hello\", \"ll\")); out(strsubstr(\"hello\", \"x\"));"
         " out(strsubstr(n, \"x\"));",
         "2 -1 0"},
        {"string n; out(atoi(\"42abc\")); out(atoi(\" -7\")); out(atoi(\"99999999999\"));"
         " out(atoi(n));",
         "42 -7 2147483647 0"},
        {"string n; out(atof(\"2.5\")); out(atof(\"1e3x\")); out(atof(n));", "2.5f 1000f 0f"},
    };
    expectOutputs(cases);
}

// strncpy copies at most as many bytes as the destination has room for (up to the end of its
// array or block, or to the first string inside it), clears the rest of that room and returns
// the room; 0 when nothing can be copied.
TEST(ScriptBuiltins, StrncpyStaysInsideItsDestination) {
    const Case cases[] = {
        {"char b[8]; out(strncpy(&b[0], \"abc\")); out(strlen(&b[0])); out(strlen(b));", "8 3 3"},
        {"char b[4]; out(strncpy(&b[0], \"abcdef\")); out(b[3]); out(strlen(&b[0]));", "4 c100 4"},
        {"char b[8]; out(strncpy(&b[5], \"abcdef\")); out(b[7]);", "3 c99"},
        {"char s[4]; char d[3]; strncpy(&s[0], \"hi\"); out(strncpy(&d[0], &s[0]));"
         " out(strlen(&d[0]));",
         "3 2"},
        {"char b[8]; strncpy(&b[0], \"abc\"); strncpy(&b[1], &b[0]); out(strlen(&b[0]));", "4"},
        {"typedef struct { char name[6]; string s; } R; R r; r.s = \"kept\";"
         " out(strncpy(&r.name[0], \"toolongname\")); out(r.s);",
         "6 \"kept\""},
        {"string n; char b[4]; out(strncpy(&b[0], n)); char *p; out(strncpy(p, \"a\"));"
         " char *q = 0x10; out(strncpy(q, \"a\")); out(strncpy(&b[0], p));",
         "0 0 0 0"},
    };
    expectOutputs(cases);
}

TEST(ScriptBuiltins, SprintfConversions) {
    const std::string long63 = "\"<%" + std::string(60, '0') + "5d>\"";
    const std::string long64 = "\"<%" + std::string(61, '0') + "5d>\"";
    const std::string cases[][2] = {
        {"sprintf(\"%d-%s\", 5, \"a\")", "5-a"},
        {"sprintf(\"%s\", n)", "(null)"},
        {"sprintf(\"%5.2f\", 3.14159f)", " 3.14"},
        {"sprintf(\"%f|%.1f\", 2.5, 2.5f)", "2.500000|2.5"}, // a double is read as a double
        {"sprintf(\"a\\\\tb\\\\nc\\\\rd\\\\qe\")", "a\tb\nc\rdqe"},
        {"sprintf(\"%i %o %u %x %X\", 10, 8, -1, 255, 255)", "10 10 4294967295 ff FF"},
        {"sprintf(\"%d %u\", 0xFFFFFFFF, 0xFFFFFFFF)", "-1 4294967295"},
        {"sprintf(\"%c%C%c\", 65, \"Bx\", 'c')", "ABc"},
        {"sprintf(\"%e %E\", 1.5f, 1.5)", "1.500000e+00 1.500000E+00"},
        {"sprintf(\"%g %G\", 0.0001f, 1.0e-10)", "0.0001 1E-10"},
        {"sprintf(\"%p\", NULL)", "(nil)"},
        {"sprintf(\"a%nb%d\", 1, 2)", "ab2"},  // %n takes an argument and stores nothing
        {"sprintf(\"%%d %d\", 1, 2)", "%d 2"}, // %% is not special: it takes an argument
        {"sprintf(\"%d %d\", 1)", "1 %"},      // used up: only the %
        {"sprintf(\"%*d|%-*d|%.*f|%*d\", 4, 7, 3, 8, 2, 1.5f, -3, 1)", "   7|8  |1.50|1  "},
        {"sprintf(\"%***d|\", 1, 2, 3, 4)", "%|"}, // three stars: only the %
        {"sprintf(\"a%5\", 1)", "a"},              // a conversion that never ends
        {"sprintf(" + long63 + ", 42)", "<00042>"},
        {"sprintf(" + long64 + ", 42)", "<>"}, // 64 characters: dropped
        {"sprintf(\"%ld %lld %hd %hhu %I64d %lf %Lf\", 5, 6, 70000, 300, 7, 2.5, 2.5)",
         "5 6 4464 44 7 2.500000 2.500000"},
        {"sprintf(\"%d %d %d %d\", 2.9, -2.5, 2.9999999, 1.0e+20)", "2 -2 3 2147483647"},
        {"sprintf(\"%u %d %u %d\", 1.0e+20, -1.0e+20, 3.0e+9, 3.0e+9)",
         "4294967295 -2147483648 3000000000 2147483647"}, // reals held in the 32-bit ranges
        {"sprintf(\"%s %s %s %s %s\", 5, 0x1f, 2.5f, 'a', n)", "5 0x1F 2.500000 97 (null)"},
        {"sprintf(\"%d %s\", \"text\", &b[0])", "0 xy"},
        {"sprintf(\"%5s|%-4s|%.2s\", \"ab\", \"c\", \"xyz\")", "   ab|c   |xy"},
        {"sprintf(\"%kd|\", 1)", "%kd|"}, // not flags, width or length: copied as text
        {"sprintf(\"100%\")", "100"},
        {"sprintf(\"%+05d|% d|%#x|%#o\", 42, 7, 255, 8)", "+0042| 7|0xff|010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const ScriptRun r =
            runScript("string n; char b[4]; strncpy(&b[0], \"xy\"); out(" + c[0] + ");");
        EXPECT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.output, "\"" + c[1] + "\"");
    }
}

TEST(ScriptBuiltins, SprintfHasNoFixedLimit) {
    ScriptRun r = runScript("out(strlen(sprintf(\"%99999d\", 1)));");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "99999");
    // More than script memory may hold gives a null string, at once.
    r = runScript("out(sprintf(\"%999999999d\", 1)); out(sprintf(\"%.999999999f\", 1.0));");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "null null");
}

TEST(ScriptBuiltins, NumbersIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma";
    const ScriptRun r = runScript("out(atof(\"2.5\")); out(sprintf(\"%.2f %g\", 29.97, 0.5));");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "2.5f \"29.97 0.5\"");
}

TEST(ScriptBuiltins, OverloadsNeedExactTypes) {
    ScriptRun r = runScript("out(abs(-2.5));");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: unknown function 'abs'.");
    r = runScript("out(max(1.0, 2.0));");
    EXPECT_EQ(r.errors, "Script interpretator: unknown function 'max'.");
}

} // namespace
