#pragma once

#include "script/ScriptCompiledPlace.h"
#include "script/ScriptIntegerFunction.h"
#include "script/ScriptIntegerLoop.h"
#include "script/ScriptInterpreter.h"
#include "script/ScriptLexer.h"
#include "script/ScriptMemory.h"
#include "script/ScriptNatives.h"
#include "script/ScriptStatementNodes.h"
#include "script/ScriptTypes.h"
#include "script/ScriptValueStack.h"
#include "script/ScriptVariables.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// A persistent context: variables and types that outlive a run, found again by id.
struct ZRScriptPersistent {
    std::string name;
    int32_t id = 0;
    ScriptTypeList types;
    ScriptVarList variables;
    int users = 0; ///< runs in progress that use the context
};

/// State shared by every run of the process, made on the first run and kept to the end of the
/// process. Guarded by `lock`, which a run holds from start to end.
struct ScriptGlobalState {
    std::recursive_mutex lock;
    ScriptTypeList types;
    ScriptBuiltinTypes builtin;
    ScriptVarList variables;
    std::vector<std::unique_ptr<ZRScriptPersistent>> persistents;
    bool builtinsMade = false;
    int nesting = 0;                           ///< runs in progress on the locking thread
    ScriptVariable* deleteHooks = nullptr;     ///< newest process-wide `DeleteValue`, if any
    ScriptVariable* conversionHooks = nullptr; ///< newest process-wide `Conversion`, if any
    // The run and allocation hooks (see ScriptNatives.h), and the records taken out of the
    // process-wide list for them (kept: an expression in progress may still refer to one).
    const ScriptNativeEntry* onStart = nullptr;
    const ScriptNativeEntry* onFinish = nullptr;
    const ScriptNativeEntry* mallocHook = nullptr;
    const ScriptNativeEntry* freeHook = nullptr;
    bool hookScanPending = false; ///< a process-wide function was made since the last scan
    std::vector<std::unique_ptr<ScriptVariable>> retiredHooks;
    uint64_t stepLimit = 0;
    uint32_t timeLimitMs = 0;
    bool integerForms = true; ///< see scriptSetIntegerForms
};

ScriptGlobalState& scriptGlobal();

// Run hooks (ScriptHooks.cpp), called under the lock by the outermost run.
void scriptCallStartHook(ScriptGlobalState& g, ZRScriptHost* host);
void scriptCallFinishHook(ScriptGlobalState& g, ZRScriptHost* host, bool failed,
                          const std::string& errors);
/// Uninstalls every hook (at shutdown).
void scriptClearHooks(ScriptGlobalState& g);

/// Classes of value stack entries.
enum class ScriptEntryKind : uint8_t { Value, Ref, Name, Type, Operator };
enum class ScriptFixity : uint8_t { Binary, Prefix, Postfix };

/// An entry of the evaluator's value stack. A `Value` owns what its area holds; a `Ref` names
/// a place (region and offset) that holds an object of `type`; a `Name` is not yet resolved.
struct ScriptEntry {
    ScriptEntryKind kind = ScriptEntryKind::Value;
    ScriptOp op = ScriptOp::None;
    ScriptFixity fixity = ScriptFixity::Binary;
    uint32_t token = 0;                 ///< token of a name or operator (for messages)
    ScriptType* type = nullptr;         ///< value, place, type entry or cast target
    ScriptVariable* variable = nullptr; ///< the named variable of a `Ref`, if any
    union {
        alignas(8) unsigned char area[16];
        struct {
            ScriptStorage* storage;
            uint32_t offset;
        } ref;
    };
    ScriptEntry() { std::memset(area, 0, sizeof area); }
    bool isOperand() const {
        return kind == ScriptEntryKind::Value || kind == ScriptEntryKind::Ref ||
               kind == ScriptEntryKind::Name || kind == ScriptEntryKind::Type;
    }
    unsigned char* place() const { return ref.storage->base + ref.offset; }
    /// Makes the entry a value holding the 16-byte area `from` (which it then owns); what the
    /// entry held before must be released already.
    void holdValue(ScriptType* valueType, const unsigned char* from) {
        kind = ScriptEntryKind::Value;
        variable = nullptr;
        type = valueType;
        std::memcpy(area, from, sizeof area);
    }
};

