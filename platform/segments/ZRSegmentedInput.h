#pragma once

#include "platform/segments/ZRSegmentList.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/rational.h>
}

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace segments {

/// The segments of a list as one input for libavformat. An "OVMP" list reads as one seekable,
/// read-only byte stream: its segments one after the other, as a single program stream (joined
/// segments follow each other without a seam). An "OVDV" list is the ordered DV AVI segments,
/// each with the frame and sample it starts at over the whole list; its byte stream is a script
/// for libavformat's "concat" demuxer naming each segment with its exact duration, so that
/// time stamps run on across segments and a seek lands in the right one.
/// Missing, empty and (DV) unreadable segments are passed over; a list with none left does not
/// open. The byte stream (`context()`) belongs to this object and lives as long as it does.
/// Thread-safety: used by one thread at a time; separate inputs are independent.
class ZRSegmentedInput {
public:
    struct Segment {
        std::string path;        ///< absolute
        int64_t size = 0;        ///< bytes
        int64_t offset = 0;      ///< "OVMP": where it begins in the byte stream
        int64_t firstFrame = 0;  ///< "OVDV": its first frame, counted over the list
        int64_t frames = 0;      ///< "OVDV": frames it holds
        int64_t firstSample = 0; ///< "OVDV": its first sample frame, counted over the list
        int64_t samples = 0;     ///< "OVDV": sample frames it holds (0 without sound)
    };

    ~ZRSegmentedInput();
    ZRSegmentedInput(const ZRSegmentedInput&) = delete;
    ZRSegmentedInput& operator=(const ZRSegmentedInput&) = delete;

    /// Whether the file at `path` begins with a segment list's magic.
    static bool isList(const std::string& path);
    /// Opens the list at `listPath`; null, with `*error` set, when it cannot be read or names
    /// no readable segment.
    static std::unique_ptr<ZRSegmentedInput> open(const std::string& listPath, std::string* error);

    ZRSegmentList::Kind kind() const { return m_kind; }
    const std::vector<Segment>& segments() const { return m_segments; }
    /// "OVDV": the frame rate of the first segment.
    AVRational frameRate() const { return m_rate; }
    /// The demuxer that reads `context()`: "mpeg" or "concat".
    const char* formatName() const;
    /// The byte stream, positioned at its start when opened.
    AVIOContext* context() const { return m_io; }
    /// The byte stream's length.
    int64_t size() const { return int64_t(m_size); }

    /// Reads up to `count` bytes at the position: the number read, or AVERROR_EOF at the end,
    /// or another negative AVERROR on a read error.
    int read(uint8_t* data, int count);
    /// Moves the position as libavformat asks (SEEK_SET, SEEK_CUR, SEEK_END, AVSEEK_SIZE);
    /// the new position, or a negative AVERROR.
    int64_t seek(int64_t offset, int whence);

private:
    ZRSegmentedInput() = default;
    bool probeDV(std::string* error);
    bool makeContext();
    bool openSegment(size_t index);

    ZRSegmentList::Kind m_kind = ZRSegmentList::Kind::Mpeg;
    std::vector<Segment> m_segments;
    AVRational m_rate{0, 1};
    std::string m_script; ///< "OVDV": the concat script the byte stream holds
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    int m_fd = -1;          ///< the open segment, or -1
    size_t m_fdSegment = 0; ///< which segment `m_fd` is
    AVIOContext* m_io = nullptr;
};

/// The demuxers a media file, or one segment of a list, is read with: every one but
/// libavformat's list of files ("concat"), comma-separated, for its "format_whitelist". That
/// demuxer opens the files its script names on inputs of its own, past any check of the caller,
/// so a FIFO or terminal named in a script would block the open for ever. A script is no media;
/// the lists read here make their script themselves, of files checked to be regular ones.
const char* mediaDemuxers();

} // namespace segments
