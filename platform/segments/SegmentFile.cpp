#include "platform/segments/SegmentFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace segments {

namespace {

class LocalFile final : public SegmentFile {
public:
    explicit LocalFile(int descriptor) : m_fd(descriptor) {}
    ~LocalFile() override { ::close(m_fd); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    bool seek(int64_t offset) override {
        return offset >= 0 && ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset);
    }
    int64_t read(uint8_t* data, int64_t count) override {
        int64_t done = 0;
        while (done < count) {
            const ssize_t got = ::read(m_fd, data + done, size_t(count - done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += got;
        }
        return done;
    }
    bool write(const uint8_t* data, int64_t count) override {
        int64_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(m_fd, data + done, size_t(count - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            done += put;
        }
        return true;
    }
    int64_t size() override {
        struct stat info {};
        return ::fstat(m_fd, &info) == 0 ? int64_t(info.st_size) : -1;
    }
    bool truncate(int64_t length) override {
        return length >= 0 && ::ftruncate(m_fd, off_t(length)) == 0;
    }

private:
    int m_fd;
};

class LocalFileSystem final : public SegmentFileSystem {
public:
    std::unique_ptr<SegmentFile> open(const std::string& path) override {
        // Opened without following a FIFO or device: only regular files are segments.
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return nullptr;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<LocalFile>(fd);
    }
};

} // namespace

SegmentFileSystem& SegmentFileSystem::local() {
    static LocalFileSystem system;
    return system;
}

} // namespace segments
