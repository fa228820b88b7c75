#pragma once

#include <cstdint>
#include <vector>

/// One statement of a compiled statement list, as reading it without performing it finds it.
/// A statement that does not end a single statement (an expression, `return`, `break`,
/// `#global`) is followed by the statements that complete it.
struct ScriptStatementNode {
    enum class Kind : uint8_t {
        End, ///< `}` or the text's end: ends a list (not a node of its own)
        Empty,
        Block,
        If,
        While,
        For,
        Return,
        Break,
        Typedef,
        Global,
        Include,
        Declaration,
        Expression,
        Parenthesised, ///< an expression statement in parentheses
        Lexical,       ///< a token the lexer could not read
        Syntax         ///< a token that starts no statement
    };
    /// What reading the statement without performing it leaves in the `#global` flag.
    enum class Pending : uint8_t { Clear, Set, Unchanged };
    Kind kind = Kind::End;
    bool completes = false; ///< scriptStatementCompletes(kind)
    Pending pending = Pending::Unchanged;
    Pending restPending = Pending::Unchanged; ///< `pending` of it and the nodes behind it
    int restDepth = 0;                        ///< `depth` of it and the nodes behind it
    uint32_t pos = 0;                         ///< its first token
    uint32_t end = 0;                         ///< the token behind it
    int line = 0;                             ///< line of its first token
    int endLine = 0; ///< line of the token read last when it is read without being performed
    int depth = 0;   ///< syntax levels below the list's that reading it takes
};

/// Whether a statement of `kind` ends a single statement.
constexpr bool scriptStatementCompletes(ScriptStatementNode::Kind kind) {
    using Kind = ScriptStatementNode::Kind;
    return kind != Kind::Return && kind != Kind::Break && kind != Kind::Global &&
           kind != Kind::Expression && kind != Kind::Parenthesised;
}

/// A statement list (to its `}` or the text's end) or a single statement (its statements up to
/// the first that completes it) of a read text, compiled once per name epoch: what each
/// identifier names decides how the text divides into statements. Performing a node reads its
/// statement as the text's reading does; once one is not performed, neither is any behind it,
/// and the reading jumps to the end. Owned by the ScriptSource of the text; used under the
/// interpreter lock.
struct ScriptStatementList {
    uint64_t epoch = 0;  ///< 0: not compiled
    bool failed = false; ///< reading it failed or reported something: it is read from the text
    std::vector<ScriptStatementNode> nodes;
    uint32_t end = 0; ///< list mode: the `}` or the text's end
    int endLine = 0;
};

/// The two compiled readings that may start at one token.
struct ScriptStatementLists {
    ScriptStatementList list, single;
};
