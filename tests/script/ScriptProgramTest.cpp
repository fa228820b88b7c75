// Whole programs give the same output read as a run's text and read by `execute` (compiled on
// demand, in the caller's scope), and the output they should give.
#include "tests/script/ScriptTestHost.h"
#include "tests/support/ScriptProgramGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// The program as the text of a string literal.
std::string quoted(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// A program gives the same result, outputs and messages as under a step limit with the integer
// forms switched off, where loops, calls and expressions are all read the general way; and so it
// does under the limit with them (functions then count their steps).
void expectSameUnderAStepLimit(const std::string& program) {
    const ScriptRun fast = runScript(program);
    scriptSetRunLimits(100000000, 0);
    const ScriptRun counted = runScript(program);
    scriptSetIntegerForms(false);
    const ScriptRun general = runScript(program);
    scriptSetIntegerForms(true);
    scriptSetRunLimits(0, 0);
    for (const ScriptRun* run : {&fast, &counted}) {
        EXPECT_EQ(run->ok, general.ok) << run->errors << " | " << general.errors;
        EXPECT_EQ(run->output, general.output);
        EXPECT_EQ(run->errors, general.errors);
    }
}

// Under a limit of `steps` steps a program gives the outputs and messages it gives with the
// integer forms switched off; what it gave.
ScriptRun stopsWhereTheGeneralReadingStops(const std::string& program, uint64_t steps) {
    scriptSetRunLimits(steps, 0);
    const ScriptRun counted = runScript(program);
    scriptSetIntegerForms(false);
    const ScriptRun general = runScript(program);
    scriptSetIntegerForms(true);
    scriptSetRunLimits(0, 0);
    EXPECT_EQ(counted.ok, general.ok) << steps;
    EXPECT_EQ(counted.output, general.output) << steps;
    EXPECT_EQ(counted.errors, general.errors) << steps;
    return counted;
}

struct Program {
    const char* name;
    const char* text;
    const char* output;
};

TEST(ScriptPrograms, SameOutputAsATextAndThroughExecute) {
    const Program programs[] = {
        {"for loops with every step form",
         "integer i; integer s = 0;\n"
         "for (i = 0; i < 5; i++) s += i; out(s);\n"
         "for (i = 0; i < 5; ++i) s += i; out(s);\n"
         "for (i = 0; i < 5; i += 2) s += i; out(s);\n"
         "for (i = 0; i < 5; i = i + 3) s += i; out(s);\n"
         "for (i = 5; i > 0; i--) s -= i; out(s);\n"
         "for (i = 5; i > 0; --i) s -= 1; out(s);\n"
         "for (i = 1; i < 100; i *= 3) out(i);\n"
         "for (i = 64; i > 1; i /= 4) out(i);\n"
         "integer j; for (i = 0, j = 10; i < j; i++, j--) s += 1; out(s);\n"
         "for (i = 0; i < 10; i++) { if (i == 3) break; } out(i);\n",
         "10 20 26 29 14 9 1 3 9 27 81 64 16 4 14 3"},
        {"while loops and nested breaks",
         "integer i = 0; integer n = 0;\n"
         "while (i < 4) { integer k = 0; while (1) { k++; n++; if (k == i) break; if (k > 5) "
         "break; } i++; }\n"
         "out(i); out(n);",
         "4 12"},
        {"recursion",
         "integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
         "integer fact(integer n) { if (n <= 1) return 1; return n * fact(n - 1); }\n"
         "out(fib(15)); out(fact(10)); out(fact(13));",
         "610 3628800 1932053504"},
        {"structures small and large",
         "typedef struct { integer x; integer y; } P;\n"
         "typedef struct { integer a; integer b; integer c; integer d; string e; } Big;\n"
         "P p; p.x = 3; p.y = 4; P q; q = p; q.x = 10; out(p.x + p.y); out(q.x);\n"
         "Big b; b.a = 1; b.d = 4; b.e = \"e\" + b.d; Big c; c = b; c.a = 7;\n"
         "out(b.a); out(c.a + c.d); out(c.e);\n"
         "integer area(P r) { return r.x * r.y; } out(area(p));",
         "7 10 1 11 \"e4\" 12"},
        {"pointers",
         "integer a[5]; integer i; for (i = 0; i < 5; i++) a[i] = i * i;\n"
         "integer *p = &a[1]; out(*p); p = p + 2; out(*p); *p = 99; out(a[3]);\n"
         "integer x = 5; integer *q = &x; *q += 1; out(x); q[0] = 8; out(x);\n"
         "p++; out(*p); --p; out(p[0]);",
         "1 9 99 6 8 16 99"},
        {"strings",
         "string s = \"\"; integer i; for (i = 0; i < 5; i++) s += i; out(s);\n"
         "string t = ((s + \"-\") + 2.5) + 0x1f; out(t);\n"
         "out(s == \"01234\"); out(s < \"1\"); out(strlen(t));\n"
         "string u; u = u + \"x\"; u += 'c'; out(u);",
         "\"01234\" \"01234-2.5000000x1F\" 1 1 18 \"x99\""},
        {"operators grouping and conversions",
         "out(10 - 4 - 3); out(-2 + 3); out(2 * 3 + 4); out(8 / 4 / 2); out(7 / 0);\n"
         "integer a; integer b; a = b = 3; out(a + b); out(!a == 0);\n"
         "float f = 1.5f; out(f * 2); double d = 2.9999999; integer k = d; out(k);\n"
         "unsigned u = 0xFFFFFFFF; out(u); integer w = 2147483647; w += 1; out(w);",
         "9 -5 10 4 0 6 1 3f 3 0xFFFFFFFF -2147483648"},
    };
    for (const Program& p : programs) {
        SCOPED_TRACE(p.name);
        const ScriptRun whole = runScript(p.text);
        EXPECT_TRUE(whole.ok) << whole.errors;
        EXPECT_EQ(whole.errors, "");
        EXPECT_EQ(whole.output, p.output);
        const ScriptRun executed = runScript("execute(\"" + quoted(p.text) + "\");");
        EXPECT_TRUE(executed.ok) << executed.errors;
        EXPECT_EQ(executed.errors, whole.errors);
        EXPECT_EQ(executed.output, whole.output);
    }
}

// An expression read again and again (compiled, then in its integer form) gives what a first
// reading gives: each round prints the loop's value, then the same expression's value read fresh
// by `execute` from variables that hold the same values (integers, then reals from the fifth
// round on).
TEST(ScriptPrograms, ExpressionsReadAgainGiveWhatAFirstReadingGives) {
    const ScriptRun run = runScript(
        "integer i; integer n = 5; integer m = 5; integer w = 2147483646; integer v = w;\n"
        "integer x = 4; integer y = 4;\n"
        "integer a[3]; integer b[3];\n"
        "for (i = 0; i < 6; i++) {\n"
        "  out(--n - n-- * 2 + n++); execute(\"out(--m - m-- * 2 + m++);\");\n"
        "  out(-w++ + !w - (w-- - ++w)); execute(\"out(-v++ + !v - (v-- - ++v));\");\n"
        "  a[i / 2] += i++ - 1; out(a[0] + a[1] * 3 + a[2] * 5); i--;\n"
        "  execute(\"b[i / 2] += i++ - 1; out(b[0] + b[1] * 3 + b[2] * 5); i--;\");\n"
        "  out(x * 3 - i); execute(\"out(y * 3 - i);\");\n"
        "  if (i == 3) execute(\"double x = 0.5; double y = 0.5;\");\n"
        "}");
    ASSERT_TRUE(run.ok) << run.errors;
    std::vector<std::string> values;
    for (size_t from = 0; from < run.output.size();) {
        const size_t space = std::min(run.output.find(' ', from), run.output.size());
        values.push_back(run.output.substr(from, space - from));
        from = space + 1;
    }
    ASSERT_EQ(values.size(), 48u) << run.output;
    for (size_t k = 0; k < values.size(); k += 2)
        EXPECT_EQ(values[k], values[k + 1]) << "value " << k << " of " << run.output;
}

// Appending to a string variable and assigning a new text hand texts over without copies; each
// variable still holds its own text afterwards.
TEST(ScriptPrograms, StringsAppendedToThemselvesStayApart) {
    const ScriptRun run =
        runScript("string s = \"ab\"; s = s + s; out(s);\n"
                  "string t; t = s = s + \"c\"; s = s + 1; out(t); out(s);\n"
                  "s = s; out(s); t = t + t + s; out(t);\n"
                  "integer i; for (i = 0; i < 4; i++) t = s + i; out(t); out(s);");
    ASSERT_TRUE(run.ok) << run.errors;
    EXPECT_EQ(run.output, "\"abab\" \"ababc\" \"ababc1\" \"ababc1\" \"ababcababcababc1\" "
                          "\"ababc13\" \"ababc1\"");
}

// A loop run from integer forms stops where an index leaves its array, in the body or in the
// condition, with what was done up to there kept and the message a first reading gives; so does
// an expression of a loop read the general way, the third time it is read.
TEST(ScriptPrograms, IndexOutOfRangeInALoopStopsItThere) {
    const ScriptRun run =
        runScript("integer a[5]; integer i; integer s = 0; integer k = 0;\n"
                  "execute(\"for (i = 0; i < 10; i++) { s += i; a[i] = i * 2; }\");\n"
                  "out(s); out(i); out(a[4] + a[0]);\n"
                  "execute(\"while (a[k] >= 0) k++;\"); out(k);\n"
                  "execute(\"for (k = 4; k < 9; k += 1) a[4 - k] = 1;\"); out(k); out(a[0]);\n"
                  "integer b[2]; execute(\"for (k = 0; k < 5; k++) out(b[k] + k);\"); out(k);");
    ASSERT_TRUE(run.ok) << run.errors;
    EXPECT_EQ(run.output, "15 5 8 5 5 1 0 1 2");
    const std::string first = runScript("integer a[5]; a[5] = 1;").errors;
    const std::string negative = runScript("integer a[5]; integer k = 5; a[4 - k] = 1;").errors;
    const std::string read = runScript("integer b[2]; integer k = 2; out(b[k] + k);").errors;
    ASSERT_NE(first, "");
    for (const std::string* message : {&first, &negative, &read})
        EXPECT_NE(run.errors.find(message->substr(0, message->find('\n'))), std::string::npos)
            << *message << " in " << run.errors;
}

// Loops give the same outputs and messages whether their rounds run from integer forms or,
// under a step limit, are all read the general way.
TEST(ScriptPrograms, LoopsGiveTheSameResultsUnderAStepLimit) {
    const char* programs[] = {
        "integer i; integer s = 0; integer t = 0;\n"
        "for (i = 0; i < 200; i++) { if (i / 2 * 2 == i) s += i; else if (i > 150) s -= 1;"
        " else { t += 2; t--; } }\n"
        "out(s); out(t); out(i);",
        "integer i; integer s = 0;\n"
        "for (i = 0; i < 300; i++) if (i == 250) s += 7; out(s);\n"
        "for (i = 0; i < 300; i++) { if (i == 250 || i == 260) s += i; else ; } out(s);\n"
        "i = 0; while (i < 300) { if (i > 280) { s++; if (i > 290) s *= 2; } i += 1; } out(s);",
        "integer a[10]; integer i = 0; integer s = 0;\n"
        "while (i < 10) { a[i] = i * i; i++; }\n"
        "for (i = 0; i < 200; i++) if (a[i / 20] > 10) s++; else a[i / 20] += 1; out(s);\n"
        "for (i = 0; i < 10; i++) out(a[i]);",
        "integer a[10]; integer i; integer s = 0;\n"
        "execute(\"for (i = 0; i < 100; i++) { if (i > 50) a[i - 40] = 1; s++; }\");\n"
        "out(i); out(s); out(a[9]);\n"
        "execute(\"for (i = 0; i < 100; i++) { s++; if (a[i]) s += 100; }\"); out(i); out(s);",
        "integer i; integer j; integer s = 0;\n"
        "for (i = 0; i < 30; i++) { for (j = 0; j < i; j++) if (j > 3) s += j; else s--;"
        " if (s > 2000) break; }\n"
        "out(i); out(j); out(s);",
    };
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        EXPECT_TRUE(runScript(program).ok);
        expectSameUnderAStepLimit(program);
    }
}

