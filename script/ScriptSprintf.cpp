#include "script/ScriptBuiltinRoutines.h"

#include "script/ScriptMemory.h"
#include "script/ScriptTypes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// sprintf(format, ...): backslash escapes and printf conversions. Each conversion takes the
// next further arguments, each read by the type its slot holds and handed to the C library as
// the type the conversion letter asks for; length letters are replaced by the right ones. The
// conversion letters end a conversion; what stands between the `%` and the letter is kept when
// it is made of printf's flags, width, precision and length letters, else the conversion is
// copied as text, as printf would copy it after a "%%".

namespace {

constexpr std::string_view kLetters = "cCdiouxXeEfgGnpsS";
constexpr size_t kLongestConversion = 63;
constexpr int kMaxStars = 2;

// One further argument: its slot and the type of the value in it (aliases resolved).
struct Arg {
    const void* slot;
    const ScriptType* type;
};

const ScriptType* resolved(const ScriptType* t) {
    while (t && t->kind == ScriptTypeKind::Alias)
        t = t->base;
    return t;
}

ScriptBasic basicOf(const Arg& a) {
    return a.type && a.type->kind == ScriptTypeKind::Basic ? a.type->basic : ScriptBasic::None;
}

double realOf(const Arg& a) {
    switch (basicOf(a)) {
    case ScriptBasic::Integer:
        return scriptSlot<int32_t>(a.slot);
    case ScriptBasic::Unsigned:
        return scriptSlot<uint32_t>(a.slot);
    case ScriptBasic::Word:
        return scriptSlot<int16_t>(a.slot);
    case ScriptBasic::Char:
        return scriptSlot<uint8_t>(a.slot);
    case ScriptBasic::Float:
        return scriptSlot<float>(a.slot);
    case ScriptBasic::Double:
        return scriptSlot<double>(a.slot);
    default:
        return 0.0;
    }
}

// The argument as a number, reals truncated with the language's 0.000001 correction and held
// in the range of 32-bit numbers (signed for `asSigned`, else unsigned).
int64_t integerOf(const Arg& a, bool asSigned) {
    switch (basicOf(a)) {
    case ScriptBasic::Integer:
        return scriptSlot<int32_t>(a.slot);
    case ScriptBasic::Unsigned:
        return scriptSlot<uint32_t>(a.slot);
    case ScriptBasic::Word:
        return scriptSlot<uint16_t>(a.slot);
    case ScriptBasic::Char:
        return scriptSlot<uint8_t>(a.slot);
    case ScriptBasic::Float:
    case ScriptBasic::Double: {
        const int64_t v = scriptRealToInteger(realOf(a), true);
        return asSigned ? scriptSaturateInt(v) : v;
    }
    default:
        if (a.type && a.type->kind == ScriptTypeKind::Pointer)
            return scriptPointerAddress(scriptSlot<uint64_t>(a.slot));
        return 0;
    }
}

// The argument as text: strings as they are, a pointer to char as the characters it points to,
// numbers in the forms that `+` appends to a string; null for anything else.
const char* textOf(const Arg& a, std::string& scratch) {
    char buffer[32];
    switch (basicOf(a)) {
    case ScriptBasic::String:
        return scriptSlot<const char*>(a.slot);
    case ScriptBasic::Integer:
        scratch = std::to_string(scriptSlot<int32_t>(a.slot));
        return scratch.c_str();
    case ScriptBasic::Word:
        scratch = std::to_string(scriptSlot<uint16_t>(a.slot));
        return scratch.c_str();
    case ScriptBasic::Char: // the character's number, sign-extended and printed unsigned
        scratch = std::to_string(uint32_t(int32_t(scriptSlot<int8_t>(a.slot))));
        return scratch.c_str();
    case ScriptBasic::Unsigned:
        std::snprintf(buffer, sizeof buffer, "0x%X", scriptSlot<uint32_t>(a.slot));
        scratch = buffer;
        return scratch.c_str();
    case ScriptBasic::Float:
    case ScriptBasic::Double: {
        char real[400];
        const auto r =
            std::to_chars(real, real + sizeof real, realOf(a), std::chars_format::fixed, 6);
        scratch.assign(real, r.ptr);
        return scratch.c_str();
    }
    default:
        break;
    }
    const ScriptType* t = a.type;
    if (t && t->kind == ScriptTypeKind::Pointer && t->base && t->base->is(ScriptBasic::Char)) {
        std::string_view chars;
        if (!scriptNativeText(scriptSlot<uint64_t>(a.slot), chars)) return nullptr;
        scratch.assign(chars);
        return scratch.c_str();
    }
    return nullptr;
}

// The flags, width, precision and length read from the text between `%` and the letter.
struct Layout {
    std::string flags;
    bool hasWidth = false, widthStar = false;
    int64_t width = 0;
    bool hasPrecision = false, precisionStar = false;
    int64_t precision = 0;
    int shortness = 0; ///< 1 for h, 2 for hh: the value is cut to 16 or 8 bits
};

int64_t digits(std::string_view s, size_t& i) {
    int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i++] - '0');
        if (v > INT32_MAX) v = INT64_C(1) << 40; // far beyond any room, and no overflow
    }
    return v;
}