/// An integer value that an evaluation hands over directly instead of on the value stack.
struct ScriptDirect {
    bool taken = false;
    int32_t value = 0;
    /// Set by a caller that drops the value (an expression statement, a `for` list): an
    /// assignment that ends the expression then leaves no copy of a string it stored.
    bool dropped = false;
};

/// An owned value outside the stack.
struct ScriptValue {
    ScriptType* type = nullptr;
    alignas(8) unsigned char area[16] = {};
};

/// What running a loop's further rounds from its compiled form did: nothing (the loop has none
/// now), every round up to its end, or it failed (the message is reported).
enum class ScriptLoopRun { NotRun, Finished, Failed };

/// Message forms: how a message text joins the prefix, the word "line", a line number and names
/// (shown with message "m", name "n", line 3 and detail "x").
enum class ScriptForm {
    Sentence,               ///< "<prefix>m."
    Plain,                  ///< "<prefix>m"
    AtLine,                 ///< "<prefix>m (line 3)"
    AtLineSentence,         ///< "<prefix>m (line 3)."
    SentenceAtLine,         ///< "<prefix>m. (line 3)"
    Named,                  ///< "<prefix>m 'n'"
    NamedSentence,          ///< "<prefix>m 'n'."
    ColonNamedAtLine,       ///< "<prefix>m: 'n' (line 3)"
    ColonNamedAtLineDetail, ///< "<prefix>m: 'n' (line 3): x"
    FileAtLine,             ///< "<prefix>m: file 'n' (line 3)"
    NamedAtLine,            ///< "<prefix>m 'n' (line 3)"
    Ellipsis,               ///< "<prefix>m..."
    SpacedSentence,         ///< "<prefix> m." (memory errors inside conversions)
    Spaced,                 ///< "<prefix> m"
};

/// Position result meaning "fatal error; the messages are in the context".
inline constexpr uint32_t kScriptFail = UINT32_MAX;

/// One run of the interpreter. Confined to the thread of the run.
struct ZRScriptContext {
    explicit ZRScriptContext(ZRScriptHost* host);
    ~ZRScriptContext();
    static constexpr int kMaxSyntaxDepth = 500; ///< nesting of statements and expressions
    ZRScriptContext(const ZRScriptContext&) = delete;
    ZRScriptContext& operator=(const ZRScriptContext&) = delete;

    ZRScriptHost* host;
    ScriptGlobalState& global;
    const ScriptBuiltinTypes& bt;
    ScriptTypeList ownTypes;
    ScriptTypeList* localTypes = &ownTypes; ///< where the run's non-global types go
    ScriptVarList* locals = nullptr;        ///< the running function's parameters and locals
    ScriptVarList scriptVariables;
    ZRScriptPersistent* persistent = nullptr;
    ScriptValueStack<ScriptEntry> stack;
    size_t frameBase = 0; ///< stack height when the running frame began
    bool breakFlag = false;
    bool returnFlag = false;
    int callDepth = 0;
    int includeDepth = 0;
    int syntaxDepth = 0;
    bool globalPending = false; ///< a `#global` waits for its declaration
    uint32_t pendingWrites = 0; ///< times `globalPending` was set (see setGlobalPending)
    bool defineGlobal = false;  ///< a declaration defines process-wide
    bool allowGlobal = false;
    bool inDeleteHook = false;
    bool readingFields = false; ///< the declarators of a structure's fields are being read
    std::string errorText;
    std::string separator = "\n";
    const ScriptSource* src = nullptr;        ///< the text being read
    const ScriptSourcePtr* srcHold = nullptr; ///< owner of `src`, for functions defined in it
    ScriptForm lexicalForm = ScriptForm::AtLineSentence; ///< form of "lexical error" in expressions
    uint32_t exprStop = ScriptSource::kNoStop; ///< token that reads as `;` (an #include line end)
    ScriptValue returnValue;                   ///< value left by `return`
    bool hasReturnValue = false;
    uint64_t steps = 0;
    std::vector<std::unique_ptr<ScriptVariable>> spareVariables; ///< records of finished calls
    std::vector<std::unique_ptr<ScriptVarList>> spareLists;      ///< local lists by call depth
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    int lineNow = 0; ///< line of the token being read
    const char* stackLimit = nullptr;
    int syntaxPeak = 0; ///< deepest syntax level reached (for compiled statement lists)
    /// The texts `#include` has read in this run, by name and path: each is read once.
    std::unordered_map<std::string, ScriptSourcePtr> includedTexts;