// Functions of integers (run from their compiled form once their bodies have been read) give
// the same outputs and messages as under a step limit, where every call is read the general way.
TEST(ScriptPrograms, IntegerFunctionsGiveTheSameResultsUnderAStepLimit) {
    const char* programs[] = {
        // recursion, mutual recursion, no parameters, three parameters, no return
        "integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
        "integer isEven(integer n) { if (n == 0) return 1; return isOdd(n - 1); }\n"
        "integer isOdd(integer n) { if (n == 0) return 0; return isEven(n - 1); }\n"
        "integer seven() { return 7; } integer none(integer n) { n + 1; }\n"
        "integer mix(integer a, integer b, integer c) { return a - b - c * (a - 1) / 2; }\n"
        "integer i; integer s = 0;\n"
        "for (i = 0; i < 40; i++) s += fib(i / 3) + isEven(i) * 100 + seven() + none(i)"
        " + mix(i, 3, i - 7);\n"
        "out(s); out(fib(20)); out(isOdd(33)); out(mix(2147483647, -1, 2));",
        // variables outside the function, read and written, and the order of calls and names
        "integer counter = 0; integer x = 1;\n"
        "integer bump(integer by) { counter += by; x = x * 2; return counter; }\n"
        "integer twice(integer n) { { if (n > 3) return n * 2; else ; } return bump(n) + x; }\n"
        "integer i; for (i = 0; i < 30; i++) { out(x + bump(1)); out(twice(i / 7 + 0 * 0)); }\n"
        "out(counter); out(x);",
        // parameters stepped and assigned, parenthesised expressions, arguments with steps
        "integer f(integer a, integer b) { a++; b -= a--; if (!(a - b)) return -a; "
        "return (a + 1) * (b - 2) + (5); }\n"
        "integer g(integer n) { integer k = n; return k; }\n"
        "integer i; integer t = 0;\n"
        "for (i = -20; i < 20; i++) { t += f(i, i * 3); t -= f(t / 1000, i++); t += g(i); }\n"
        "out(t); out(i);",
        // declared variables (one hiding a variable outside once declared, one taking a
        // parameter's place), loops, `break` inside and outside loops
        "integer g = 5;\n"
        "integer sum(integer n) { integer s = 0, i; for (i = 0; i < n; i++) { if (i == 7) break;"
        " s += i; } return s; }\n"
        "integer w(integer n) { g = g + 1; integer g = n; while (g > 0) { g -= 2; if (g == 3)"
        " return g; } return g + 100; }\n"
        "integer k(integer n) { integer m = n * 2, n = m + 1; if (n > 9) break; return n + m; }\n"
        "integer i; integer t = 0; for (i = 0; i < 30; i++) t += sum(i) + w(i) * 3 + k(i);\n"
        "out(t); out(g);",
        // arguments that are names are read once every argument has been evaluated
        "integer g = 2; integer h(integer a, integer b) { return a * 10 + b; }\n"
        "integer k(integer a) { return h(a, a++) + h(a--, a) * 100 + h(g, g++) * 10000; }\n"
        "integer m(integer a) { return h((a), (g--)) + h(-a, (a = 7)); }\n"
        "integer i; for (i = 0; i < 30; i++) { out(k(i)); out(m(i)); } out(g);",
        // a name that becomes a type between calls, and a redefined function
        "integer T = 3; integer h(integer n) { return n + T; }\n"
        "integer i; integer s = 0; for (i = 0; i < 20; i++) s += h(i); out(s);\n"
        "integer h(integer n) { return n * 10; } out(h(4));\n"
        "typedef integer T; out(h(2)); integer k(integer n) { return n + T; } out(k(1));",
        // a call made while a `return` inside `execute` has stopped execution
        "integer f(integer n) { return n + 1; }\n"
        "integer i; integer s = 0; for (i = 0; i < 30; i++) s += f(i); out(s);\n"
        "out(execute(\"return 5;\") + f(1));",
        // recursion that never ends
        "integer down(integer n) { if (n < -1) return 0; return down(n + 1) + 1; }\n"
        "out(down(0));",
    };
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        expectSameUnderAStepLimit(program);
    }
}

