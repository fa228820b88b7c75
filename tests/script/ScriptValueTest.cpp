#include "tests/script/ScriptTestHost.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

struct ValueCase {
    const char* script;
    const char* output;
    const char* errors; ///< messages of a run that goes on
};

// Every row of the conversion table, through initialisation (which goes on after a failure).
TEST(ScriptValues, ConversionTable) {
    const ValueCase cases[] = {
        // to integer and unsigned
        {"integer i = 0xFFFFFFFF; out(i);", "-1", ""},
        {"word w = 65535; integer i = w; out(i);", "65535", ""},
        {"char c = \"\xff\"; integer i = c; out(i);", "255", ""},
        {"integer i = 2.9999999; out(i); i = -2.5; out(i); i = 2.5f; out(i);", "3 -2 2", ""},
        {"integer i = 1.0e+300; out(i); i = -1.0e+300; out(i);", "2147483647 -2147483648", ""},
        {"unsigned u = 3.0e+9; out(u); u = -1.0; out(u);", "0xB2D05E00 0xFFFFFFFF", ""},
        {"string s; integer i = s; out(i); s = \"\"; i = s; out(i != 0);", "0 1", ""},
        // to float and double
        {"float f = 0xB2D05E00; out(f);", "3e+09f", ""},
        {"double d = -3; out(d); word w = 65535; d = w; out(d); char c = \"\xff\"; d = c; out(d);",
         "-3 -1 255", ""},
        {"float f = 0.1; double d = f; out(d > 0.0999999 && d < 0.1000001);", "1", ""},
        {"string s = \"1\"; float f = s; out(f);", "0f",
         "Script interpretator:  don't know how to convert value from string to float.\n"
         "Script interpretator: can't assign string to float"},
        // to word and char
        {"word w = 70000; out((integer)w); w = 1.9999999; out((integer)w);", "4464 2", ""},
        {"char c = \"\xff\"; word w = c; out((integer)w);", "65535", ""},
        {"char c = 300; out(c); c = 2.9999999; out(c); c = \"xyz\"; out(c); string n; c = n; "
         "out(c);",
         "c44 c2 c120 c0", ""},
        // to string
        {"string s = 12; out(s); s = 2.5; out(s); s = -0.5f; out(s);",
         "\"12\" \"2.500000\" \"-0.500000\"", ""},
        {"word w = 65535; string s = w; out(s); char c = \"\xff\"; s = c; out(s);",
         "\"65535\" \"-1\"", ""},
        {"unsigned u = 0; string s = u; out(s);", "null", ""},
        {"unsigned u = 5; string s = u; out(s);", "null",
         "Script interpretator:  don't know how to convert value from unsigned to string."},
        {"char buf[4]; buf[0] = \"h\"; buf[1] = \"i\"; string s = &buf[0]; out(s);", "\"hi\"", ""},
        {"char *p = NULL; string s = p; out(s);", "null", ""},
        // to pointers
        {"integer *p = 5;", "",
         "Script interpretator:  don't know how to convert value from integer to integer ptr.\n"
         "Script interpretator: can't assign integer to integer ptr"},
        {"integer x; integer *p = 0x0; out((integer)p); p = &x; out((integer)p != 0);", "0 1", ""},
        // structures
        {"typedef struct { integer a; string b; } P; P x; P y; x.a = 4; x.b = \"q\"; y = x; x.b = "
         "\"r\";"
         " out(y.a); out(y.b); out(x.b);",
         "4 \"q\" \"r\"", ""},
        {"typedef struct { integer a; } P; P x; integer i = x;", "", ""}, // raw copy of 4 bytes
        {"typedef struct { integer a; integer b; } P; P x; integer i = x;", "",
         "Script interpretator:  don't know how to convert value from P to integer.\n"
         "Script interpretator: can't assign P to integer"},
        // A failed assignment zeroes its target and the script reads on.
        {"typedef struct { integer a; integer b; } P3; P3 x; integer i = 7; i = x; out(i);\n"
         "string s = \"t\"; s = x; out(s); out(2);",
         "0 null 2",
         "Script interpretator:  don't know how to convert value from P3 to integer.\n"
         "Script interpretator: can't assign P3 to integer\n"
         "Script interpretator:  don't know how to convert value from P3 to string.\n"
         "Script interpretator: can't assign P3 to string"},
        {"typedef struct { integer a; } P; P x = 1;", "",
         "Script interpretator: illegal or unsupported initializer (line 1)"},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptValues, NumbersIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    const ScriptRun r =
        runScript("out(\"\" + 29.97); string s = 0.5f; out(s); out(\"\" + 29.97 * 2);");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(r.output, "\"29.970000\" \"0.500000\" \"59.940000\"");
}

TEST(ScriptValues, LargeStructuresAndArraysLiveInBlocks) {
    const ScriptRun r = runScript(
        "typedef struct { integer a; integer b; integer c; integer d; } Four;" // 16 bytes: inline
        "typedef struct { integer a; integer b; integer c; integer d; integer e; } Five;"
        "typedef struct { Five f; string s; } Outer;"
        "Five x; x.e = 5; Five y; y = x; x.e = 6; out(y.e);"
        "Outer o; o.f.e = 7; o.s = \"t\"; Outer p; p = o; o.f.e = 8; out(p.f.e); out(p.s);"
        "Four a[3]; a[2].d = 9; out(a[2].d); out(a[0].d);"
        "string names[2]; names[1] = \"n\"; out(names[1]); out(names[0]);");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "5 7 \"t\" 9 0 \"n\" null");
}

} // namespace
