#include "platform/graph/ZRDumpNode.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

ZRDumpNode::ZRDumpNode() : ZRGraphNode("Dump") {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
}

ZRDumpNode::~ZRDumpNode() {
    std::lock_guard lock(m_mutex);
    closeLocked();
}

ZRGraphResult ZRDumpNode::setFileName(const std::string& path) {
    if (path.empty()) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    m_path = path;
    return kZRGraphOk;
}

std::string ZRDumpNode::fileName() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

int64_t ZRDumpNode::written() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

ZRGraphResult ZRDumpNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_failed = false;
    m_written = 0;
    if (m_path.empty()) return kZRGraphOk;
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return m_fd < 0 ? kZRGraphFail : kZRGraphOk;
}

ZRGraphResult ZRDumpNode::onStop() {
    std::lock_guard lock(m_mutex);
    const bool failedBefore = m_failed;
    closeLocked();
    // Stopping always succeeds; a failure to finish the file is told as an event.
    if (m_failed && !failedBefore) notify(kZREventErrorAbort, kZRGraphFail);
    return kZRGraphOk;
}

void ZRDumpNode::closeLocked() {
    if (m_fd < 0) return;
    // A full disk may show only at close on some file systems.
    if (::fsync(m_fd) != 0 && errno != EINVAL) m_failed = true;
    if (::close(m_fd) != 0) m_failed = true;
    m_fd = -1;
}

void ZRDumpNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    bool failedNow = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_fd < 0 || m_failed) return;
        const uint8_t* p = sample.data->data();
        size_t left = sample.data->size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_failed = failedNow = true;
                break;
            }
            p += n;
            left -= size_t(n);
            m_written += n;
        }
    }
    if (failedNow) notify(kZREventErrorAbort, kZRGraphFail);
}