// A function of integers counts the steps of the general reading, where it counts them: the
// first calls read its body the general way, later ones run its compiled form, and a step limit
// that ends the run in any step of the last call reports what it reports in the same step of the
// first.
TEST(ScriptPrograms, IntegerFunctionsCountTheStepsOfTheGeneralReading) {
    const std::string functions =
        "integer g(integer a, integer b) { return a * 2 + b; }\n"
        "integer f(integer n) { integer k, s = 0;\n"
        "  for (k = 0; k < n; k++) { if (k > 1) s += g(k, n + 0); else ; }\n"
        "  while (n > 0) { n--; if (n == 1) break; }\n"
        "  { ; } if (s) { s; } else { ; } if (n) break; ; n = (n - 1) * (2);\n"
        "  return s + g(n, s) + g(n, n++); }\n";
    auto program = [&](int calls) {
        std::string text = functions + "integer r = 0;";
        for (int k = 0; k < calls; ++k)
            text += " r += f(4);";
        return text;
    };
    auto limited = [&](int calls, uint64_t steps) {
        scriptSetRunLimits(steps, 0);
        const ScriptRun r = runScript(program(calls));
        scriptSetRunLimits(0, 0);
        return r;
    };
    auto fewest = [&](int calls) {
        uint64_t low = 1, high = 1000000; // fails with low, succeeds with high
        while (high - low > 1) {
            const uint64_t mid = (low + high) / 2;
            (limited(calls, mid).ok ? high : low) = mid;
        }
        return high;
    };
    // The compiled form is made once the body's expressions were read twice and tried again
    // after some calls when a branch was not read yet: the last of 40 calls runs it.
    constexpr int kCalls = 40;
    const uint64_t none = fewest(0), perCall = fewest(1) - none;
    for (const int calls : {2, 5, kCalls})
        ASSERT_EQ(fewest(calls), none + calls * perCall) << calls << " calls";
    // (The last step of a run is the end of its text, behind the last call.)
    for (uint64_t k = 0; k + 1 < perCall; ++k) {
        const ScriptRun first = limited(kCalls, none + k),
                        last = limited(kCalls, none + (kCalls - 1) * perCall + k);
        ASSERT_FALSE(last.ok) << k;
        ASSERT_EQ(last.errors, first.errors) << k;
    }
}

