#include "platform/segments/ZRSegmentList.h"

#include "platform/system/PendingFiles.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace segments {

namespace {

// A list names a few thousand segments at most; anything far larger is not a list.
constexpr int64_t kMaxListBytes = 16 * 1024 * 1024;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

int64_t regularFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return int64_t(info.st_size);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "";
    return path.substr(0, slash);
}

} // namespace

std::string_view fileNamePart(std::string_view path, bool backslash) {
    const size_t slash = path.find_last_of(backslash ? "/\\" : "/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<ZRSegmentList> ZRSegmentList::parse(std::string_view text, const std::string& folder,
                                                  std::string* error) {
    ZRSegmentList list;
    bool first = true;
    while (!text.empty() || first) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::string cleaned;
        for (const char c : line)
            if (c != '\r') cleaned += c;
        if (first) {
            first = false;
            if (cleaned == "OVMP") {
                list.m_kind = Kind::Mpeg;
            } else if (cleaned == "OVDV") {
                list.m_kind = Kind::DV;
            } else {
                *error = "not a segment list (no \"OVMP\" or \"OVDV\" on its first line)";
                return std::nullopt;
            }
            continue;
        }
        std::string_view entry = cleaned;
        entry = trimmed(entry.substr(0, entry.find(';')));
        if (entry.empty() || entry == "OVMP") continue;
        // Only the name counts: a path in the list never leads out of the list's folder.
        const std::string_view name = trimmed(fileNamePart(entry, true));
        if (name.empty() || name == "." || name == "..") continue;
        list.m_entries.push_back({std::string(name), folder + "/" + std::string(name)});
    }
    return list;
}

std::optional<ZRSegmentList> ZRSegmentList::read(const std::string& listPath, std::string* error) {
    const int64_t size = regularFileSize(listPath);
    if (size < 0) {
        *error = "cannot open the segment list '" + listPath + "'";
        return std::nullopt;
    }
    if (size > kMaxListBytes) {
        *error = "the segment list '" + listPath + "' is too large";
        return std::nullopt;
    }
    std::ifstream in(listPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        *error = "cannot read the segment list '" + listPath + "'";
        return std::nullopt;
    }
    return parse(text, folderOf(listPath), error);
}

std::vector<std::string> ZRSegmentList::readableSegments() const {
    std::vector<std::string> paths;
    for (const Entry& entry : m_entries)
        if (regularFileSize(entry.path) > 0) paths.push_back(entry.path);
    return paths;
}

std::string ZRSegmentList::format(Kind kind,
                                  const std::vector<std::pair<std::string, int64_t>>& items) {
    std::string text = magic(kind);
    for (const auto& [name, size] : items) {
        text += "\r\n";
        text += name;
        text += "; ";
        text += std::to_string(size);
    }
    return text;
}

bool ZRSegmentList::writeFile(const std::string& path, Kind kind,
                              const std::vector<std::string>& segmentPaths) {
    std::vector<std::pair<std::string, int64_t>> items;
    for (const std::string& segment : segmentPaths) {
        const int64_t size = regularFileSize(segment);
        items.emplace_back(std::string(fileNamePart(segment, false)), size < 0 ? 0 : size);
    }
    const std::string text = format(kind, items);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // fclose flushes: a full disk shows here if not before.
    return std::fclose(file) == 0 && written;
}

bool ZRSegmentList::rewrite(const std::string& listPath, Kind kind,
                            const std::vector<std::string>& segmentPaths) {
    platform::PendingFiles pending;
    const std::string path = pending.add(listPath);
    if (path.empty() || !writeFile(path, kind, segmentPaths)) return false;
    return pending.publish();
}

} // namespace segments
