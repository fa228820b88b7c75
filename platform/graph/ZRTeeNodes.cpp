#include "platform/graph/ZRTeeNodes.h"

ZRSmartTeeNode::ZRSmartTeeNode() : ZRGraphNode("Smart Tee") {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
    addPin(ZRGraphPin::Direction::Output, "Capture", {});
    addPin(ZRGraphPin::Direction::Output, "Preview", {});
}

ZRSmartTeeNode::~ZRSmartTeeNode() {
    (void)onStop();
}

void ZRSmartTeeNode::connected(ZRGraphPin* own) {
    // The outputs offer what the input takes.
    if (own->isInput())
        for (int i = 0; i < 2; ++i)
            outputPin(i)->setMediaType(own->connectionType());
}

ZRGraphResult ZRSmartTeeNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    {
        std::lock_guard lock(m_mutex);
        m_quit = false;
        m_ended = false;
        m_latest.reset();
    }
    m_previewDropped.store(0);
    if (previewPin()->isConnected()) m_previewThread = std::thread([this] { previewLoop(); });
    return kZRGraphOk;
}

ZRGraphResult ZRSmartTeeNode::onStop() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_previewThread.joinable()) m_previewThread.join();
    return kZRGraphOk;
}

void ZRSmartTeeNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (state() == ZRGraphState::Stopped) return;
    deliver(capturePin(), sample);
    if (!previewPin()->isConnected()) return;
    {
        std::lock_guard lock(m_mutex);
        if (m_latest) m_previewDropped.fetch_add(1);
        m_latest = sample;
    }
    m_wake.notify_one();
}

void ZRSmartTeeNode::endOfStream(ZRGraphPin*) {
    deliverEndOfStream(capturePin());
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_wake.notify_one();
    if (!m_previewThread.joinable()) deliverEndOfStream(previewPin());
}

void ZRSmartTeeNode::previewLoop() {
    for (;;) {
        std::optional<ZRMediaSample> next;
        bool ended = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit || m_latest || m_ended; });
            if (m_quit) return;
            next.swap(m_latest);
            ended = m_ended && !next;
        }
        if (ended) {
            deliverEndOfStream(previewPin());
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit; });
            return;
        }
        deliver(previewPin(), *next);
    }
}

ZRInfTeeNode::ZRInfTeeNode() : ZRGraphNode("Infinite Pin Tee") {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
    addPin(ZRGraphPin::Direction::Output, "Output1", {});
}

void ZRInfTeeNode::connected(ZRGraphPin* own) {
    if (own->isInput()) {
        for (const auto& pin : pins())
            if (!pin->isInput()) pin->setMediaType(own->connectionType());
        return;
    }
    if (own == outputPin(outputCount() - 1))
        addPin(ZRGraphPin::Direction::Output, "Output" + std::to_string(outputCount() + 1),
               inputPin(0)->connectionType());
}

void ZRInfTeeNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (state() == ZRGraphState::Stopped) return;
    for (const auto& pin : pins())
        if (!pin->isInput()) deliver(pin.get(), sample);
}