// Random functions of integers give the same outputs and messages from their compiled form as
// under a step limit, where every call is read the general way.
TEST(ScriptPrograms, RandomIntegerFunctionsGiveTheSameResultsUnderAStepLimit) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const std::string program = RandomFunctions<std::mt19937>(std::mt19937(seed)).text();
        SCOPED_TRACE(program);
        expectSameUnderAStepLimit(program);
    }
}

// The same random functions stop, under step limits that end them part way, where the general
// reading stops: with the same outputs (what ran before) and the same messages (the line of the
// step and the calls it was in).
TEST(ScriptPrograms, RandomIntegerFunctionsStopWhereTheGeneralReadingStops) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const std::string program = RandomFunctions<std::mt19937>(std::mt19937(seed)).text();
        SCOPED_TRACE(program);
        for (const uint64_t steps : {700u, 2311u, 6007u, 15013u}) {
            stopsWhereTheGeneralReadingStops(program, steps);
            if (HasFailure()) return;
        }
    }
}

// Random integer programs give the same outputs and messages as the same programs with their
// loops written out round by round, where every statement is read once.
TEST(ScriptPrograms, RandomLoopsGiveWhatTheirRoundsWrittenOutGive) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const auto [looped, unrolled] = RandomProgram<std::mt19937>(std::mt19937(seed)).texts();
        SCOPED_TRACE(looped);
        const ScriptRun fast = runScript(looped);
        const ScriptRun once = runScript(unrolled);
        ASSERT_EQ(fast.ok, once.ok) << fast.errors << " | " << once.errors;
        ASSERT_EQ(fast.output, once.output);
        ASSERT_EQ(fast.errors, once.errors);
        if (seed % 3 == 0) expectSameUnderAStepLimit(looped);
        // Stopped part way, in the loops and in the plain expressions around them.
        if (seed % 5 == 0)
            for (const uint64_t steps : {5u, 37u, 211u, 997u}) {
                stopsWhereTheGeneralReadingStops(looped, steps);
                if (HasFailure()) return;
            }
    }
}

