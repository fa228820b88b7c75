#include "tests/script/ScriptTestHost.h"

#include "script/ScriptContext.h"
#include "script/ScriptMemory.h"
#include "script/ScriptNatives.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CLIPSTEAD_LSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CLIPSTEAD_LSAN 1
#endif
#ifdef CLIPSTEAD_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Declares one native process-wide.
void declare(const char* line, const char* name, const char* signature, ScriptNative fn) {
    ZRScriptHost host;
    host.allowGlobal = 1;
    ASSERT_EQ(scriptExecuteFormatted(&host, line, scriptRegisterNative(name, signature, fn)), 1)
        << host.errorText;
}

TEST(ScriptMessages, EveryFormSpelledExactly) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    struct FormCase {
        ScriptForm form;
        const char* text;
    };
    const FormCase cases[] = {
        {ScriptForm::Sentence, "Script interpretator: msg."},
        {ScriptForm::Plain, "Script interpretator: msg"},
        {ScriptForm::AtLine, "Script interpretator: msg (line 3)"},
        {ScriptForm::AtLineSentence, "Script interpretator: msg (line 3)."},
        {ScriptForm::SentenceAtLine, "Script interpretator: msg. (line 3)"},
        {ScriptForm::Named, "Script interpretator: msg 'name'"},
        {ScriptForm::NamedSentence, "Script interpretator: msg 'name'."},
        {ScriptForm::ColonNamedAtLine, "Script interpretator: msg: 'name' (line 3)"},
        {ScriptForm::ColonNamedAtLineDetail, "Script interpretator: msg: 'name' (line 3): reason"},
        {ScriptForm::FileAtLine, "Script interpretator: msg: file 'name' (line 3)"},
        {ScriptForm::NamedAtLine, "Script interpretator: msg 'name' (line 3)"},
        {ScriptForm::Ellipsis, "Script interpretator: msg..."},
        {ScriptForm::SpacedSentence, "Script interpretator:  msg."},
        {ScriptForm::Spaced, "Script interpretator:  msg"},
    };
    for (const FormCase& c : cases) {
        ZRScriptContext ctx(nullptr);
        ctx.report(c.form, "msg", 3, "name", "reason");
        EXPECT_EQ(ctx.errorText, c.text);
    }
}

TEST(ScriptMessages, FormsOfFailingScriptsWithTheirLines) {
    QTemporaryDir dir;
    QFile broken(dir.filePath("broken.zrs"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\n@");
    broken.close();
    struct ErrorCase {
        const char* script;
        const char* errors;
    };
    const ErrorCase cases[] = {
        {"integer x;\n\nx = y;", "Script interpretator: unknown variable 'y'"}, // F
        {"\nnothing(1);", "Script interpretator: unknown function 'nothing'."}, // G
        {"\n\n#include \"absent.zrs\"", "Script interpretator: Cannot open include file: "
                                        "'absent.zrs' (line 3)"}, // H
        {"\n#include \"broken.zrs\"\nout(1) + @;",
         "Script interpretator: lexical error (line 2).\n"
         "Script interpretator: error in external script execution: file 'broken.zrs' (line 2)\n"
         "Script interpretator: lexical error (line 3)."}, // J, D
        {"typedef struct {\n\n string s; Nothing n; } S;",
         "Script interpretator: illegal structure field 'n' (line 3)"},          // K
        {"integer x;\nx.1;", "Script interpretator: Syntax error..."},           // L
        {"integer x;\n\nx = (x;", "Script interpretator: missing ')' (line 3)"}, // C
        {"integer i;\nwhile (i < 1) {\n return; }", "Script interpretator: illegal expression. "
                                                    "(line 3)"},           // E
        {"integer x;\n\nx = 1 ];", "Script interpretator: Syntax error."}, // A
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script, false, 0, dir.path().toStdString());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(ScriptMessages, MemoryErrorsInsideConversions) {
    ASSERT_TRUE(runScript("integer warm = 1;").ok);
    scriptFailAllocationAfter(1); // the text of the number
    ScriptRun r = runScript("string s = 12;");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator:  Memory allocation error.\n"
                        "Script interpretator: can't assign integer to string");
    scriptFailAllocationAfter(2); // the literal, then its copy into the variable
    r = runScript("string s = \"x\";");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator:  Memory allocation error\n"
                        "Script interpretator: can't assign string to string");
    scriptFailAllocationAfter(0);
}

TEST(ScriptRuns, MessagesOfSucceedingRunsReachTheDebugOutput) {
    static std::vector<std::string> debugLines;
    debugLines.clear();
    ZRScriptHost host;
    host.debug = [](ZRScriptHost*, const char* text) { debugLines.emplace_back(text); };
    EXPECT_EQ(scriptExecute(&host, "integer *p = 1;"), 1);
    ASSERT_EQ(debugLines.size(), 1u);
    EXPECT_EQ(debugLines[0], host.errorText);
    EXPECT_EQ(scriptExecute(&host, "integer x = 1;"), 1); // nothing to say
    EXPECT_EQ(scriptExecute(&host, "x = ;"), 0);          // the host has the failure's text
    EXPECT_EQ(debugLines.size(), 1u);
}

TEST(ScriptRuns, PersistentContextsKeepVariablesUntilDestroyed) {
    EXPECT_TRUE(runScript("integer kept = 5; string text = \"w\";", false, 9).ok);
    ScriptRun r = runScript("kept += 1; text += kept; out(kept); out(text);", false, 9);
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "6 \"w6\"");
    EXPECT_EQ(runScript("out(kept);", false, 10).errors,
              "Script interpretator: unknown variable 'kept'");
    EXPECT_EQ(scriptDestroyPersistent(9), 1);
    EXPECT_EQ(scriptDestroyPersistent(9), 0);
    EXPECT_EQ(runScript("out(kept);", false, 9).errors,
              "Script interpretator: unknown variable 'kept'");
}

