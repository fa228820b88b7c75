#pragma once

#include <cstdint>
#include <string>

/// Reading a whole file into memory: for scripts, projects and settings files, which are read
/// at once and may come from anywhere.
namespace platform {

/// What became of a whole-file read.
struct FileRead {
    enum class Status {
        Ok,
        OpenFailed, ///< the file could not be opened (`error` says why)
        StatFailed, ///< its kind and size could not be learned (`error` says why)
        NotRegular, ///< a folder, FIFO, device or socket: never waited on
        TooLarge,   ///< more than the caller's limit (`size`: the bytes found)
        ReadFailed, ///< a read failed (`error` says why)
    };
    Status status = Status::Ok;
    /// The errno value behind OpenFailed, StatFailed and ReadFailed; 0 otherwise.
    int error = 0;
    /// The bytes read (Ok) or found (TooLarge: the file's size, or more than the limit when it
    /// grew while it was read).
    uint64_t size = 0;

    bool ok() const { return status == Status::Ok; }
};

/// Reads the regular file at `path` whole into `text`: opened without blocking (a FIFO or a
/// device in its place is refused, never waited on), read until its end however its size
/// changes meanwhile, interrupted reads retried. At most `maxBytes` bytes are accepted. On any
/// failure `text` is left empty.
[[nodiscard]] FileRead readWholeFile(const char* path, uint64_t maxBytes, std::string& text);

} // namespace platform
