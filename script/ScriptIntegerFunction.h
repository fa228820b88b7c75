#pragma once

#include "script/ScriptOperators.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ScriptType;
struct ScriptVariable;
struct ScriptIntegerFunction;

/// One operator of an integer form, with its rule from the operator table: a prefix
/// operator's prefix rule, a step's arithmetic with 1. Operands and results are numbered in
/// slots, as scriptIntegerOperations numbers them.
struct ScriptIntegerOperation {
    enum class Form : uint8_t { Binary, Prefix, Postfix } form;
    uint8_t left, right; ///< slots (a prefix operator reads `right`, a postfix one `left`)
    ScriptOpRule rule;
    bool writes; ///< an assignment or a step: the result is stored in its operand
    static constexpr size_t kMaxOperands = 32;
    static constexpr size_t kMaxSlots = 64; ///< operands and results
};

/// An expression in its integer form (of an integer function's body, of a loop, or a plain
/// expression of general code): operands in text order
/// (literals, parameters and declared variables in their frame slots, variables outside the
/// function, calls and parenthesised expressions,
/// the last two evaluated where they stand, in text order) and the integer operators in
/// reduction order (slots as scriptIntegerOperations numbers them).
struct ScriptIntegerExpr {
    struct Operand {
        enum class Kind : uint8_t { Literal, Slot, Outer, Call, Nested, Element } kind;
        int32_t literal = 0;
        uint32_t index = 0; ///< frame slot, outer variable, call, nested expression or element
    };
    std::vector<Operand> operands;
    std::vector<ScriptIntegerOperation> operations;
    int line = 0; ///< line of its first token, where its evaluation counts a step
    /// Without calls and parenthesised expressions, the operands' places but those of elements
    /// (found at each evaluation) depend on the frame
    /// and the resolution alone: they are kept for the frame and resolution last used (a loop
    /// evaluates the same expressions on one frame again and again).
    bool plain = false;
    std::vector<uint8_t> elementSlots; ///< a plain expression's element operands, in text order
    bool binary = false;               ///< a single binary operator
    mutable const int32_t* placesFrame = nullptr;
    mutable uint64_t placesResolution = 0;
    mutable std::vector<unsigned char*> places;
    /// The elements of `elementSlots` as found with `places`: the array's values, its count and
    /// where the index is read.
    struct ElementPlace {
        uint8_t slot;
        uint32_t count;
        unsigned char* base;
        const unsigned char* index;
    };
    mutable std::vector<ElementPlace> elementPlaces;
};

/// An element of an integer array outside the function, indexed by an integer literal or name:
/// the index is read and checked when collection meets it, as the general reading indexes.
struct ScriptIntegerElement {
    uint32_t array = 0;            ///< the array among the outer variables
    ScriptIntegerExpr::Operand at; ///< the index: a literal, a slot or an outer variable
    int line = 0;                  ///< line of the index, where its evaluation counts a step
};

/// A call of an integer function inside a compiled body.
struct ScriptIntegerCall {
    std::string name;
    uint64_t hash = 0;
    int line = 0;               ///< line of the call's `)`, for messages
    std::vector<uint32_t> args; ///< expressions of the function
    ScriptVariable* target = nullptr;
    ScriptIntegerFunction* code = nullptr;
};

/// What running a statement of a compiled body left: go on, a `return`, or a `break` inside a
/// loop body.
enum class ScriptIntegerFlow : uint8_t { Normal, Return, Break };

/// The calls (of a function) or rounds (of a loop) to wait before compiling or resolving again
/// what was not all compiled at the last try, after waiting `wait`: each failed try doubles the
/// wait (a branch that is never taken is never compiled), from 8 up to 8192.
inline uint32_t scriptNextRetryWait(uint32_t wait) {
    return wait == 0 ? 8 : std::min<uint32_t>(wait * 2, 8192);
}