// A native that stands inside a run for a moment: two runs inside at once would be seen.
std::atomic<int> gInside{0};
std::atomic<bool> gOverlap{false};
int busy(ZRScriptHost* host, ScriptCall* call, void* const* args, int) {
    if (gInside.fetch_add(1) != 0) gOverlap = true;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    gInside.fetch_sub(1);
    *static_cast<std::string*>(host->reserved) += std::to_string(scriptSlot<int32_t>(args[0]));
    scriptSetSlot(call->result, int32_t(1));
    return 1;
}

TEST(ScriptRuns, TwoThreadsRunOneAtATime) {
    declare("#global integer note( integer i ) = 0x%X;", "note", "integer(integer)", busy);
    auto work = [](int seed, std::string& failures) {
        for (int round = 0; round < 20; ++round) {
            std::string noted;
            ZRScriptHost host;
            host.reserved = &noted;
            const std::string text = "integer s = 0; integer i; for (i = 0; i < 100; i += 1)"
                                     " s += i * " +
                                     std::to_string(seed) + "; note(s); string t = \"n\" + s;";
            if (scriptExecute(&host, text) != 1 || noted != std::to_string(4950 * seed))
                failures += host.errorText + "|" + noted + ";";
        }
    };
    std::string failuresA, failuresB;
    std::thread a(work, 1, std::ref(failuresA));
    std::thread b(work, 3, std::ref(failuresB));
    a.join();
    b.join();
    EXPECT_EQ(failuresA, "");
    EXPECT_EQ(failuresB, "");
    EXPECT_FALSE(gOverlap.load());
}

// A native that runs a nested script on the same record.
int nested(ZRScriptHost* host, ScriptCall* call, void* const*, int) {
    scriptSetSlot(call->result, int32_t(scriptExecute(host, "count();")));
    return 1;
}

struct HookLog {
    int starts = 0;
    int finishes = 0;
    int lastFailed = -1;
    std::string lastErrors;
    long allocations = 0;
    long releases = 0;
};
HookLog gHooks;

int onStart(ZRScriptHost*, ScriptCall*, void* const*, int) {
    ++gHooks.starts;
    return 1;
}
int onFinish(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    ++gHooks.finishes;
    gHooks.lastFailed = scriptSlot<int32_t>(args[0]);
    const char* text = scriptSlot<const char*>(args[1]);
    gHooks.lastErrors = text ? text : "(none)";
    return 1;
}
int hookMalloc(ZRScriptHost*, ScriptCall* call, void* const* args, int) {
    ++gHooks.allocations;
    scriptSetSlot(call->result,
                  std::aligned_alloc(16, (scriptSlot<uint64_t>(args[0]) + 15) & ~15u));
    return 1;
}
int hookFree(ZRScriptHost*, ScriptCall*, void* const* args, int) {
    ++gHooks.releases;
    std::free(scriptSlot<void*>(args[0]));
    return 1;
}

