#include "ModuleSettings.h"

#include "platform/system/SystemPaths.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exportmodule {

namespace {

// Settings files are small; anything larger is not one.
constexpr off_t kMaxFileBytes = 64 << 20;

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

std::optional<ModuleSettings> ModuleSettings::read(const std::string& path, const char* group,
                                                   std::string& error) {
    ModuleSettings settings;
    error.clear();
    // Opened without blocking, so that a FIFO in its place cannot hold the export up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return settings;
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    std::string content;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
    } else if (info.st_size > kMaxFileBytes) {
        error = path + ": too large";
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = path + ": " + std::strerror(errno);
            if (n <= 0 || content.size() > size_t(kMaxFileBytes)) break;
            content.append(buffer, size_t(n));
        }
    }
    ::close(fd);
    if (!error.empty()) return std::nullopt;
    if (!group) return settings;

    bool inGroup = false;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        const std::string line = content.substr(start, end - start);
        start = end + 1;
        if (line.size() > 65536) continue;
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == '#') continue;
        if (text.front() == '[' && text.back() == ']') {
            inGroup = scriptKeyEqual(std::string_view(text).substr(1, text.size() - 2), group);
            continue;
        }
        const size_t equals = text.find('=');
        if (!inGroup || equals == std::string::npos) continue;
        settings.m_values[trimmed(text.substr(0, equals))] =
            unescaped(trimmed(text.substr(equals + 1)));
    }
    return settings;
}

std::optional<ModuleSettings> ModuleSettings::readDefault(const char* group) {
    const QString path = platform::stateFolder() + "/tmp_modules.ini";
    std::string error;
    auto settings = read(path.toLocal8Bit().toStdString(), group, error);
    if (!settings)
        std::fprintf(stderr, "export refused: cannot read the export settings %s\n", error.c_str());
    return settings;
}

std::optional<std::string> ModuleSettings::text(const char* key) const {
    const auto found = m_values.find(std::string_view(key));
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
