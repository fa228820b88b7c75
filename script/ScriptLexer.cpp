#include "script/ScriptLexer.h"

#include <charconv>
#include <cstring>

namespace {

using Kind = ScriptTokenKind;

// Character classes are ASCII and independent of the process locale, so that a text reads the
// same everywhere.
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

struct Keyword {
    std::string_view word;
    Kind kind;
};
constexpr Keyword kKeywords[] = {
    {"if", Kind::If},         {"else", Kind::Else},       {"while", Kind::While},
    {"for", Kind::For},       {"do", Kind::Do},           {"break", Kind::Break},
    {"return", Kind::Return}, {"typedef", Kind::Typedef}, {"struct", Kind::Struct},
};

char escaped(char c) {
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c;
    }
}

// Reads a real literal's value without regard to the locale (atof would read "1,5" in some).
double realValue(std::string_view digits) {
    double value = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

size_t scanNumber(std::string_view text, size_t pos, ScriptToken& token) {
    const size_t n = text.size();
    if (text[pos] == '0' && pos + 2 < n && text[pos + 1] == 'x' && isHexDigit(text[pos + 2])) {
        uint32_t value = 0;
        size_t p = pos + 2;
        while (p < n && isHexDigit(text[p]))
            value = value * 16u + uint32_t(hexValue(text[p++]));
        token.kind = Kind::Unsigned;
        token.value.u = value;
        return p;
    }
    size_t p = pos;
    uint32_t value = 0;
    while (p < n && isDigit(text[p]))
        value = value * 10u + uint32_t(text[p++] - '0');
    if (p >= n || text[p] != '.') {
        // Decimal literals wrap modulo 2^32 like hexadecimal ones.
        token.kind = Kind::Integer;
        token.value.u = value;
        return p;
    }
    ++p;
    while (p < n && isDigit(text[p]))
        ++p;
    if (p < n && (text[p] == 'e' || text[p] == 'E')) {
        ++p;
        if (p < n && (text[p] == '+' || text[p] == '-')) {
            ++p;
            while (p < n && isDigit(text[p]))
                ++p;
        }
    }
    const double real = realValue(text.substr(pos, p - pos));
    token.kind = Kind::Double;
    token.value.d = real;
    if (p < n && (text[p] == 'f' || text[p] == 'F')) {
        token.kind = Kind::Float;
        token.value.f = float(real);
        ++p;
    } else if (p < n && (text[p] == 'l' || text[p] == 'L')) {
        ++p;
    }
    return p;
}

size_t scanCharLiteral(std::string_view text, size_t pos, ScriptToken& token) {
    const size_t n = text.size();
    size_t p = pos + 1;
    uint32_t value = 0;
    int count = 0;
    while (true) {
        if (p >= n) {
            token.kind = Kind::Error;
            return p;
        }
        if (text[p] == '\'' && count > 0) {
            ++p;
            break;
        }
        if (count == 4) {
            token.kind = Kind::Error;
            return p;
        }
        char c = text[p++];
        if (c == '\\') {
            if (p >= n) {
                token.kind = Kind::Error;
                return p;
            }
            c = escaped(text[p++]);
        }
        value |= uint32_t(uint8_t(c)) << (8 * count);
        ++count;
    }
    if (count == 1) {
        token.kind = Kind::Char;
        token.value.c = char(value);
    } else {
        token.kind = Kind::Unsigned;
        token.value.u = value;
    }
    return p;
}

size_t scanString(std::string_view text, size_t pos, ScriptToken& token) {
    const size_t n = text.size();
    // The extent: up to the first double quote that is not escaped. A backslash escapes the
    // character behind it, so "C:\\" ends at its last quote.
    size_t end = pos + 1;
    while (end < n && text[end] != '"') {
        if (text[end] == '\\' && end + 1 < n) ++end;
        ++end;
    }
    std::string out;
    out.reserve(end - pos);
    size_t p = pos + 1;
    while (p < end) {
        const char c = text[p++];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (p >= end) break;
        size_t q = p;
        while (q < end && (text[q] == ' ' || text[q] == '\t' || text[q] == '\r'))
            ++q;
        if (q < end && text[q] == '\n') {
            // Line continuation: drop the backslash, the blanks and every following line break.
            while (q < end && (text[q] == '\n' || text[q] == '\r'))
                ++q;
            p = q;
            continue;
        }
        out.push_back(escaped(text[p++]));
    }
    token.kind = Kind::String;
    token.text = std::move(out);
    return end < n ? end + 1 : end;
}

struct Punct {
    std::string_view text;
    Kind kind;
};
constexpr Punct kPunctuation[] = {
    {"...", Kind::Ellipsis}, {"(", Kind::LeftParen},   {")", Kind::RightParen},
    {",", Kind::Comma},      {";", Kind::Semicolon},   {"{", Kind::LeftBrace},
    {"}", Kind::RightBrace}, {"[", Kind::LeftBracket}, {"]", Kind::RightBracket},
};

} // namespace

uint64_t scriptNameHash(std::string_view name) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : name)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

