#include "platform/v4l2/ZRV4l2OutputNode.h"

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/v4l2/ZRAsyncPullerNode.h"

#include <QDebug>

#include <cerrno>
#include <chrono>
#include <cstring>

ZRV4l2OutputNode::ZRV4l2OutputNode(std::unique_ptr<zrv4l2::IZRV4l2Io> io, std::string kind)
    : ZRGraphNode(std::move(kind)), m_io(std::move(io)) {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
}

ZRV4l2OutputNode::~ZRV4l2OutputNode() {
    ZRV4l2OutputNode::onStop();
}

void ZRV4l2OutputNode::sinkMethod(int method, int32_t argument) {
    std::lock_guard lock(m_mutex);
    m_methods.emplace_back(method, argument);
}

std::vector<std::pair<int, int32_t>> ZRV4l2OutputNode::sinkMethods() const {
    std::lock_guard lock(m_mutex);
    return m_methods;
}

ZRGraphResult ZRV4l2OutputNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    {
        std::lock_guard lock(m_mutex);
        m_failed = false;
        m_written.store(0);
        if (!m_io) return kZRGraphFail;
        m_io->setStopped(false);
    }
    m_quit.store(false);
    ZRGraphPin* in = inputPin(0);
    auto* source = in->isConnected() ? in->peer()->node()->as<IZRFileSource>() : nullptr;
    if (!source) return kZRGraphOk;
    const std::string path = source->fileName();
    m_thread = std::thread([this, path] {
        while (!m_quit.load() && state() != ZRGraphState::Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        int error = 0;
        const bool read = zrPullFileBytes(
            path,
            [&](const uint8_t* data, size_t size) {
                std::lock_guard lock(m_mutex);
                return writeLocked(data, size, &error);
            },
            m_quit);
        if (m_quit.load()) return;
        if (error != 0 && error != -EINTR) {
            qWarning("%s: writing to the device failed: %s", kind().c_str(), std::strerror(-error));
            notify(error == -ENODEV ? kZREventDeviceLost : kZREventErrorAbort, error);
        } else if (!read) {
            qWarning("%s: %s cannot be read", kind().c_str(), path.c_str());
            notify(kZREventErrorAbort, kZRGraphFail);
        }
        endOfStream(inputPin(0));
    });
    return kZRGraphOk;
}

ZRGraphResult ZRV4l2OutputNode::onStop() {
    m_quit.store(true);
    if (m_io) m_io->setStopped(true);
    if (m_thread.joinable()) m_thread.join();
    return kZRGraphOk;
}

void ZRV4l2OutputNode::beginStop() {
    // A write waiting for room in the device gives up.
    m_quit.store(true);
    if (m_io) m_io->setStopped(true);
}

bool ZRV4l2OutputNode::writeLocked(const uint8_t* data, size_t size, int* error) {
    if (m_failed || !m_io) return false;
    while (size > 0) {
        const ssize_t n = m_io->write(data, size);
        if (n <= 0) {
            *error = n < 0 ? int(n) : -EIO;
            m_failed = *error != -EINTR;
            return false;
        }
        data += n;
        size -= size_t(n);
        m_written.fetch_add(n);
    }
    return true;
}

void ZRV4l2OutputNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    int error = 0;
    {
        std::lock_guard lock(m_mutex);
        if (writeLocked(sample.data->data(), sample.data->size(), &error) || error == 0 ||
            error == -EINTR)
            return;
    }
    qWarning("%s: writing to the device failed: %s", kind().c_str(), std::strerror(-error));
    notify(error == -ENODEV ? kZREventDeviceLost : kZREventErrorAbort, error);
}