/// A statement of a compiled body.
struct ScriptIntegerStatement {
    enum class Kind : uint8_t {
        Empty,
        Block,
        If,
        Return,
        Expression,
        Declare, ///< `integer` variables, each zeroed then initialised
        While,
        For,
        Break,
        General ///< an expression not compiled yet, read the general way (loops outside functions)
    } kind = Kind::Empty;
    static constexpr uint32_t kNone = UINT32_MAX;
    /// Lines of the statement's first token and of the token that ends it (Block: its `}`;
    /// Expression and Break: its `;`), where the general reading counts its steps.
    int line = 0, endLine = 0;
    /// If, Return, Expression: the expression; While and For: the condition; General: the
    /// statement's first token.
    uint32_t expression = 0;
    std::vector<uint32_t> before, after; ///< For: its first and its step expressions
    struct Declared {
        uint32_t slot;
        uint32_t initialiser; ///< an expression, or kNone
    };
    std::vector<Declared> declared;
    std::vector<ScriptIntegerStatement> children; ///< Block: its statements; If: then [, else];
                                                  ///< While, For: the body
};

/// The names a body sees while it is compiled: its parameters and the variables it declared so
/// far, each in its frame slot.
struct ScriptIntegerScope {
    std::vector<std::pair<std::string, uint32_t>> names;
    uint32_t slotCount = 0; ///< slots given out so far
    /// A loop outside functions: a plain expression statement not compiled yet becomes a
    /// General statement (there is no frame the general reading would miss).
    bool general = false;
    bool generalUsed = false; ///< a General statement was made
    /// The slot of the newest variable of a name, as a call's own list finds it; null if none.
    const uint32_t* find(std::string_view name) const {
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            if (it->first == name) return &it->second;
        return nullptr;
    }
};

/// The compiled form of a script function whose parameters (at most ten) and result are all
/// `integer` and whose body holds only blocks, `if`s, loops, `break`s, `return`s, expression
/// statements of integer forms calling only such functions, and, in its outermost list,
/// declarations of `integer` variables. Such a body cannot report (but for the call nesting
/// limit), convert or change what a name means, and each of its names stands for one variable
/// from where it is read on, so it runs on a frame of integers instead of variable records,
/// with the results the general reading gives. Kept by the compiled place of the body's `{`;
/// used under the interpreter lock.
struct ScriptIntegerFunction {
    static constexpr size_t kMaxParameters = 10;
    static constexpr size_t kMaxSlots = 32; ///< parameters and declared variables
    /// The body as compiled for the name epoch `epoch` (0: not tried), `compiled` when it has
    /// this form; `retry` counts calls down to trying again when a part of it was not compiled
    /// yet.
    uint64_t epoch = 0;
    bool compiled = false;
    uint32_t retry = 0;
    uint32_t wait = 0; ///< the calls waited before the last try
    /// Calls and outer variables as resolved for the function epoch `resolvedEpoch`;
    /// `resolveRetry` counts calls down to resolving again when a function called was not
    /// compiled yet.
    uint64_t resolvedEpoch = 0;
    bool resolved = false;
    uint32_t resolveRetry = 0;
    uint32_t resolveWait = 0;
    uint64_t resolution = 0; ///< changes with every resolving (outer places may move)
    size_t parameters = 0;
    size_t frameSize = 0; ///< frame slots: parameters and declared variables
    std::vector<ScriptIntegerExpr> expressions;
    std::vector<ScriptIntegerCall> calls;
    const ScriptType* type = nullptr;        ///< the function type compiled for
    std::vector<std::string> outerNames;     ///< variables outside the function
    std::vector<unsigned char*> outerPlaces; ///< their integer values, once resolved
    /// How each outer variable is used: 0 not yet known, kOuterInteger, kOuterArray (an
    /// integer array, its elements read through `elements`).
    std::vector<uint8_t> outerUses;
    static constexpr uint8_t kOuterInteger = 1, kOuterArray = 2;
    std::vector<uint32_t> outerCounts; ///< element counts of the arrays, once resolved
    std::vector<ScriptIntegerElement> elements;
    ScriptIntegerStatement body;
};