// With what only the general reading runs mixed in (`execute` changing the variables the
// compiled forms hold, declarations in loops, a `double` among the integers), random functions
// and loops still give what the general reading gives, stopped part way or not.
TEST(ScriptPrograms, MixedRandomProgramsGiveWhatTheGeneralReadingGives) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        const std::string functions =
            RandomFunctions<std::mt19937>(std::mt19937(seed), true).text();
        const std::string loops =
            RandomProgram<std::mt19937>(std::mt19937(seed), true).texts().first;
        for (const std::string& program : {functions, loops}) {
            SCOPED_TRACE(program);
            expectSameUnderAStepLimit(program);
            for (const uint64_t steps : {29u, 613u, 4049u}) {
                stopsWhereTheGeneralReadingStops(program, steps);
                if (HasFailure()) return;
            }
        }
    }
}

// Loops give the same outputs and messages whether they run from their compiled form or are
// read the general way, and a step limit that ends a run in any of its steps stops them where
// it stops the general reading.
TEST(ScriptPrograms, LoopsStopWhereTheGeneralReadingStops) {
    const char* programs[] = {
        // every step form, a step list, and `break`
        "integer i; integer j; integer s = 0;\n"
        "for (i = 0; i < 9; i++) s += i; for (i = 0; i < 9; ++i) s -= i * 2;\n"
        "for (i = 1; i < 60; i += 7) s += i; for (i = 1; i < 60; i = i + 5) s ^= i;\n"
        "for (i = 9; i > 0; i--) s += i; for (i = 9; i > 0; --i) s *= 3;\n"
        "for (i = 1; i < 999; i *= 3) s += i; for (i = 0, j = 20; i < j; i++, j -= 2) s++;\n"
        "i = 0; while (i < 20) { i++; if (i == 11) break; s -= i; } out(s); out(i); out(j);",
        // array elements, by literal and by name, read and written
        "integer a[8]; integer i; integer s = 0;\n"
        "for (i = 0; i < 8; i++) a[i] = i * i;\n"
        "for (i = 0; i < 8; i++) { a[i] += a[7 - i]; s += a[i] * a[3]; }\n"
        "for (i = 0; i < 24; i++) a[i / 4] = a[2] + i; out(s); out(a[5]);",
        // an index that leaves its array, part way through a loop
        "integer a[5]; integer i; integer s = 0;\nfor (i = 0; i < 9; i++) {\n"
        " s += i;\n a[i] = s; }\nout(s);",
        "integer a[5]; integer i = 8;\nwhile (i > -3) { a[i - 4] = 1; i--; }",
        // elements as a condition, an argument and in parentheses; the second index leaves
        "integer a[6]; integer i; integer s = 1; integer g(integer n) { return n + 1; }\n"
        "for (i = 0; i < 9; i++) { if (a[i]) s++;\n s += a[1] + g(a[i]) + (a[2]);\n"
        " a[i] = s * a[3] + a[i] + a[0]; }",
        // nested loops, and loops calling integer functions and inside them
        "integer f(integer n) { integer k, t = 0; for (k = 0; k < n; k++) t += k; return t; }\n"
        "integer i; integer j; integer s = 0;\n"
        "for (i = 0; i < 8; i++) { for (j = 0; j < i; j++) { if (j == 5) break; s += f(j); }"
        " while (j > 2) j -= 2; }\nout(s); out(j);",
        // a branch taken once, read the general way, and a loop whose body declares a name
        "integer i; integer s = 0;\nfor (i = 0; i < 40; i++) { if (i == 31) s = s * 3 + i; "
        "s++; }\nfor (i = 0; i < 6; i++) { integer s = i; s++; } out(s);\n"
        "i = 0; while (i < 6) { i++; if (i == 4) execute(\"typedef integer s;\"); } s x = 2;"
        " out(x);",
    };
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        expectSameUnderAStepLimit(program);
        for (uint64_t steps = 1;; ++steps) {
            const ScriptRun counted = stopsWhereTheGeneralReadingStops(program, steps);
            if (HasFailure()) return;
            if (counted.errors.find("step limit") == std::string::npos) break;
        }
    }
}