size_t scriptNextToken(std::string_view text, size_t pos, int& line, ScriptToken& token) {
    const size_t n = text.size();
    token = ScriptToken{};
    bool skipBlanks = true;
    while (true) {
        if (skipBlanks) {
            while (pos < n) {
                const char c = text[pos];
                if (c == '\n')
                    ++line;
                else if (c != ' ' && c != '\t' && c != '\r')
                    break;
                ++pos;
            }
        }
        skipBlanks = true;
        token.begin = pos;
        if (pos >= n || text[pos] == '\0') {
            token.kind = Kind::End;
            return pos;
        }
        const char c = text[pos];
        if (uint8_t(c) == 0xEF && pos + 2 < n && uint8_t(text[pos + 1]) == 0xBB &&
            uint8_t(text[pos + 2]) == 0xBF) {
            // A byte-order mark: the character behind it starts the token, blanks included.
            pos += 3;
            skipBlanks = false;
            if (pos < n &&
                (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) {
                token.begin = pos;
                token.kind = Kind::Error;
                return pos + 1;
            }
            continue;
        }
        if (isDigit(c)) return scanNumber(text, pos, token);
        if (isLetter(c) || c == '_') {
            size_t p = pos + 1;
            while (p < n && isWordChar(text[p]))
                ++p;
            const std::string_view word = text.substr(pos, p - pos);
            token.kind = Kind::Identifier;
            for (const Keyword& k : kKeywords)
                if (word == k.word) token.kind = k.kind;
            return p;
        }
        if (c == '#' && pos + 1 < n && isWordChar(text[pos + 1])) {
            size_t p = pos + 1;
            while (p < n && isWordChar(text[p]))
                ++p;
            const std::string_view word = text.substr(pos, p - pos);
            if (word == "#global") {
                token.kind = Kind::Global;
                return p;
            }
            if (word == "#include") {
                token.kind = Kind::Include;
                return p;
            }
            pos = p; // any other directive is skipped like white space
            continue;
        }
        if (c == '\'') return scanCharLiteral(text, pos, token);
        if (c == '"') return scanString(text, pos, token);
        if (c == '/' && pos + 1 < n && text[pos + 1] == '*') {
            int depth = 1;
            size_t p = pos + 2;
            while (p < n && depth > 0) {
                if (text[p] == '\n') ++line;
                if (text[p] == '/' && p + 1 < n && text[p + 1] == '*') {
                    ++depth;
                    p += 2;
                } else if (text[p] == '*' && p + 1 < n && text[p + 1] == '/') {
                    --depth;
                    p += 2;
                } else {
                    ++p;
                }
            }
            pos = p;
            continue;
        }
        if (c == '/' && pos + 1 < n && text[pos + 1] == '/') {
            while (pos < n && text[pos] != '\n' && text[pos] != '\r')
                ++pos;
            continue;
        }
        if (c >= '!' && c <= '}') {
            const std::string_view rest = text.substr(pos);
            for (const Punct& p : kPunctuation) {
                if (rest.substr(0, p.text.size()) == p.text) {
                    token.kind = p.kind;
                    return pos + p.text.size();
                }
            }
            size_t length = 0;
            const ScriptOp op = scriptMatchOperator(rest, length);
            if (op != ScriptOp::None) {
                token.kind = Kind::Operator;
                token.op = op;
                return pos + length;
            }
        }
        token.kind = Kind::Error;
        return pos + 1;
    }
}

ScriptSource::ScriptSource(std::string_view text, std::string name) : m_fileName(std::move(name)) {
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    m_text.assign(text);
    // The working copy is rewritten where an #include line ends, so that its expression stops
    // there; what follows the line is read as if the line feed were still in place.
    size_t pos = 0;
    int line = 1;
    size_t patchAt = std::string::npos;
    uint32_t pendingInclude = kNoStop;
    int extraLines = 0;
    ScriptToken token;
    while (true) {
        const size_t next = scriptNextToken(m_text, pos, line, token);
        if (token.kind == Kind::Semicolon && token.begin == patchAt && pendingInclude != kNoStop) {
            m_tokens[pendingInclude].v.stop = uint32_t(m_tokens.size());
            pendingInclude = kNoStop;
            patchAt = std::string::npos;
            ++extraLines;
            pos = next;
            continue;
        }
        if (patchAt != std::string::npos && token.begin > patchAt) {
            pendingInclude = kNoStop;
            patchAt = std::string::npos;
        }
        ScriptTok tok{};
        tok.kind = token.kind;
        tok.op = token.op;
        tok.line = uint32_t(line + extraLines);
        tok.begin = uint32_t(token.begin);
        tok.v.d = 0;
        switch (token.kind) {
        case Kind::Integer:
        case Kind::Unsigned:
            tok.v.u = token.value.u;
            break;
        case Kind::Float:
            tok.v.f = token.value.f;
            break;
        case Kind::Double:
            tok.v.d = token.value.d;
            break;
        case Kind::Char:
            tok.v.c = token.value.c;
            break;
        case Kind::String:
            tok.v.string = uint32_t(m_strings.size());
            m_strings.push_back(std::move(token.text));
            break;
        case Kind::Identifier:
            tok.length = uint32_t(next - token.begin);
            tok.hash = scriptNameHash(std::string_view(m_text).substr(token.begin, tok.length));
            break;
        case Kind::Include: {
            tok.v.stop = kNoStop;
            const size_t lf = m_text.find('\n', next);
            if (lf != std::string::npos) {
                m_text[lf] = ';';
                patchAt = lf;
                pendingInclude = uint32_t(m_tokens.size());
            }
            break;
        }
        default:
            break;
        }
        m_tokens.push_back(tok);
        if (token.kind == Kind::End) break;
        pos = next;
    }
    m_cache.resize(m_tokens.size());
}
