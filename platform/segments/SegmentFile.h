#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace segments {

/// One segment file open for reading and writing, with a current position. Every call reports
/// failure as its result; the position after a failure is unspecified.
/// Thread-safety: one thread at a time.
class SegmentFile {
public:
    virtual ~SegmentFile() = default;
    [[nodiscard]] virtual bool seek(int64_t offset) = 0;
    /// Up to `count` bytes from the position into `data`: the number read (0 at the end), or
    /// -1 on an error.
    [[nodiscard]] virtual int64_t read(uint8_t* data, int64_t count) = 0;
    /// All `count` bytes at the position; false when not all were written.
    [[nodiscard]] virtual bool write(const uint8_t* data, int64_t count) = 0;
    /// The file's length, or -1.
    [[nodiscard]] virtual int64_t size() = 0;
    /// Cuts or extends the file to `length` bytes.
    [[nodiscard]] virtual bool truncate(int64_t length) = 0;
};

/// Opens segment files: the joiner's only way to the disk, so that tests can make any read,
/// write or seek fail.
class SegmentFileSystem {
public:
    virtual ~SegmentFileSystem() = default;
    /// The file at `path` opened for reading and writing; null when it does not exist, is not a
    /// regular file or cannot be opened.
    virtual std::unique_ptr<SegmentFile> open(const std::string& path) = 0;
    /// The local disk.
    static SegmentFileSystem& local();
};

} // namespace segments
