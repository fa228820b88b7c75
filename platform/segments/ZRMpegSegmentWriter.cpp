#include "platform/segments/ZRMpegSegmentWriter.h"

#include "platform/segments/ZRSegmentList.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace segments {

namespace {

bool startCodeAt(const std::vector<uint8_t>& b, size_t at, uint8_t code) {
    return at + 4 <= b.size() && b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 &&
           b[at + 3] == code;
}

// The next 00 00 01 BA at or after `from`, or the size when there is none.
size_t nextPackStart(const std::vector<uint8_t>& b, size_t from) {
    for (size_t i = from; i + 4 <= b.size(); ++i)
        if (b[i + 2] <= 1 && startCodeAt(b, i, 0xBA)) return i;
    return b.size();
}

// The most bytes held while looking for the end of a pack.
constexpr size_t kMaxHeld = size_t(4) << 20;

bool holdsSequenceHeader(const uint8_t* p, size_t n) {
    for (size_t i = 0; i + 4 <= n; ++i)
        if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] == 0xB3) return true;
    return false;
}

} // namespace

int64_t ZRMpegSegmentWriter::clampLimit(int64_t kilobytes) {
    return kilobytes == 0 ? kDefaultLimitKB : std::clamp(kilobytes, kMinLimitKB, kMaxLimitKB);
}

ZRMpegSegmentWriter::ZRMpegSegmentWriter(WriteFn write) : m_write(std::move(write)) {
    if (!m_write) m_write = [](int fd, const void* d, size_t n) { return ::write(fd, d, n); };
}

ZRMpegSegmentWriter::~ZRMpegSegmentWriter() {
    if (isOpen()) (void)close();
}

bool ZRMpegSegmentWriter::open(const std::string& path, int64_t limitKB) {
    if (isOpen()) (void)close();
    m_base = path;
    const size_t slash = m_base.find_last_of('/');
    const size_t dot = m_base.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) m_base.erase(dot);
    m_limit = clampLimit(limitKB) * 1024;
    m_failed = m_await = m_synced = false;
    m_error.clear();
    m_errno = 0;
    m_segments.clear();
    m_held.clear();
    m_packs = m_skipped = m_bytes = 0;
    m_opened = true;
    return true;
}

void ZRMpegSegmentWriter::awaitSequenceHeader() {
    m_await = true;
}

bool ZRMpegSegmentWriter::openSegment() {
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", m_segments.size() + 1);
    const std::string name = m_base + number + ".mpg";
    m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const int err = errno;
        fail("cannot create " + name + ": " + std::strerror(err), err);
        return false;
    }
    m_segments.push_back(name);
    m_segmentBytes = 0;
    return true;
}

bool ZRMpegSegmentWriter::finishSegment() {
    if (m_fd < 0) return true;
    bool ok = true;
    // A full disk may show only when the data reaches it.
    int err = 0;
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        ok = false;
        err = errno;
    }
    if (::close(m_fd) != 0) {
        ok = false;
        if (!err) err = errno;
    }
    m_fd = -1;
    if (!ok) fail("cannot complete " + m_segments.back() + ": " + std::strerror(err), err);
    return ok;
}

void ZRMpegSegmentWriter::fail(const std::string& reason, int errorNumber) {
    if (!m_failed) {
        m_error = reason;
        m_errno = errorNumber;
    }
    m_failed = true;
}

int64_t ZRMpegSegmentWriter::packLength(size_t at) const {
    const std::vector<uint8_t>& b = m_held;
    if (at + 14 > b.size()) return -1;
    size_t p = at;
    if ((b[at + 4] & 0xC0) == 0x40)
        p += 14 + (b[at + 13] & 7);
    else if ((b[at + 4] & 0xF0) == 0x20)
        p += 12;
    else
        return 0;
    for (;;) {
        if (p + 4 > b.size()) return -1;
        if (b[p] != 0 || b[p + 1] != 0 || b[p + 2] != 1) return 0;
        const uint8_t id = b[p + 3];
        if (id == 0xBA) return int64_t(p - at);
        if (id == 0xB9) return int64_t(p + 4 - at);
        if (id < 0xBB) return 0;
        if (p + 6 > b.size()) return -1;
        p += 6 + (size_t(b[p + 4]) << 8 | b[p + 5]);
    }
}

