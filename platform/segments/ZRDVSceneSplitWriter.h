#pragma once

#include "platform/segments/DvFrame.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace segments {

/// Writes captured DV frames as DV AVI segments "<base>01.avi", "<base>02.avi", ... (the frames
/// untouched, their sound as 16-bit PCM, libavformat's AVI muxer), cut before a frame that
/// would take a segment past the split limit, and, with scene split on, where the recording
/// date and time jumps forward by more than a second or back. `finish` leaves "<base>.ovl"
/// (an "OVDV" list) for several segments, renames a single one to "<base>.avi".
///
/// Disk space for each frame, and for the segment's index, is reserved before the frame goes
/// to the muxer, so a full disk or a file-size limit never cuts a frame: the writer then
/// completes the open segment at its last whole frame, writes the list, and fails from then on
/// with `error()` saying why. Only whole frames of 120000 or 144000 bytes are written.
/// Thread-safety: one thread at a time.
class ZRDVSceneSplitWriter {
public:
    struct Settings {
        /// Kilobytes a segment may grow to; 0 or less: no limit.
        int64_t splitKilobytes = 0;
        bool sceneSplit = false;
    };
    /// Reserves `length` bytes of `fd` from `offset` on: 0, or an errno value
    /// (posix_fallocate by default; tests make it fail).
    using Reserve = std::function<int(int fd, int64_t offset, int64_t length)>;

    enum class Result {
        Written,
        Rejected, ///< not a whole frame: nothing written
        Failed    ///< the writer has ended (see `error()`)
    };

    explicit ZRDVSceneSplitWriter(Reserve reserve = {});
    /// Finishes what is open.
    ~ZRDVSceneSplitWriter();
    ZRDVSceneSplitWriter(const ZRDVSceneSplitWriter&) = delete;
    ZRDVSceneSplitWriter& operator=(const ZRDVSceneSplitWriter&) = delete;

    /// Starts a capture to `base` (a path without extension). The first segment is created
    /// with the first frame.
    [[nodiscard]] bool open(const std::string& base, Settings settings);
    Result write(std::span<const uint8_t> frame);
    /// Completes the open segment and leaves the list or the renamed single file. False when
    /// any of it failed (or the writer had failed before).
    [[nodiscard]] bool finish();

    const std::string& error() const { return m_error; }
    bool failed() const { return m_failed; }
    int64_t framesWritten() const { return m_frames; }
    /// The segments written so far (their names before a rename).
    const std::vector<std::string>& segments() const { return m_segments; }
    /// After `finish`: "<base>.ovl", "<base>.avi", or empty when nothing was written.
    const std::string& result() const { return m_result; }

private:
    struct Output;
    bool openSegment(std::span<const uint8_t> first, int rate, int channels);
    bool closeSegment();
    void fail(const std::string& why);

    Reserve m_reserve;
    std::string m_base;
    Settings m_settings;
    std::unique_ptr<Output> m_out;
    DvAudioReader m_audio;
    std::vector<std::string> m_segments;
    std::string m_result;
    std::string m_error;
    bool m_open = false;
    bool m_failed = false;
    int64_t m_frames = 0;
    int64_t m_lastTime = -1;
    bool m_haveTime = false;
};

} // namespace segments
