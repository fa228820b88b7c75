#include "ModuleSettings.h"

#include "platform/system/SystemPaths.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>

namespace exportmodule {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The configuration files escape backslashes and control characters in values.
std::string unescaped(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return out;
}

} // namespace

ModuleSettings ModuleSettings::read(const std::string& path, const char* group) {
    ModuleSettings settings;
    std::ifstream file(path, std::ios::binary);
    if (!file || !group) return settings;
    const std::string wanted = lower(group);
    bool inGroup = false;
    std::string line;
    while (std::getline(file, line)) {
        if (line.size() > 65536) continue;
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == '#') continue;
        if (text.front() == '[' && text.back() == ']') {
            inGroup = lower(text.substr(1, text.size() - 2)) == wanted;
            continue;
        }
        const size_t equals = text.find('=');
        if (!inGroup || equals == std::string::npos) continue;
        settings.m_values[lower(trimmed(text.substr(0, equals)))] =
            unescaped(trimmed(text.substr(equals + 1)));
    }
    return settings;
}

ModuleSettings ModuleSettings::readDefault(const char* group) {
    const QString path = platform::stateFolder() + "/tmp_modules.ini";
    return read(path.toLocal8Bit().toStdString(), group);
}

std::optional<std::string> ModuleSettings::text(const char* key) const {
    const auto found = m_values.find(lower(key));
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

std::optional<long long> ModuleSettings::integer(const char* key) const {
    const auto value = text(key);
    if (!value) return std::nullopt;
    long long number = 0;
    const char* end = value->data() + value->size();
    const auto [rest, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc() || rest != end) return std::nullopt;
    return number;
}

} // namespace exportmodule
