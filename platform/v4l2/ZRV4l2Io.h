#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

/// The calls a V4L2 device node answers, as one seam: the device layer above it parses every
/// reply, so a simulated node answers the same requests below it. Results follow the kernel's
/// convention without the global errno: 0 or a count on success, a negative errno on failure.
/// Thread-safety: one thread issues requests at a time; `setStopped` may come from any thread.
namespace zrv4l2 {

class IZRV4l2Io {
public:
    virtual ~IZRV4l2Io() = default;
    /// `request` is a VIDIOC_ code, `arg` its structure (read and written as the kernel does).
    virtual int ioctl(unsigned long request, void* arg) = 0;
    /// Bytes of the capture stream (a frame, or any run of an MPEG stream).
    virtual ssize_t read(void* data, size_t size) = 0;
    /// Bytes for an output device.
    virtual ssize_t write(const void* data, size_t size) = 0;
    /// The memory of a buffer of streaming I/O (the offset `VIDIOC_QUERYBUF` gave); null on
    /// failure. Released with `unmap`.
    virtual void* map(size_t length, long offset) = 0;
    virtual void unmap(void* address, size_t length) = 0;
    /// While on, waiting calls end with -EINTR (any thread); off again before the next start.
    virtual void setStopped(bool on) { (void)on; }
};

/// A device node opened through libv4l2 (which converts formats the node alone does not
/// offer). Null with `*error` (a negative errno) set when it cannot be opened: ENOENT for a
/// missing node, ENOTTY for a file that is no V4L2 device.
std::unique_ptr<IZRV4l2Io> openDeviceNode(const std::string& path, int* error);

} // namespace zrv4l2
