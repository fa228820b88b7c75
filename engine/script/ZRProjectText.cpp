#include "engine/script/ZRProjectText.h"

#include <charconv>
#include <cmath>

namespace zrproject {
namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (true) {
        const size_t found = text.find(from, at);
        if (found == std::string_view::npos) break;
        out.append(text.substr(at, found - at));
        out.append(to);
        at = found + from.size();
    }
    out.append(text.substr(at));
    return out;
}

} // namespace

std::string decodeText(std::string_view text) {
    std::string out = replaceAll(text, "xNx", "\n");
    out = replaceAll(out, "xHx", "\"");
    return replaceAll(out, "xTx", "\t");
}

std::string encodeText(std::string_view text) {
    std::string out = replaceAll(text, "\n", "xNx");
    out = replaceAll(out, "\"", "xHx");
    return replaceAll(out, "\t", "xTx");
}

std::string escapeBackslashes(std::string_view text) {
    return replaceAll(text, "\\", "\\\\");
}

std::string escapeLiteral(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string realText(double value) {
    if (!std::isfinite(value)) return "0";
    // to_chars, not printf: the decimal point must not follow the process's locale.
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    std::string text(buffer, end.ptr);
    const size_t e = text.find('e');
    if (e != std::string::npos && text.find('.') == std::string::npos) text.insert(e, ".0");
    return text;
}

std::string scientificText(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    return std::string(buffer, end.ptr);
}

} // namespace zrproject