TEST(ScriptRuns, HooksAroundRunsAndForMemory) {
    ASSERT_TRUE(runScript("integer warm;").ok);
    // A script function of a hook's name stays an ordinary function.
    ScriptRun r = runScript("#global integer OnStart() { count(); return 7; }", true);
    ASSERT_TRUE(r.ok) << r.errors;
    const int before = countCalls();
    r = runScript("out(OnStart);");
    EXPECT_EQ(r.output, "7");
    EXPECT_EQ(countCalls() - before, 1);

    gHooks = HookLog{};
    declare("#global integer OnStart( ) = 0x%X;", "OnStart", "integer()", onStart);
    declare("#global integer OnFinish( integer failed, string text ) = 0x%X;", "OnFinish",
            "integer(integer,string)", onFinish);
    declare("#global unsigned Malloc( unsigned size ) = 0x%X;", "Malloc", "unsigned(unsigned)",
            hookMalloc);
    declare("#global integer Free( unsigned memory ) = 0x%X;", "Free", "integer(unsigned)",
            hookFree);
    declare("#global integer nested( ) = 0x%X;", "nested", "integer()", nested);

    gHooks = HookLog{};
    r = runScript("string s = \"a\" + 1; out(s); nested;");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "\"a1\"");
    EXPECT_EQ(gHooks.starts, 1); // the nested run is not an outermost one
    EXPECT_EQ(gHooks.finishes, 1);
    EXPECT_EQ(gHooks.lastFailed, 0);
    EXPECT_EQ(gHooks.lastErrors, "(none)");
    EXPECT_GT(gHooks.allocations, 0);
    EXPECT_EQ(gHooks.allocations, gHooks.releases);

    r = runScript("Malloc(1);"); // taken out of the list: not a function any more
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(gHooks.lastFailed, 1);
    EXPECT_EQ(gHooks.lastErrors, "Script interpretator: unknown function 'Malloc'.");
    EXPECT_EQ(r.errors, gHooks.lastErrors);

    // Memory made before the hooks keeps going back to the runtime library; what the hooks made
    // goes back to Free, also at shutdown.
    shutdownInterpreter();
    EXPECT_EQ(gHooks.allocations, gHooks.releases);
    const int starts = gHooks.starts;
    EXPECT_TRUE(runScript("out(1);").ok);
    EXPECT_EQ(gHooks.starts, starts); // gone with the shutdown
}

struct Info {
    std::string name;
    float version = 0;
    bool found = false;
};
Info gInfo;

int readInfo(ZRScriptHost* host, ScriptCall* call, void* const* args, int) {
    const uint64_t pointer = scriptSlot<uint64_t>(args[0]);
    void* name = scriptPointerMember(host, pointer, "Info", "name");
    void* version = scriptPointerMember(host, pointer, "Info", "version");
    gInfo.found = name && version && !scriptPointerMember(host, pointer, "Info", "other");
    if (gInfo.found) {
        const char* text = scriptSlot<const char*>(name);
        gInfo.name = text ? text : "";
        gInfo.version = scriptSlot<float>(version);
    }
    scriptSetSlot(call->result, int32_t(1));
    return 1;
}

TEST(ScriptRuns, StructureMembersForNatives) {
    ScriptRun r = runScript("#global typedef struct { string name; string author; string more;"
                            " float version; } Info;",
                            true);
    ASSERT_TRUE(r.ok) << r.errors;
    declare("#global integer readInfo( Info *info ) = 0x%X;", "readInfo", "integer(Info*)",
            readInfo);
    r = runScript("Info i; i.name = \"title\"; i.version = 1.5f; readInfo(&i);");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_TRUE(gInfo.found);
    EXPECT_EQ(gInfo.name, "title");
    EXPECT_EQ(gInfo.version, 1.5f);
    gInfo = Info{};
    r = runScript("Info *none; readInfo(none);"); // points nowhere: nothing to read
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_FALSE(gInfo.found);

    // A variable of a persistent context, read by name after its run, and a value area.
    ZRScriptHost host;
    host.persistentId = 21;
    ASSERT_EQ(scriptExecute(&host, "Info keep; keep.version = 2.5f; keep.name = \"k\";"), 1)
        << host.errorText;
    void* version = scriptVariableMember(&host, "keep", "version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(scriptSlot<float>(version), 2.5f);
    EXPECT_EQ(scriptVariableMember(&host, "keep", "nothing"), nullptr);
    EXPECT_EQ(scriptVariableMember(&host, "absent", "version"), nullptr);
    void* name = scriptVariableMember(&host, "keep", "name");
    ASSERT_NE(name, nullptr);
    // The structure is 28 bytes: its value area holds the address of its block.
    unsigned char* block = static_cast<unsigned char*>(name);
    alignas(8) unsigned char area[16] = {};
    std::memcpy(area, &block, sizeof block);
    EXPECT_EQ(scriptStructMember(&host, area, "Info", "name"), name);
    EXPECT_EQ(scriptStructMember(&host, area, "integer", "name"), nullptr);
    EXPECT_EQ(scriptDestroyPersistent(21), 1);
}

// Expressions read again (loops, function bodies) take kept reduction orders, integer forms
// and skipped statements; their results must be those of the first reading.
TEST(ScriptRuns, ExpressionsReadAgainGiveTheSameResults) {
    const char* expressions[] = {
        "10 - 4 - 3",
        "-2 + 3",
        "2 * -3 + 1",
        "8 / 4 / 2",
        "!a == b",
        "a = b = 3",
        "a == -1 && b",
        "7 / 0",
        "(-2147483647 - 1) / -1",
        "1 + 2 * 3 - 4 / 2",
        "-a - -b",
        "a += b -= 1",
        "a || 0",
        "(a + 1) * (b - 1)",
        "a = -a",
    };
    for (const char* e : expressions) {
        SCOPED_TRACE(e);
        const std::string once = std::string("integer a = 2; integer b = 5; out(") + e + ");";
        const std::string loop = std::string("integer k; for (k = 0; k < 3; k += 1) {"
                                             " integer a = 2; integer b = 5; out(") +
                                 e + "); }";
        const ScriptRun first = runScript(once);
        const ScriptRun again = runScript(loop);
        EXPECT_EQ(again.output, first.output + " " + first.output + " " + first.output);
        EXPECT_EQ(again.errors, first.errors);
    }
    // A name whose variable changes its type between two readings of the same expression.
    ScriptRun r = runScript("integer x = 1; integer i = 0;"
                            " while (i < 2) { out(x + 1); unsigned x = 7; i += 1; }");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "2 1");
    // Bodies left by `return` and branches not taken, read many times.
    r = runScript("integer f(integer n) { if (n < 2) return n; if (n == 100) { out(0); }"
                  " else { integer unused; } return f(n - 1) + f(n - 2); } out(f(15));");
    EXPECT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.output, "610");
}

