#include "platform/file/ReadWholeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr size_t kMinChunk = 64 * 1024;

int openForReading(const char* path) {
    int fd = -1;
    do
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    return fd;
}

FileRead readOpenFile(int fd, uint64_t maxBytes, std::string& text) {
    maxBytes = std::min<uint64_t>(maxBytes, uint64_t(PTRDIFF_MAX) - 1);
    struct stat info {};
    if (::fstat(fd, &info) != 0) return {FileRead::Status::StatFailed, errno, 0};
    if (!S_ISREG(info.st_mode)) return {FileRead::Status::NotRegular, 0, 0};
    const auto statSize = uint64_t(std::max<off_t>(info.st_size, 0));
    if (statSize > maxBytes) return {FileRead::Status::TooLarge, 0, statSize};

    // The size is only a hint: the file may shrink or grow while it is read. One byte more
    // than the hint lets the usual case see its end without a second buffer.
    text.resize(size_t(statSize) + 1);
    size_t have = 0;
    for (;;) {
        if (have == text.size()) {
            if (uint64_t(have) > maxBytes) return {FileRead::Status::TooLarge, 0, have};
            const uint64_t room =
                std::min<uint64_t>(maxBytes + 1, have + std::max(have, kMinChunk));
            text.resize(size_t(room));
        }
        const ssize_t n = ::read(fd, text.data() + have, text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {FileRead::Status::ReadFailed, errno, 0};
        if (n == 0) break;
        have += size_t(n);
    }
    if (uint64_t(have) > maxBytes) return {FileRead::Status::TooLarge, 0, have};
    text.resize(have);
    return {FileRead::Status::Ok, 0, have};
}

} // namespace

FileRead readWholeFile(const char* path, uint64_t maxBytes, std::string& text) {
    text.clear();
    if (!path) return {FileRead::Status::OpenFailed, ENOENT, 0};
    const int fd = openForReading(path);
    if (fd < 0) return {FileRead::Status::OpenFailed, errno, 0};
    FileRead result = readOpenFile(fd, maxBytes, text);
    ::close(fd);
    if (!result.ok()) {
        text.clear();
        text.shrink_to_fit();
    }
    return result;
}

} // namespace platform
