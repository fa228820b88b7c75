#include "platform/v4l2/ZRV4l2Io.h"

#include <libv4l2.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace zrv4l2 {

namespace {

int negErrno() {
    return errno ? -errno : -EIO;
}

class DeviceNode final : public IZRV4l2Io {
public:
    explicit DeviceNode(int fd) : m_fd(fd) {}
    ~DeviceNode() override { v4l2_close(m_fd); }

    int ioctl(unsigned long request, void* arg) override {
        for (;;) {
            if (request == VIDIOC_DQBUF && !waitReadable()) return -EINTR;
            const int r = v4l2_ioctl(m_fd, request, arg);
            if (r >= 0) return r;
            if (errno == EINTR) continue;
            // Opened without blocking so that a stop is heard: wait for the next buffer.
            if (errno == EAGAIN && request == VIDIOC_DQBUF) continue;
            return negErrno();
        }
    }
    ssize_t read(void* data, size_t size) override {
        for (;;) {
            if (!waitReadable()) return -EINTR;
            const ssize_t n = v4l2_read(m_fd, data, size);
            if (n >= 0) return n;
            if (errno == EINTR || errno == EAGAIN) continue;
            return negErrno();
        }
    }
    ssize_t write(const void* data, size_t size) override {
        for (;;) {
            const ssize_t n = v4l2_write(m_fd, data, size);
            if (n >= 0) return n;
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{m_fd, POLLOUT, 0};
                (void)::poll(&p, 1, 100);
                if (m_stopped.load()) return -EINTR;
                continue;
            }
            return negErrno();
        }
    }
    void* map(size_t length, long offset) override {
        void* p = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, offset);
        return p == MAP_FAILED ? nullptr : p;
    }
    void unmap(void* address, size_t length) override { v4l2_munmap(address, length); }
    void setStopped(bool on) override { m_stopped.store(on); }

private:
    // Waits in slices so that a stop ends the wait within a tenth of a second.
    bool waitReadable() {
        while (!m_stopped.load()) {
            pollfd p{m_fd, POLLIN, 0};
            const int r = ::poll(&p, 1, 100);
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return true; // the read itself reports the error
        }
        return false;
    }

    int m_fd;
    std::atomic<bool> m_stopped{false};
};

} // namespace

std::unique_ptr<IZRV4l2Io> openDeviceNode(const std::string& path, int* error) {
    if (error) *error = 0;
    // A path from a device list is opened only when it is a character device: a FIFO or a
    // regular file would block or answer nonsense.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (error) *error = -errno;
        return nullptr;
    }
    if (!S_ISCHR(st.st_mode)) {
        if (error) *error = -ENOTTY;
        return nullptr;
    }
    const int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = negErrno();
        return nullptr;
    }
    return std::make_unique<DeviceNode>(fd);
}

} // namespace zrv4l2