bool ZRMpegSegmentWriter::write(const uint8_t* data, size_t size) {
    if (!m_opened || m_failed) return false;
    if (size == 0) return true;
    m_held.insert(m_held.end(), data, data + size);
    process(false);
    return !m_failed;
}

void ZRMpegSegmentWriter::process(bool flush) {
    size_t pos = 0;
    if (!m_synced) {
        pos = nextPackStart(m_held, 0);
        if (pos == m_held.size() && !flush) {
            // Keep the last three bytes: they may begin a pack start.
            const size_t keep = std::min<size_t>(3, m_held.size());
            m_skipped += int64_t(m_held.size() - keep);
            m_held.erase(m_held.begin(), m_held.end() - ptrdiff_t(keep));
            return;
        }
        m_skipped += int64_t(pos);
        m_synced = pos < m_held.size();
    }
    while (m_synced && pos < m_held.size() && !m_failed) {
        int64_t length = packLength(pos);
        const bool packStart = startCodeAt(m_held, pos, 0xBA);
        if (length == 0 || !packStart) {
            // The packets lost their way: the pack runs to the next pack start. A stream that
            // shows none for long is written on in pieces that never start a segment.
            const size_t next = nextPackStart(m_held, pos + 1);
            if (next == m_held.size() && !flush) {
                if (m_held.size() - pos < kMaxHeld) break;
                length = int64_t(m_held.size() - pos - 3);
            } else {
                length = int64_t(next - pos);
            }
        } else if (length < 0) {
            if (!flush) break;
            length = int64_t(m_held.size() - pos);
        }
        if (!writePack(m_held.data() + pos, size_t(length), packStart)) break;
        pos += size_t(length);
    }
    // Without a pack start, everything held was counted as skipped above.
    if (flush && !m_synced) pos = m_held.size();
    m_held.erase(m_held.begin(), m_held.begin() + ptrdiff_t(std::min(pos, m_held.size())));
}

bool ZRMpegSegmentWriter::writePack(const uint8_t* data, size_t size, bool packStart) {
    if (m_await) {
        if (!packStart) return true;
        if (!holdsSequenceHeader(data, size)) return true;
        m_await = false;
    }
    if (m_fd < 0 && m_segments.empty() && !openSegment()) return false;
    if (m_fd < 0) return false;
    if (packStart && m_segmentBytes > 0 && m_segmentBytes + int64_t(size) > m_limit) {
        if (!finishSegment() || !openSegment()) return false;
        // The list names every segment as soon as it exists.
        (void)ZRSegmentList::rewrite(listPath(), ZRSegmentList::Kind::Mpeg, m_segments);
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = m_write(m_fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // The segment ends at its last whole pack.
            const bool cut = ::ftruncate(m_fd, m_segmentBytes) == 0;
            fail("cannot write " + m_segments.back() + ": " + std::strerror(err) +
                     (cut ? "" : " (the segment could not be cut back to its last pack)"),
                 err);
            (void)finishSegment();
            (void)ZRSegmentList::rewrite(listPath(), ZRSegmentList::Kind::Mpeg, m_segments);
            return false;
        }
        done += size_t(n);
    }
    m_segmentBytes += int64_t(size);
    m_bytes += int64_t(size);
    ++m_packs;
    return true;
}

bool ZRMpegSegmentWriter::close() {
    if (!m_opened) return !m_failed;
    if (!m_failed) process(true);
    m_held.clear();
    const bool closed = finishSegment();
    m_opened = false;
    if (m_failed) return false;
    if (m_segments.empty()) return closed;
    if (m_segments.size() == 1) {
        const std::string single = m_base + ".mpg";
        if (std::rename(m_segments.front().c_str(), single.c_str()) != 0) {
            const int err = errno;
            fail("cannot rename " + m_segments.front() + ": " + std::strerror(err), err);
            return false;
        }
        m_segments.front() = single;
        std::remove(listPath().c_str());
        return closed;
    }
    if (!ZRSegmentList::rewrite(listPath(), ZRSegmentList::Kind::Mpeg, m_segments)) {
        fail("cannot write " + listPath());
        return false;
    }
    return closed;
}

} // namespace segments
