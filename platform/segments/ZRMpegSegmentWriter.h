#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace segments {

/// Writes an MPEG program stream, read from a device in runs that end anywhere, into segment
/// files "<base>01.mpg", "<base>02.mpg", ... of at most the split limit each, cut only where a
/// pack starts, with their "OVMP" list "<base>.mvl"; a capture that fits in one segment leaves
/// "<base>.mpg" and no list. Packs are found by walking the packets' own lengths (a stream that
/// loses its way is searched for the next pack start), and each pack is written whole, so every
/// segment starts with a pack and, after a failed write, ends at its last whole pack.
///
/// Bytes before the first pack start are not written (they cannot begin a segment) and are
/// counted; nothing else is dropped or added. With `awaitSequenceHeader` the packs are dropped
/// until one holds a video sequence header, from which the recording starts.
/// Thread-safety: one thread at a time.
class ZRMpegSegmentWriter {
public:
    /// The write used for segment files (tests make it fail); defaults to ::write.
    using WriteFn = std::function<ssize_t(int fd, const void* data, size_t size)>;

    /// The split limit's default and range, in kilobytes of 1024 bytes.
    static constexpr int64_t kDefaultLimitKB = 4000000;
    static constexpr int64_t kMinLimitKB = 150;
    static constexpr int64_t kMaxLimitKB = 4000000;
    /// 0 gives the default; others are brought into the range.
    static int64_t clampLimit(int64_t kilobytes);

    explicit ZRMpegSegmentWriter(WriteFn write = {});
    ~ZRMpegSegmentWriter();
    ZRMpegSegmentWriter(const ZRMpegSegmentWriter&) = delete;
    ZRMpegSegmentWriter& operator=(const ZRMpegSegmentWriter&) = delete;

    /// Starts writing for the output name `path` (its extension is replaced: "x.mpg" gives
    /// "x01.mpg" ... and "x.mvl"). The first segment is created with the first pack, so a
    /// capture that never starts leaves no file.
    [[nodiscard]] bool open(const std::string& path, int64_t limitKB);
    /// Takes the next run of the stream. False once a write failed: the segment is cut back to
    /// its last whole pack, the list is written, and nothing more is taken.
    [[nodiscard]] bool write(const uint8_t* data, size_t size);
    /// Drops packs until one with a sequence header, which starts a new recording.
    void awaitSequenceHeader();
    /// Writes what is held, completes the segments and the list. False when any of it failed.
    [[nodiscard]] bool close();

    bool isOpen() const { return m_fd >= 0 || m_opened; }
    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }
    /// The system error number of the first failure (ENOSPC, EFBIG, ...); 0 when none, or when
    /// the failure had none.
    int errorNumber() const { return m_errno; }
    /// The segment files written so far, in order.
    const std::vector<std::string>& segments() const { return m_segments; }
    std::string listPath() const { return m_base + ".mvl"; }
    int64_t packsWritten() const { return m_packs; }
    int64_t bytesSkipped() const { return m_skipped; }
    int64_t bytesWritten() const { return m_bytes; }

private:
    void process(bool flush);
    bool writePack(const uint8_t* data, size_t size, bool packStart);
    bool openSegment();
    bool finishSegment();
    void fail(const std::string& reason, int errorNumber = 0);
    /// The length of the pack starting at `at` (walking its packets), -1 when more bytes are
    /// needed, 0 when its packets lose their way (the pack then runs to the next pack start).
    int64_t packLength(size_t at) const;

    WriteFn m_write;
    std::string m_base;
    int64_t m_limit = 0;
    int m_fd = -1;
    bool m_opened = false;
    bool m_failed = false;
    bool m_await = false;
    bool m_synced = false;
    std::string m_error;
    int m_errno = 0;
    std::vector<std::string> m_segments;
    int64_t m_segmentBytes = 0;
    int64_t m_packs = 0;
    int64_t m_skipped = 0;
    int64_t m_bytes = 0;
    std::vector<uint8_t> m_held;
};

} // namespace segments