bool parseLayout(std::string_view s, Layout& layout) {
    size_t i = 0;
    while (i < s.size() && std::string_view("-+ #0'").find(s[i]) != std::string_view::npos)
        layout.flags += s[i++];
    if (i < s.size() && s[i] == '*') {
        layout.hasWidth = layout.widthStar = true;
        ++i;
    } else if (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        layout.hasWidth = true;
        layout.width = digits(s, i);
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        layout.hasPrecision = true;
        if (i < s.size() && s[i] == '*') {
            layout.precisionStar = true;
            ++i;
        } else {
            layout.precision = digits(s, i);
        }
    }
    const std::string_view length = s.substr(i);
    if (length == "h")
        layout.shortness = 1;
    else if (length == "hh")
        layout.shortness = 2;
    else if (!(length.empty() || length == "l" || length == "ll" || length == "L" ||
               length == "q" || length == "j" || length == "z" || length == "Z" || length == "t" ||
               length == "I" || length == "I32" || length == "I64" || length == "w"))
        return false;
    return true;
}

// "%%" pairs read as one percent sign, as printf reads them.
void appendLiteral(std::string& out, std::string_view conversion) {
    for (size_t i = 0; i < conversion.size(); ++i) {
        out += conversion[i];
        if (conversion[i] == '%' && i + 1 < conversion.size() && conversion[i + 1] == '%') ++i;
    }
}

class Formatter {
public:
    Formatter(const Arg* args, size_t count, size_t limit)
        : m_args(args), m_count(count), m_limit(limit) {}

    /// False when the text would pass the limit.
    bool run(std::string_view format, std::string& out);

private:
    bool conversion(std::string_view between, char letter, std::string_view whole,
                    std::string& out);
    template <class T> bool print(const std::string& cformat, T value, std::string& out);
    int32_t starValue() { return int32_t(integerOf(m_args[m_next++], true)); }

    const Arg* m_args;
    size_t m_count;
    size_t m_next = 0;
    size_t m_limit;
};

bool Formatter::run(std::string_view f, std::string& out) {
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        if (c == '\\') {
            if (i + 1 < f.size()) {
                const char e = f[i + 1];
                out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
            i += 2;
        } else if (c == '%') {
            const size_t letter = f.find_first_of(kLetters, i + 1);
            if (letter == std::string_view::npos) break; // a conversion that never ends
            const std::string_view whole = f.substr(i, letter - i + 1);
            if (whole.size() <= kLongestConversion &&
                !conversion(f.substr(i + 1, letter - i - 1), f[letter], whole, out))
                return false;
            i = letter + 1;
        } else {
            out += c;
            ++i;
        }
        if (out.size() > m_limit) return false;
    }
    return true;
}

