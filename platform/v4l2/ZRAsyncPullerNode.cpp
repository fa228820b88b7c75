#include "platform/v4l2/ZRAsyncPullerNode.h"

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/segments/ZRSegmentedInput.h"

extern "C" {
#include <libavutil/error.h>
}

#include <QDebug>

#include <chrono>
#include <fstream>
#include <vector>

bool zrPullFileBytes(const std::string& path,
                     const std::function<bool(const uint8_t*, size_t)>& take,
                     const std::atomic<bool>& quit) {
    std::vector<uint8_t> buffer(65536);
    if (segments::ZRSegmentedInput::isList(path)) {
        std::string error;
        auto input = segments::ZRSegmentedInput::open(path, &error);
        if (!input) return false;
        while (!quit.load()) {
            const int n = input->read(buffer.data(), int(buffer.size()));
            if (n == AVERROR_EOF || n == 0) return true;
            if (n < 0) return false;
            if (!take(buffer.data(), size_t(n))) return true;
        }
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    while (!quit.load()) {
        in.read(reinterpret_cast<char*>(buffer.data()), std::streamsize(buffer.size()));
        const auto n = in.gcount();
        if (n <= 0) return !in.bad();
        if (!take(buffer.data(), size_t(n))) return true;
    }
    return true;
}

ZRAsyncPullerNode::ZRAsyncPullerNode() : ZRGraphNode("Async Puller") {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
    addPin(ZRGraphPin::Direction::Output, "Output", {kZRStreamProgram, "mpeg2ps"});
}

ZRAsyncPullerNode::~ZRAsyncPullerNode() {
    ZRAsyncPullerNode::onStop();
}

ZRGraphResult ZRAsyncPullerNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    ZRGraphPin* in = inputPin(0);
    auto* source = in->isConnected() ? in->peer()->node()->as<IZRFileSource>() : nullptr;
    m_path = source ? source->fileName() : std::string();
    if (m_path.empty()) return kZRGraphFail;
    m_quit.store(false);
    m_bytes.store(0);
    m_thread = std::thread([this] {
        while (!m_quit.load() && state() != ZRGraphState::Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        int64_t sequence = 0;
        const bool ok = zrPullFileBytes(
            m_path,
            [&](const uint8_t* data, size_t size) {
                ZRMediaSample sample =
                    ZRMediaSample::fromBytes(std::vector<uint8_t>(data, data + size));
                sample.sequence = sequence++;
                deliver(outputPin(0), sample);
                m_bytes.fetch_add(int64_t(size));
                return !m_quit.load();
            },
            m_quit);
        if (m_quit.load()) return;
        if (!ok) {
            qWarning("Async Puller: %s cannot be read", m_path.c_str());
            notify(kZREventErrorAbort, kZRGraphFail);
        }
        deliverEndOfStream(outputPin(0));
    });
    return kZRGraphOk;
}

ZRGraphResult ZRAsyncPullerNode::onStop() {
    m_quit.store(true);
    if (m_thread.joinable()) m_thread.join();
    return kZRGraphOk;
}
