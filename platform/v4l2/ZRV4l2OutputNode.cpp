#include "platform/v4l2/ZRV4l2OutputNode.h"

#include <QDebug>

#include <cerrno>
#include <cstring>

ZRV4l2OutputNode::ZRV4l2OutputNode(std::unique_ptr<zrv4l2::IZRV4l2Io> io, std::string kind)
    : ZRGraphNode(std::move(kind)), m_io(std::move(io)) {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
}

ZRV4l2OutputNode::~ZRV4l2OutputNode() = default;

ZRGraphResult ZRV4l2OutputNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_failed = false;
    m_written.store(0);
    if (m_io) m_io->setStopped(false);
    return m_io ? kZRGraphOk : kZRGraphFail;
}

void ZRV4l2OutputNode::beginStop() {
    // A write waiting for room in the device gives up.
    if (m_io) m_io->setStopped(true);
}

void ZRV4l2OutputNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    int error = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_failed || !m_io) return;
        const uint8_t* p = sample.data->data();
        size_t left = sample.data->size();
        while (left > 0) {
            const ssize_t n = m_io->write(p, left);
            if (n <= 0) {
                error = n < 0 ? int(n) : -EIO;
                m_failed = error != -EINTR;
                break;
            }
            p += n;
            left -= size_t(n);
            m_written.fetch_add(n);
        }
    }
    if (error == 0 || error == -EINTR) return;
    qWarning("%s: writing to the device failed: %s", kind().c_str(), std::strerror(-error));
    notify(error == -ENODEV ? kZREventDeviceLost : kZREventErrorAbort, error);
}
