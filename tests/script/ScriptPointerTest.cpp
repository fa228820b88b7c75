#include "tests/script/ScriptTestHost.h"

#include "script/ScriptMemory.h"

#include <gtest/gtest.h>

namespace {

struct PointerCase {
    const char* script;
    bool ok;
    const char* output;
    const char* errors;
};

TEST(ScriptPointers, EveryAccessIsChecked) {
    const PointerCase cases[] = {
        {"integer x = 1; integer *p = &x; *p = 5; out(x); out(*p + 1);", true, "5 6", ""},
        {"integer a[3]; integer *p = a; p[2] = 7; out(a[2]); p = p - 1; p = p + 1; *p = 3; "
         "out(a[0]);",
         true, "7 3", ""},
        {"integer a[3]; integer *p = &a[1]; p[-1] = 4; out(a[0]);", true, "4", ""},
        {"integer x = 9; unsigned u = &x; integer *p = u; out(*p);", true, "9",
         ""}, // through a number
        {"typedef struct { integer a; integer b; } P; P s; integer *p = &s.b; *p = 2; out(s.b);",
         true, "2", ""},
        {"integer a[3]; integer *p = a;\np = p + 3; *p = 1;", false, "",
         "Script interpretator: pointer access out of range (line 2)."},
        {"integer *p; out(*p);", false, "", "Script interpretator: null pointer access (line 1)."},
        {"integer *p = 0x1234; out(*p);", false, "",
         "Script interpretator: access through a dangling pointer (line 1)."},
        {"integer *keep; integer f() { integer local = 3; keep = &local; return 0; } f(); "
         "out(*keep);",
         false, "", "Script interpretator: access through a dangling pointer (line 1)."},
        {"string s = \"a\"; integer *ip = &s; *ip = 5;", false, "",
         "Script interpretator: pointer access does not match the stored type (line 1)."},
        {"double d; string *sp = &d; *sp = \"x\";", false, "",
         "Script interpretator: pointer access does not match the stored type (line 1)."},
        {"char buf[4]; out(fill(&buf[0], 4)); out(buf[3]); out(fill(&buf[1], 4));", true, "1 c65 0",
         ""},
        {"string s; char *cp = &s; out(fill(cp, 1));", true, "0", ""},
        {"typedef struct { integer n; Item *next; } Item; Item a; Item b; a.next = &b; b.n = 6; "
         "Item *i = &a;"
         " i = i->next; out(i->n); i = i->next; out(i->n);",
         false, "6", "Script interpretator: null pointer access (line 1)."},
    };
    for (const PointerCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptPointers, RunsReleaseTheirRegionsAndMemory) {
    const size_t before = scriptMemoryInUse();
    const size_t regions = scriptPointerTableSize();
    const ScriptRun r =
        runScript("string s = \"abc\"; integer a[100]; integer *p = &a[3]; string *q = &s;"
                  "typedef struct { string t; integer u[40]; } Big; Big b; b.t = s + s;"
                  "integer i; for (i = 0; i < 50; i += 1) { string tmp = s + i; Big c; c = b; }");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(scriptMemoryInUse(), before);
    EXPECT_EQ(scriptPointerTableSize(), regions);
}

TEST(ScriptHooks, ConversionFieldAccessAndDeleteValue) {
    ScriptRun r = runScript("#global typedef struct { integer v; integer w; } Money;"
                            "#global string Conversion( Money m ) { return \"$\" + m.v; }"
                            "#global typedef word Tag;"
                            "#global integer FieldAccess( Tag t, string name ) { integer i = t;"
                            " if (name == \"twice\") return i * 2; return -1; }"
                            "#global typedef integer Ticket;"
                            "#global integer DeleteValue( Ticket t ) { count(); return 0; }",
                            true);
    ASSERT_TRUE(r.ok) << r.errors;
    r = runScript(
        "Money m; m.v = 5; string s = m; out(s); Tag t = 21; out(t.twice); out(t.other);");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "\"$5\" 42 -1");
    const int before = countCalls();
    r = runScript("Ticket a = 1;");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(countCalls() - before, 1);
}

} // namespace