    // ---- reading
    const ScriptTok& tok(uint32_t i) const { return i == exprStop ? stopToken(i) : src->at(i); }
    const ScriptTok& stopToken(uint32_t i) const;
    int line(uint32_t i) const { return int(src->at(i).line); }
    std::string_view nameOf(uint32_t i) const { return src->name(src->at(i)); }
    bool countStep(uint32_t pos) {
        ++steps;
        return (!global.stepLimit && !global.timeLimitMs) || checkLimits(pos);
    }
    bool checkLimits(uint32_t pos);
    /// countStep for a step whose line is known (the step's token may be of another text).
    bool countStepAt(int line) {
        ++steps;
        return (!global.stepLimit && !global.timeLimitMs) || checkLimitsAt(line);
    }
    bool checkLimitsAt(int line);
    bool limitReached() const {
        const bool late = global.timeLimitMs && std::chrono::steady_clock::now() - started >
                                                    std::chrono::milliseconds(global.timeLimitMs);
        return (global.stepLimit && steps > global.stepLimit) || late;
    }
    bool enterSyntax(uint32_t pos) {
        char probe;
        if (++syntaxDepth > kMaxSyntaxDepth || (stackLimit && &probe < stackLimit))
            return syntaxTooDeep(pos);
        if (syntaxDepth > syntaxPeak) syntaxPeak = syntaxDepth;
        return true;
    }
    bool syntaxTooDeep(uint32_t pos);
    void leaveSyntax() { --syntaxDepth; }
    /// The compiled form of the expression or call that starts at a token of the current text,
    /// made the second time the same `use` reads there (1: an expression, 8: a call; 2 and 4
    /// are the compiled statement lists'); null before, so that a text read once (most of a
    /// project file) is read straight from its tokens and compiles nothing: compiling at the
    /// first reading makes loading a project of 10,000 objects about 40% slower and its peak
    /// memory 60 MB larger, for code that never runs again.
    ScriptCompiledPlace* compiledPlace(uint32_t pos, uint8_t use) {
        ScriptSource::NameCache& c = src->cache(pos);
        if (c.compiled) return c.compiled;
        if (!(c.seen & use)) {
            c.seen |= use;
            return nullptr;
        }
        return &src->compiledPlace(pos);
    }

