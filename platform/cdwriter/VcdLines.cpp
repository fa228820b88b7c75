#include "platform/cdwriter/VcdLines.h"

#include <charconv>

namespace vcdlines {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The value of `name="..."` inside a tag; vcdxbuild writes attributes with double quotes only.
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    size_t from = 0;
    while (from < tag.size()) {
        const size_t at = tag.find(name, from);
        if (at == std::string_view::npos) return std::nullopt;
        const bool wordStart = at == 0 || tag[at - 1] == ' ' || tag[at - 1] == '\t';
        const size_t eq = at + name.size();
        if (wordStart && eq + 1 < tag.size() && tag[eq] == '=' && tag[eq + 1] == '"') {
            const size_t end = tag.find('"', eq + 2);
            if (end == std::string_view::npos) return std::nullopt;
            return tag.substr(eq + 2, end - eq - 2);
        }
        from = at + 1;
    }
    return std::nullopt;
}

std::optional<int64_t> number(std::string_view s) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
    return value;
}

std::string decodeEntities(std::string_view s) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == '&') {
            for (const auto& [entity, c] : kEntities) {
                if (s.substr(i, entity.size()) == entity) {
                    out.push_back(c);
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out.push_back(s[i++]);
    }
    return out;
}

} // namespace

std::optional<BuildLine> parseBuildLine(std::string_view line) {
    line = trimmed(line);
    if (startsWith(line, "<log")) {
        const size_t open = line.find('>');
        const size_t close = line.rfind("</log>");
        if (open == std::string_view::npos || close == std::string_view::npos || close < open)
            return std::nullopt;
        BuildLine out;
        out.kind = BuildLine::Kind::Log;
        out.text = decodeEntities(line.substr(open + 1, close - open - 1));
        return out;
    }
    if (!startsWith(line, "<progress ") || line.back() != '>') return std::nullopt;
    const std::optional<std::string_view> operation = attribute(line, "operation");
    const std::optional<std::string_view> position = attribute(line, "position");
    const std::optional<std::string_view> size = attribute(line, "size");
    if (!operation || !position || !size) return std::nullopt;
    BuildLine out;
    if (*operation == "scan")
        out.kind = BuildLine::Kind::Scan;
    else if (*operation == "write")
        out.kind = BuildLine::Kind::Write;
    else
        return std::nullopt;
    const std::optional<int64_t> p = number(*position);
    const std::optional<int64_t> s = number(*size);
    if (!p || !s) return std::nullopt;
    out.position = *p;
    out.size = *s;
    if (out.kind == BuildLine::Kind::Scan) {
        if (const std::optional<std::string_view> id = attribute(line, "id")) {
            const size_t dash = id->rfind('-');
            const std::optional<int64_t> n =
                dash == std::string_view::npos ? std::nullopt : number(id->substr(dash + 1));
            if (n && *n < 100000) out.entry = int(*n);
        }
    }
    return out;
}

std::optional<int64_t> finishedSectors(std::string_view logText) {
    constexpr std::string_view kPrefix = "finished ok, image created with ";
    if (!startsWith(logText, kPrefix)) return std::nullopt;
    std::string_view rest = logText.substr(kPrefix.size());
    const size_t blank = rest.find(' ');
    if (blank == std::string_view::npos || !startsWith(rest.substr(blank), " sectors"))
        return std::nullopt;
    return number(rest.substr(0, blank));
}

std::optional<WriteProgress> parseCdrdaoLine(std::string_view line) {
    line = trimmed(line);
    constexpr std::string_view kWrote = "Wrote ";
    if (!startsWith(line, kWrote)) return std::nullopt;
    line.remove_prefix(kWrote.size());
    const size_t of = line.find(" of ");
    if (of == std::string_view::npos) return std::nullopt;
    const std::optional<int64_t> done = number(line.substr(0, of));
    std::string_view rest = line.substr(of + 4);
    const size_t mb = rest.find(" MB");
    if (mb == std::string_view::npos || !done) return std::nullopt;
    const std::optional<int64_t> total = number(rest.substr(0, mb));
    if (!total || *done > *total) return std::nullopt;
    return WriteProgress{*done, *total};
}

} // namespace vcdlines