// A hook that sees integer values go sees the same values go whether loops and expressions run
// from integer forms or are read the general way.
TEST(ScriptPrograms, IntegerDeleteHookSeesTheSameValues) {
    const char* program = "#global integer DeleteValue( integer v ) { count(); return 0; }\n"
                          "integer i; integer s = 0; integer a[4];\n"
                          "for (i = 0; i < 40; i++) { if (i / 4 == 3) s += i; a[i / 10] = s; }\n"
                          "integer f(integer n, integer m) { return n + m; }\n"
                          "for (i = 0; i < 40; i++) s += f(i, 1);\n"
                          "out(s);";
    int before = countCalls();
    const ScriptRun fast = runScript(program, true);
    const int fastCalls = countCalls() - before;
    scriptSetIntegerForms(false);
    before = countCalls();
    const ScriptRun general = runScript(program, true);
    const int generalCalls = countCalls() - before;
    scriptSetIntegerForms(true);
    shutdownInterpreter();
    EXPECT_TRUE(fast.ok) << fast.errors;
    EXPECT_EQ(fast.output, general.output);
    EXPECT_EQ(fastCalls, generalCalls);
}

// A hook that sees strings go sees each assignment's value go as it was stored, also where the
// statement drops it.
TEST(ScriptPrograms, DeleteHookSeesDroppedAssignmentValues) {
    const char* program = "#global integer DeleteValue( string v ) { out(v); return 0; }\n"
                          "string s; integer i; for (i = 0; i < 3; i++) s = s + \"x\";";
    const ScriptRun run = runScript(program, true);
    shutdownInterpreter();
    EXPECT_TRUE(run.ok) << run.errors;
    EXPECT_EQ(
        run.output,
        "null \"x\" \"x\" \"x\" \"x\" \"x\" \"xx\" \"xx\" \"xx\" \"x\" \"xxx\" \"xxx\" \"xxx\"");
}

} // namespace
