#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The lines the outside programs of a Video CD burn print, read as progress: vcdxbuild's
/// `--gui` lines and cdrdao's "Wrote N of M MB" lines. Any input is safe: a line that does not
/// parse gives nothing. Plain functions, no state.
namespace vcdlines {

/// One line of `vcdxbuild --progress --gui`.
struct BuildLine {
    enum class Kind { Scan, Write, Log };
    Kind kind = Kind::Log;
    /// Scan: the entry's index from its id ("sequence-03" → 3), -1 when the id has no number.
    int entry = -1;
    int64_t position = 0; ///< Scan, Write: the position attribute
    int64_t size = 0;     ///< Scan, Write: the size attribute
    std::string text;     ///< Log: the message, with its XML entities decoded
};

/// `<progress operation="scan" id=... position=... size=... />`,
/// `<progress operation="write" ... />` or `<log level=...>text</log>`.
std::optional<BuildLine> parseBuildLine(std::string_view line);

/// The sector count of vcdxbuild's closing log text "finished ok, image created with N sectors
/// [...]".
std::optional<int64_t> finishedSectors(std::string_view logText);

/// cdrdao's progress: "Wrote <done> of <total> MB" (with whatever follows), both counts
/// non-negative and done ≤ total.
struct WriteProgress {
    int64_t doneMB = 0;
    int64_t totalMB = 0;
};
std::optional<WriteProgress> parseCdrdaoLine(std::string_view line);

/// Splits what a program printed into lines ended by CR or LF: `pending` keeps an unfinished
/// tail between calls and is cut at `kMaxLine` bytes (a line that never ends cannot grow
/// without bound). Calls `sink(line)` for each finished, non-empty line.
inline constexpr size_t kMaxLine = 64 * 1024;
template <class Sink> void splitLines(std::string& pending, std::string_view data, Sink&& sink) {
    for (char c : data) {
        if (c == '\r' || c == '\n') {
            if (!pending.empty()) sink(std::string_view(pending));
            pending.clear();
        } else if (pending.size() < kMaxLine) {
            pending.push_back(c);
        }
    }
}

} // namespace vcdlines
