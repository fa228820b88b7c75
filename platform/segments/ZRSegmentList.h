#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace segments {

/// A multi-file segment list: the play order of the segment files of one capture or export.
///
/// The file is 8-bit text. Line 1 is the magic, "OVMP" for MPEG program-stream segments or
/// "OVDV" for DV AVI segments; each further line names a segment. Reading cuts each line at its
/// first ";", drops carriage returns and surrounding blanks, skips lines equal to "OVMP", and
/// keeps only the file-name part ("/" and "\" both separate folders, for lists written on
/// Windows), joined to the list's own folder, so an entry never names a file outside it.
/// Entries whose name part is empty, "." or ".." are skipped. Names are the bytes as stored,
/// read as UTF-8. The written form is the magic, then per segment "\r\n", the bare name, "; "
/// and the size in bytes in decimal, with no line end after the last entry.
/// Thread-safety: a value; separate lists are independent.
class ZRSegmentList {
public:
    enum class Kind { Mpeg, DV };

    struct Entry {
        std::string name; ///< the bare file name
        std::string path; ///< the list's folder, "/" and the name
    };

    /// Reads the list at `listPath`; nothing, with `*error` set, when it cannot be read or does
    /// not begin with a magic. A list without entries reads as an empty list.
    static std::optional<ZRSegmentList> read(const std::string& listPath, std::string* error);
    /// Reads `text` as a list lying in `folder` (no trailing "/").
    static std::optional<ZRSegmentList> parse(std::string_view text, const std::string& folder,
                                              std::string* error);

    Kind kind() const { return m_kind; }
    const std::vector<Entry>& entries() const { return m_entries; }
    /// The entries' paths that name a regular, non-empty file, in order: the segments a reader
    /// plays (missing and empty ones are passed over).
    std::vector<std::string> readableSegments() const;

    static const char* magic(Kind kind) { return kind == Kind::Mpeg ? "OVMP" : "OVDV"; }
    /// The written form of a list of (bare name, size) pairs.
    static std::string format(Kind kind, const std::vector<std::pair<std::string, int64_t>>& items);
    /// Writes the list of `segmentPaths` (each listed by its bare name and its current size; a
    /// file that cannot be found has size 0) to `path` itself. False when it cannot be written
    /// whole: then `path` holds an unfinished list.
    [[nodiscard]] static bool writeFile(const std::string& path, Kind kind,
                                        const std::vector<std::string>& segmentPaths);
    /// Like `writeFile`, but through a temporary file beside `listPath` that replaces it only
    /// once written whole: on failure the old list stays as it was.
    [[nodiscard]] static bool rewrite(const std::string& listPath, Kind kind,
                                      const std::vector<std::string>& segmentPaths);

private:
    Kind m_kind = Kind::Mpeg;
    std::vector<Entry> m_entries;
};

/// The bare file name of `path`: what follows its last "/" (or "\" when `backslash`).
std::string_view fileNamePart(std::string_view path, bool backslash);

} // namespace segments