    // ---- messages (ScriptContext.cpp)
    void report(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void report(ScriptForm form, std::string_view message, int line = 0, std::string_view name = {},
                std::string_view extra = {});
    void reportPointerFault(ScriptPointerFault fault, int line);

    // ---- names and lists (ScriptContext.cpp)
    ScriptType* findType(std::string_view name, uint64_t hash) const;
    ScriptType* typeNamed(uint32_t tokenIndex) const; ///< a type name at a token, `int` included
    ScriptVariable* findVariable(std::string_view name, uint64_t hash) const;
    /// findVariable for the identifier at a token of the current text, cached per token while
    /// no variable list changes.
    ScriptVariable* variableAt(uint32_t tokenIndex);
    ScriptTypeList& typeListFor(bool global);
    ScriptType* internPointer(ScriptType* target, bool fromDeclarator);
    ScriptType* internArray(ScriptType* element, uint32_t count);
    ScriptType* internFunction(ScriptType* result, std::vector<ScriptMember> params, bool varArgs);
    ScriptVariable* newVariable(std::string_view name, ScriptType* type);
    void destroyVariables(ScriptVarList& list, bool keepRecords = false);
    void refreshHooks();
    /// Installs the process-wide natives named OnStart, OnFinish, Malloc and Free made since
    /// the last scan (after each declaration statement). ScriptHooks.cpp. A native of a hook's
    /// name but of another signature is refused: reported, taken out, false returned.
    bool installHooks();

    // ---- values (ScriptValues.cpp)
    void destroyValue(ScriptType* type, void* area) {
        if (type && (type->hasStrings || type->isLarge() || global.deleteHooks))
            destroyValueSlow(type, area);
    }
    void destroyValueSlow(ScriptType* type, void* area);
    /// What an identifier token names besides variables: a type, or a process-wide function
    /// without parameters. Cached per token while no type or process-wide name changes.
    struct NameClass {
        ScriptType* type = nullptr;
        ScriptVariable* immediate = nullptr;
    };
    NameClass classify(uint32_t tokenIndex) {
        const ScriptSource::NameCache& c = src->cache(tokenIndex);
        if (c.epoch != scriptNameEpoch()) return classifyAgain(tokenIndex);
        return NameClass{static_cast<ScriptType*>(c.type),
                         static_cast<ScriptVariable*>(c.immediate)};
    }
    NameClass classifyAgain(uint32_t tokenIndex);
    void destroyAt(ScriptType* type, unsigned char* data);
    bool copyAt(ScriptType* type, unsigned char* dst, const unsigned char* src);
    bool load(ScriptType* type, const unsigned char* data, void* area);
    void store(ScriptType* type, unsigned char* data, void* area);
    bool convert(void* dst, ScriptType* dstType, const void* src, ScriptType* srcType);
    bool toInteger(const ScriptValue& v, int32_t& out);
    std::string numberText(ScriptType* type, const void* area) const;
    ScriptVariable* findHook(ScriptVariable* head, ScriptType* param, ScriptType* result,
                             bool checkResult);

    // ---- statements (ScriptStatements.cpp)
    uint32_t executeStatements(uint32_t pos, bool listMode, bool execute, bool loop);
    /// Evaluates a condition (a value is required) and converts it to integer.
    uint32_t evaluateCondition(uint32_t pos, bool run, int32_t& condition);
    uint32_t statementIf(uint32_t pos, bool run, bool loop);
    /// A loop's condition for one round (0 when not running): from the loop's integer forms,
    /// which may run this and the further rounds, or evaluated. The condition's end token.
    uint32_t loopCondition(uint32_t pos, int round, bool run, uint32_t conditionPos,
                           ScriptTokenKind conditionEnd, uint32_t bodyPos, uint32_t stepPos,
                           int32_t& condition);
    uint32_t statementWhile(uint32_t pos, bool run);
    uint32_t statementFor(uint32_t pos, bool run);
    uint32_t statementTypedef(uint32_t pos, bool run);
    uint32_t statementStruct(uint32_t pos, bool run, bool global);
    uint32_t statementInclude(uint32_t pos, bool run);
    uint32_t declaration(uint32_t pos, bool run);
    uint32_t declarators(uint32_t pos, bool run);
    /// The statement loop of executeStatements, reading from the text.
    uint32_t statementLoop(uint32_t pos, bool listMode, bool run, bool loop);
    /// What the statement at a token is (`End` for a `}` or the text's end).
    ScriptStatementNode::Kind statementKind(uint32_t pos) {
        using Node = ScriptStatementNode;
        using Kind = ScriptTokenKind;
        switch (tok(pos).kind) {
        case Kind::End:
        case Kind::RightBrace:
            return Node::Kind::End;
        case Kind::Semicolon:
            return Node::Kind::Empty;
        case Kind::LeftBrace:
            return Node::Kind::Block;
        case Kind::If:
            return Node::Kind::If;
        case Kind::While:
            return Node::Kind::While;
        case Kind::For:
            return Node::Kind::For;
        case Kind::Return:
            return Node::Kind::Return;
        case Kind::Break:
            return Node::Kind::Break;
        case Kind::Typedef:
            return Node::Kind::Typedef;
        case Kind::Global:
            return Node::Kind::Global;
        case Kind::Include:
            return Node::Kind::Include;
        case Kind::Identifier:
            if (classify(pos).type || nameOf(pos) == "anytype") return Node::Kind::Declaration;
            return Node::Kind::Expression;
        case Kind::Integer:
        case Kind::Unsigned:
        case Kind::Float:
        case Kind::Double:
        case Kind::String:
        case Kind::Operator:
            return Node::Kind::Expression;
        case Kind::LeftParen:
            return Node::Kind::Parenthesised;
        case Kind::Error:
            return Node::Kind::Lexical;
        default:
            return Node::Kind::Syntax;
        }
    }
    /// Reads one statement of `kind` (not `End`) at `pos`, performing it with `run`: the token
    /// behind it, or kScriptFail.
    uint32_t statement(uint32_t pos, ScriptStatementNode::Kind kind, bool run, bool loop);
    uint32_t statementBlock(uint32_t pos, bool run, bool loop);
    uint32_t statementReturn(uint32_t pos, bool run);
    uint32_t statementParenthesised(uint32_t pos, bool run);
    /// Reports a `Lexical` or `Syntax` statement.
    uint32_t statementUnreadable(uint32_t pos, ScriptStatementNode::Kind kind);
    /// An expression statement (without its `;`): its value, if any, is dropped.
    uint32_t expressionStatement(uint32_t pos, bool run) {
        const size_t before = stack.size();
        ScriptDirect discarded;
        discarded.dropped = true;
        const uint32_t next = evaluate(pos, run, &discarded);
        if (next != kScriptFail) popEntries(before);
        return next;
    }
    void setGlobalPending(bool pending) {
        globalPending = pending;
        ++pendingWrites;
    }
    // Compiled statement lists (ScriptStatementNodes.cpp).
    /// The compiled form of the list (or single statement) at `pos` of the current text for the
    /// names as they are; null the first time it is read (a text read once compiles nothing),
    /// and when it cannot be compiled.
    const ScriptStatementList* statementList(uint32_t pos, bool listMode) {
        if (const ScriptStatementLists* lists = src->statementListsMade(pos)) {
            const ScriptStatementList& list = listMode ? lists->list : lists->single;
            if (list.epoch == scriptNameEpoch() && exprStop == ScriptSource::kNoStop)
                return list.failed ? nullptr : &list;
        }
        return statementListAgain(pos, listMode);
    }
    const ScriptStatementList* statementListAgain(uint32_t pos, bool listMode);
    /// Reads the list at `pos` without performing it into `list`, which is marked failed, with
    /// nothing reported, when the reading fails or reports something.
    void compileStatements(ScriptStatementList& list, uint32_t pos, bool listMode);
    /// The statement loop over a compiled list: nodes performed as the text's reading performs
    /// them, nodes not performed jumped over; reading goes on from the text when a statement
    /// performed changes what a name means.
    uint32_t runStatements(const ScriptStatementList& list, bool listMode, bool run, bool loop);
    bool takeGlobal(bool run, ScriptForm disabledForm, bool prefixed);
    uint32_t initialise(uint32_t pos, bool run, ScriptVariable* variable);
    bool runText(const ScriptSourcePtr& source, bool execute);
    /// Releases what the run made (stack, return value, script variables) while it can still
    /// report.
    void finish();

    // ---- declarators (ScriptDeclarators.cpp)
    /// A declarator as read: its name and the derivations to apply to the base type, innermost
    /// first.
    struct Declarator {
        struct Step {
            enum class Kind { Pointer, Array, Function } kind;
            uint32_t count = 0;
            std::vector<ScriptMember> params;
            bool varArgs = false;
        };
        uint32_t nameToken = UINT32_MAX;
        std::vector<Step> steps;
    };
    uint32_t parseDeclarator(uint32_t pos, bool run, Declarator& out);
    uint32_t parseDirect(uint32_t pos, bool run, Declarator& out);
    uint32_t parseParameters(uint32_t pos, bool run, Declarator::Step& step);
    bool buildType(ScriptType* base, const Declarator& d, std::string& name, ScriptType*& type,
                   int line);

    // ---- expressions (ScriptReduction.cpp; operators in ScriptArithmetic.cpp, operands in
    // ScriptMemberAccess.cpp)
    /// Reads one expression; when executing, leaves its value as one entry on the stack, or,
    /// when `direct` is given and the expression has its integer form, hands the integer value
    /// over in `direct` instead (for callers that take the value at once).
    uint32_t evaluate(uint32_t pos, bool execute, ScriptDirect* direct = nullptr);
    /// evaluate's collection and reduction, once the expression's integer form did not serve:
    /// from its compiled form when it has one for the names as they are, else from the text
    /// (compiling it when `code` is given and the reading succeeds). Leaves the syntax level
    /// that evaluate entered.
    uint32_t evaluateGeneral(uint32_t pos, bool execute, ScriptCompiledPlace* code, bool dropped);
    /// Collection and reduction from a compiled form; entries from `base`.
    uint32_t replay(ScriptCompiledPlace& code, size_t base, bool dropped);
    /// Collection from the text at `pos` (`operand`: an operand was read just before), pushing
    /// entries and, with `record`, appending what it pushes and applies. The end token, or
    /// kScriptFail with the entries left for the caller to pop.
    uint32_t collect(uint32_t pos, bool run, bool operand, std::vector<ScriptLeaf>* record);
    // Collection of one parenthesised expression, one index and one call of a process-wide
    // function without parameters, shared by reading from the text and from a compiled form.
    bool parenthesised(uint32_t pos, bool run, uint32_t& next, bool& operand);
    bool indexed(uint32_t pos, bool run, uint32_t& next);
    bool callImmediate(ScriptVariable* fn, uint32_t pos);
    bool popValue(ScriptValue& out); ///< the top entry as an owned value (resolves names)
    void popEntries(size_t base) {
        if (stack.size() > base) popEntriesSlow(base);
    }
    void popEntriesSlow(size_t base);
    void dropEntry(ScriptEntry& e);
    bool resolve(ScriptEntry& e); ///< a name to a place; false on "unknown variable"
    bool valueOf(ScriptEntry& e, ScriptValue& out); ///< an operand's value (copied; e kept)
    /// Applies the operators of the entries from `base` on in the reduction order: `steps`
    /// when given (a compiled form's), else planned from the entries (scriptPlanReduction) and
    /// handed out in `planned` when given.
    /// `dropped`: the caller drops the result (see ScriptDirect).
    bool reduce(size_t base, uint32_t endPos, const std::vector<ScriptReductionStep>* steps,
                std::vector<ScriptReductionStep>* planned, bool dropped = false);
    // One operator of a reduction step, its operands already settled (ScriptArithmetic.cpp).
    // Each names the operator's entry and its operands' entries (see ScriptReductionStep).
    bool applyBinary(size_t i, size_t l, size_t r, uint32_t endPos, bool dropped = false);
    /// 1 applied, 0 not integers (take the general path), -1 failed.
    int integerBinary(size_t i, size_t l, size_t r);
    bool applyPrefix(size_t i, size_t r, uint32_t endPos);
    bool applyPostfix(size_t i, size_t l, uint32_t endPos);
    void consume(size_t i); ///< empties an entry a step has used up
    bool member(ScriptEntry& e, ScriptOp op, uint32_t nameToken);
    bool index(ScriptEntry& e, ScriptValue& index, uint32_t pos);
    bool arithmetic(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out, uint32_t pos);
    bool compare(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out);
    /// Stores into `target` and gives the stored value in `out`; with `dropped` (the caller
    /// drops it) a string is given as null instead of copied, unless a DeleteValue hook watches
    /// values go.
    bool assign(ScriptEntry& target, ScriptOp op, ScriptValue& r, ScriptValue& out, uint32_t pos,
                bool dropped = false);
    bool placeOf(ScriptEntry& e, uint32_t pos); ///< checked place from a pointer value entry
    void pushValue(ScriptValue&& v);

    // ---- calls (ScriptCalls.cpp)
    uint32_t call(uint32_t namePos, bool run);
    bool callFunction(ScriptVariable* fn, ScriptValue* args, size_t count, ScriptValue& result,
                      int line, bool& resultKnown, uint64_t* location = nullptr);
    bool callScript(ScriptVariable* fn, ScriptValue* args, size_t count, ScriptValue& result,
                    int line, bool& resultKnown);
    bool callNative(ScriptVariable* fn, ScriptValue* args, size_t count, ScriptValue& result,
                    int line, bool& resultKnown, uint64_t* location);
    const ScriptNativeEntry* nativeOf(ScriptVariable* fn);
    bool callable(ScriptVariable* fn);
    ScriptVariable* resolveCall(std::string_view name, uint64_t hash, const ScriptValue* args,
                                size_t count);
    ScriptVariable* globalFunction(std::string_view name, uint64_t hash, size_t params,
                                   ScriptType* first);
    bool execute(ScriptValue& text, int line, ScriptValue& result);

    // ---- integer functions (ScriptIntegerFunctions.cpp)
    /// The compiled form of the script function `fn`, ready to run; null when it has none (now),
    /// or when the general reading would do more than the form does: a DeleteValue hook is
    /// declared, hooks wait to be installed, or a `break` or `return` flag is still set.
    ScriptIntegerFunction* integerFunction(ScriptVariable* fn);
    /// Whether the body of `fn` (null: none) was tried but not all compiled yet, so that it
    /// may have a compiled form once it has run more.
    bool integerFunctionPending(const ScriptVariable* fn) const;
    void compileInteger(ScriptIntegerFunction& f, ScriptVariable* fn);
    /// One statement at `pos` (moved behind it); `outermost`: in the body's outermost list,
    /// where declarations may stand. `pending` is set when a part of it has not been compiled
    /// as an expression yet.
    bool compileIntegerStatement(ScriptIntegerFunction& f, ScriptIntegerScope& scope, uint32_t& pos,
                                 ScriptIntegerStatement& out, int depth, bool outermost,
                                 bool& pending);
    /// Expressions separated by `,` from `pos`, ended by `end`: their indexes appended to
    /// `into`; the position behind the end, or UINT32_MAX.
    uint32_t compileIntegerList(ScriptIntegerFunction& f, ScriptIntegerScope& scope, uint32_t pos,
                                ScriptTokenKind end, std::vector<uint32_t>& into, bool& pending);
    /// The expression at `pos` ended by `end` (or `otherEnd`): its index, or -1.
    int compileIntegerExpression(ScriptIntegerFunction& f, const ScriptIntegerScope& scope,
                                 uint32_t pos, ScriptTokenKind end, ScriptTokenKind otherEnd,
                                 bool& pending, uint32_t* endPos = nullptr);
    /// The outer variable or slot `name` stands for in a body compiled in `scope`, in `o`.
    uint32_t integerOuter(ScriptIntegerFunction& f, const ScriptIntegerScope& scope,
                          std::string_view name, ScriptIntegerExpr::Operand& o);
    /// Turns the last operand of `e` into an element for the Index leaf `leaf`; false when
    /// the index has no such form.
    bool compileIntegerElement(ScriptIntegerFunction& f, const ScriptIntegerScope& scope,
                               const ScriptLeaf& leaf, ScriptIntegerExpr& e);
    /// Starts a new resolution of the outer variables of `f`: a number no other resolution
    /// had, no places yet.
    static void beginIntegerOuters(ScriptIntegerFunction& f);
    /// Appends the place of the next outer variable of `f` (resolved to `v`, null when none)
    /// to `f.outerPlaces`; false when it is not of the kind the body uses it as.
    bool placeIntegerOuter(ScriptIntegerFunction& f, ScriptVariable* v);
    // ---- integer loops and plain expressions of general code (ScriptIntegerLoops.cpp)
    /// From its third round on, runs a loop whose condition, step and body have a compiled
    /// form (see ScriptIntegerLoop) from that form, up to its end. NotRun when it has none
    /// (now); nothing is done then. `bodyPos` UINT32_MAX: the body follows the condition's end
    /// (a while); `stepPos` UINT32_MAX: no step.
    ScriptLoopRun runIntegerLoop(uint32_t pos, uint32_t conditionPos, ScriptTokenKind conditionEnd,
                                 uint32_t bodyPos, uint32_t stepPos);
    void compileIntegerLoop(ScriptIntegerLoop& loop, uint32_t conditionPos,
                            ScriptTokenKind conditionEnd, uint32_t bodyPos, uint32_t stepPos);
    bool resolveIntegerLoop(ScriptIntegerLoop& loop);
    /// Finds the outer variables of a function without parameters or frame (a loop's) by the
    /// normal lookup, as a new resolution of `f`; false when one is missing or not of the kind
    /// `f` uses it as.
    bool resolveIntegerOuters(ScriptIntegerFunction& f);
    /// What integerExpressionValue did.
    enum class ScriptPlainRun : uint8_t { Done, Failed, NotTaken };
    /// The value of the expression at `pos` (its compiled place `code`, compiled for the names
    /// as they are) from its integer form (see ScriptIntegerPlainExpression), counting the steps
    /// the general reading counts for its indexes. NotTaken, with nothing done, when the integer
    /// forms are switched off or it has none (now), when it is a lone operand and `direct` is false
    /// (a name stays a name on the stack, `(x) = 1`), when an index is out of range, or when a
    /// DeleteValue hook must see the values the general reading makes; Failed when a limit was
    /// reached (reported).
    ScriptPlainRun integerExpressionValue(ScriptCompiledPlace& code, uint32_t pos, bool direct,
                                          int32_t& value);
    /// Makes the integer form of the expression at `pos` for the name epoch, if it has one.
    void compileIntegerPlain(ScriptCompiledPlace& code, uint32_t pos);
    /// resolveIntegerOuters for a plain expression: each outer variable found as its token is.
    bool resolvePlainOuters(ScriptIntegerPlainExpression& x);
    template <bool Counted> bool runIntegerRounds(const ScriptIntegerLoop& loop);
    /// Resolves the calls and outer variables of `f` and of every function it calls for the
    /// function epoch; the functions resolved are added to `pass`.
    bool resolveInteger(ScriptIntegerFunction& f, std::vector<ScriptIntegerFunction*>& pass);
    /// Runs a compiled function on its arguments, as callScript runs it: the steps the general
    /// reading counts are counted where it counts them when a step or time limit is set.
    bool callInteger(const ScriptVariable* fn, const ScriptIntegerFunction& f, const int32_t* args,
                     int line, int32_t& result);
    // The same, with `Counted` when a limit is set (ScriptIntegerFunctions.cpp).
    template <bool Counted>
    bool callIntegerAs(const ScriptVariable* fn, const ScriptIntegerFunction& f,
                       const int32_t* args, int line, int32_t& result);
    /// Runs a statement; `loop`: inside a loop body, where `break` is honoured.
    template <bool Counted>
    bool runInteger(const ScriptIntegerFunction& f, const ScriptIntegerStatement& s, int32_t* frame,
                    bool loop, ScriptIntegerFlow& flow, int32_t& value);
    // Inlined where it is used: the frequent expression without calls is a few loads.
    template <bool Counted>
    [[gnu::always_inline]] bool evaluateInteger(const ScriptIntegerFunction& f,
                                                const ScriptIntegerExpr& e, int32_t* frame,
                                                int32_t& value);
    /// The place of an element, its index's step counted; false, reported, when the index is
    /// out of range.
    template <bool Counted>
    [[gnu::always_inline]] bool integerElement(const ScriptIntegerFunction& f,
                                               const ScriptIntegerElement& el, int32_t* frame,
                                               unsigned char*& place);
    /// A plain expression run without counting, with an index out of range: the first such
    /// index is reported; false. (Counted, such an expression is run operand by operand.)
    bool integerElementsFail(const ScriptIntegerFunction& f, const ScriptIntegerExpr& e,
                             int32_t* frame);
    /// evaluateInteger of an expression with calls, nested expressions or elements, its step
    /// counted.
    template <bool Counted>
    bool evaluateIntegerOperands(const ScriptIntegerFunction& f, const ScriptIntegerExpr& e,
                                 int32_t* frame, int32_t& value);
};