bool Formatter::conversion(std::string_view between, char letter, std::string_view whole,
                           std::string& out) {
    const int stars = int(std::count(between.begin(), between.end(), '*'));
    if (stars > kMaxStars || m_count - m_next < size_t(stars) + 1) {
        out += '%';
        return true;
    }
    Layout layout;
    if (!parseLayout(between, layout)) {
        m_next += size_t(stars) + 1;
        if (letter != 'n') appendLiteral(out, whole);
        return true;
    }
    if (layout.widthStar) {
        const int32_t w = starValue();
        if (w < 0) layout.flags += '-'; // a negative width justifies to the left
        layout.width = w < 0 ? -int64_t(w) : w;
    }
    if (layout.precisionStar) {
        const int32_t p = starValue();
        layout.hasPrecision = p >= 0; // a negative precision counts as none
        layout.precision = p;
    }
    const Arg& arg = m_args[m_next++];
    if (letter == 'n') return true; // stores nothing and writes nothing

    // Padding or digits beyond the room left cannot fit.
    const size_t room = m_limit - out.size();
    const bool textual = letter == 's' || letter == 'S' || letter == 'c' || letter == 'C';
    if ((layout.hasWidth && uint64_t(layout.width) > room) ||
        (layout.hasPrecision && !textual && uint64_t(layout.precision) > room))
        return false;

    std::string f = "%" + layout.flags;
    if (layout.hasWidth) f += std::to_string(layout.width);
    if (layout.hasPrecision) f += "." + std::to_string(layout.precision);
    switch (letter) {
    case 'd':
    case 'i': {
        int64_t v = int32_t(uint32_t(integerOf(arg, true)));
        if (layout.shortness == 1) v = int16_t(v);
        if (layout.shortness == 2) v = int8_t(v);
        return print(f + "lld", static_cast<long long>(v), out);
    }
    case 'o':
    case 'u':
    case 'x':
    case 'X': {
        uint64_t v = uint32_t(integerOf(arg, false));
        if (layout.shortness == 1) v = uint16_t(v);
        if (layout.shortness == 2) v = uint8_t(v);
        return print(f + "ll" + letter, static_cast<unsigned long long>(v), out);
    }
    case 'p':
        return print(f + "p", reinterpret_cast<void*>(uintptr_t(uint32_t(integerOf(arg, false)))),
                     out);
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G':
        return print(f + letter, realOf(arg), out);
    case 'c':
    case 'C': {
        unsigned char c = 0;
        if (basicOf(arg) == ScriptBasic::String) {
            const char* s = scriptSlot<const char*>(arg.slot);
            c = s ? static_cast<unsigned char>(s[0]) : 0;
        } else {
            c = static_cast<unsigned char>(integerOf(arg, false));
        }
        return print(f + "c", int(c), out);
    }
    default: { // s, S
        std::string scratch;
        const char* s = textOf(arg, scratch);
        return print(f + "s", s ? s : "(null)", out);
    }
    }
}

template <class T> bool Formatter::print(const std::string& cformat, T value, std::string& out) {
    const int n = std::snprintf(nullptr, 0, cformat.c_str(), value);
    if (n <= 0) return true;
    if (size_t(n) > m_limit - out.size()) return false;
    const size_t at = out.size();
    out.resize(at + size_t(n) + 1);
    std::snprintf(out.data() + at, size_t(n) + 1, cformat.c_str(), value);
    out.resize(at + size_t(n));
    return true;
}

} // namespace

namespace scriptbuiltin {

locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

int sprintfString(ZRScriptHost*, ScriptCall* call, void* const* args, int count) {
    const char* format = scriptSlot<const char*>(args[0]);
    if (!format || count < 1) {
        scriptSetSlot(call->result, static_cast<char*>(nullptr));
        return 1;
    }
    std::vector<Arg> further;
    for (int i = 1; i < count; ++i)
        further.push_back(Arg{args[i], resolved(call->argTypes ? call->argTypes[i] : nullptr)});
    const size_t inUse = scriptMemoryInUse(), limit = scriptMemoryLimit();
    Formatter formatter(further.data(), further.size(), limit > inUse ? limit - inUse : 0);
    std::string out;
    // Numbers are written with a point and without grouping, whatever the process locale.
    const locale_t c = cLocale();
    const locale_t previous = c ? uselocale(c) : locale_t(nullptr);
    const bool fits = formatter.run(format, out);
    if (c) uselocale(previous);
    scriptSetSlot(call->result, fits ? scriptNewString(out) : nullptr);
    return 1;
}

} // namespace scriptbuiltin