// Loops of integer expressions run their later rounds from the expressions' integer forms; the
// results, the number of rounds and the side effects of conditions are those of the text.
TEST(ScriptRuns, IntegerLoopsGiveTheGeneralResults) {
    struct Case {
        const char* script;
        const char* output;
    } const cases[] = {
        {"integer s = 0; integer i; for (i = 0; i < 10; i += 1) s += i * i; out(s); out(i);",
         "285 10"},
        {"integer i = 0; integer n = 1; while (i < 10) { n = n * 2; i += 1; } out(n); out(i);",
         "1024 10"},
        {"integer s = 0; integer i; integer j; for (i = 0, j = 10; i < j; i += 1, j -= 1)"
         " { ; s += j - i; ; } out(s); out(i); out(j);",
         "30 5 5"},
        {"integer s = 0; integer i; for (i = 0; i < 3; i += 1) s += 1; out(s); out(i);", "3 3"},
        {"integer s = 0; integer i; for (i = 0; i < 2; i += 1) s += 1; out(s); out(i);", "2 2"},
        {"integer s = 0; integer n = 5; while (n -= 1) s += n; out(s); out(n);", "10 0"},
        {"integer n = 7; while (n) n -= 1; out(n);", "0"},
        {"integer s = 0; integer i; for (i = 10; i > -10; i -= 3) s = s * 2 - i; out(s);", "-910"},
        {"unsigned u = 0; integer i; for (i = 0; i < 5; i += 1) u += 2; out(u);", "0xA"},
        {"integer i; integer s; for (i = 0; i < 5; i += 1) { s += i; if (i == 3) break; } out(s);",
         "6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun r = runScript(c.script);
        EXPECT_TRUE(r.ok) << r.errors;
        EXPECT_EQ(r.output, c.output);
        scriptSetRunLimits(UINT32_MAX, 0); // with a limit every round is read from the text
        const ScriptRun read = runScript(c.script);
        scriptSetRunLimits(0, 0);
        EXPECT_EQ(read.output, c.output);
    }
    // Limits count every round read, so they still end a loop without end.
    scriptSetRunLimits(5000, 0);
    const ScriptRun r = runScript("integer i;\nwhile (1) i += 1;");
    scriptSetRunLimits(0, 0);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Script interpretator: step limit reached. (line 2)");
}

TEST(ScriptShutdown, LeavesNothingBehind) {
    ScriptRun r = runScript("#global integer gtwice( integer i ) { return i * 2; }"
                            "#global typedef struct { string s; integer v[20]; } GBig;"
                            "#global GBig gbig; #global string gtext = \"kept\";",
                            true);
    ASSERT_TRUE(r.ok) << r.errors;
    ASSERT_TRUE(runScript("string p = \"x\" + 1; integer keep = 4;", false, 31).ok);
    ASSERT_TRUE(runScript("gbig.s = gtext + gtwice(2); integer *q = &gbig.v[3];").ok);
    EXPECT_GT(scriptMemoryInUse(), 0u);

    shutdownInterpreter();
    EXPECT_EQ(scriptMemoryInUse(), 0u);
    EXPECT_EQ(scriptPointerTableSize(), 0u);
#ifdef CLIPSTEAD_LSAN
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
    // The next run starts afresh.
    r = runScript("out(abs(-4)); out(gtwice(1));");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.output, "4");
    EXPECT_EQ(r.errors, "Script interpretator: unknown function 'gtwice'.");
}

} // namespace
