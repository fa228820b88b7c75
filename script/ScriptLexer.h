#pragma once

#include "script/ScriptOperators.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ScriptCompiledPlace;
struct ScriptStatementLists;

/// Kinds of tokens of the script language.
enum class ScriptTokenKind : uint8_t {
    End,
    Integer,  ///< decimal digits: a 32-bit signed integer
    Unsigned, ///< 0x and hexadecimal digits, or a character literal of 2 to 4 characters
    Float,    ///< real literal with an f or F suffix
    Double,   ///< real literal without that suffix
    Char,     ///< character literal of one character
    String,   ///< text between double quotes
    Identifier,
    If,
    Else,
    While,
    For,
    Do,
    Break,
    Return,
    Typedef,
    Struct,
    Global,  ///< #global
    Include, ///< #include
    Operator,
    LeftParen,
    RightParen,
    Comma,
    Semicolon,
    LeftBrace,
    RightBrace,
    LeftBracket,
    RightBracket,
    Ellipsis,
    Error
};

/// One token as the lexer scans it.
struct ScriptToken {
    ScriptTokenKind kind = ScriptTokenKind::End;
    ScriptOp op = ScriptOp::None;
    union {
        int32_t i;
        uint32_t u;
        float f;
        double d;
        char c;
    } value{};
    std::string text; ///< the contents of a string literal
    size_t begin =
        0; ///< first character of the token (an identifier runs to the returned position)
};

/// Scans the token of `text` at `pos` and returns the position behind it. The text ends at its
/// size (a NUL where a token would start also ends it). `line` grows by one for each line feed
/// skipped as white space or inside a block comment. Never fails: a character that starts no token
/// gives an `Error` token.
size_t scriptNextToken(std::string_view text, size_t pos, int& line, ScriptToken& token);

/// FNV-1a hash of a name, used by every name table of the interpreter.
uint64_t scriptNameHash(std::string_view name);

/// A token of a read text, in compact form.
struct ScriptTok {
    ScriptTokenKind kind;
    ScriptOp op;
    uint32_t line;   ///< line of the token in its text, counted from 1
    uint32_t begin;  ///< offset of its first character
    uint32_t length; ///< identifiers: length of the name
    union {
        int32_t i;
        uint32_t u;
        float f;
        double d;
        char c;
        uint32_t string; ///< string literals: index into the text's literal table
        uint32_t stop;   ///< #include: index of the token behind the end of its line, or kNoStop
    } v;
    uint64_t hash; ///< identifiers: scriptNameHash of the name
};

/// A script text read into tokens once, so that loops and function bodies are not scanned again.
/// The token sequence is exactly what repeated calls of scriptNextToken from the start give,
/// with the one rewrite of `#include`: the line feed that ends its line reads as `;`.
/// Immutable after construction, apart from the per-token name cache that the interpreter keeps
/// under its lock; shared by the functions defined in the text.
class ScriptSource {
public:
    /// What an identifier named when it was last looked up: a type or a function without
    /// parameters (valid while the name epoch is `epoch`), a variable (valid while the variable
    /// epoch is `variableEpoch`); and what the interpreter compiled at the token.
    struct NameCache {
        uint64_t epoch = 0;
        void* type = nullptr;
        void* immediate = nullptr;
        uint64_t variableEpoch = 0;
        void* variable = nullptr;
        ScriptCompiledPlace* compiled = nullptr; ///< owned by the source; null for none
        uint8_t seen = 0;        ///< uses of the token read so far, not compiled (bits)
        uint32_t statements = 0; ///< 1 + index of the token's compiled statement lists; 0: none
    };
    NameCache& cache(uint32_t index) const { return m_cache[index]; }
    /// What the interpreter compiled at a token, made on the first request.
    ScriptCompiledPlace& compiledPlace(uint32_t index) const;
    /// The compiled statement lists that start at a token, made on the first request.
    ScriptStatementLists& statementLists(uint32_t index) const;
    /// The same, or null before the first request.
    ScriptStatementLists* statementListsMade(uint32_t index) const {
        const uint32_t k = m_cache[index].statements;
        return k ? m_statements[k - 1].get() : nullptr;
    }

    static constexpr uint32_t kNoStop = UINT32_MAX;

    /// Reads `text` (up to its first NUL). `name` is the file name for messages, or empty.
    ScriptSource(std::string_view text, std::string name);
    ScriptSource(const ScriptSource&) = delete;
    ScriptSource& operator=(const ScriptSource&) = delete;

    const ScriptTok& at(uint32_t index) const { return m_tokens[index]; }
    uint32_t count() const { return uint32_t(m_tokens.size()); }
    std::string_view name(const ScriptTok& tok) const {
        return std::string_view(m_text).substr(tok.begin, tok.length);
    }
    const std::string& literal(const ScriptTok& tok) const { return m_strings[tok.v.string]; }
    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_text;
    std::string m_fileName;
    std::vector<ScriptTok> m_tokens;
    std::vector<std::string> m_strings;
    mutable std::vector<NameCache> m_cache;
    struct CompiledPlaceDelete {
        void operator()(ScriptCompiledPlace* place) const; // ScriptCompiledPlace.cpp
    };
    mutable std::vector<std::unique_ptr<ScriptCompiledPlace, CompiledPlaceDelete>> m_compiled;
    struct StatementListsDelete {
        void operator()(ScriptStatementLists* lists) const; // ScriptStatementNodes.cpp
    };
    mutable std::vector<std::unique_ptr<ScriptStatementLists, StatementListsDelete>> m_statements;
};

using ScriptSourcePtr = std::shared_ptr<const ScriptSource>;
