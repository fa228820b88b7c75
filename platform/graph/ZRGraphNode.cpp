#include "platform/graph/ZRGraphNode.h"

#include "platform/graph/ZRGraph.h"

#include <algorithm>

ZRGraphNode::~ZRGraphNode() = default;

int ZRGraphNode::inputCount() const {
    return int(std::count_if(m_pins.begin(), m_pins.end(), [](auto& p) { return p->isInput(); }));
}

int ZRGraphNode::outputCount() const {
    return int(m_pins.size()) - inputCount();
}

static ZRGraphPin* nthPin(const std::vector<std::unique_ptr<ZRGraphPin>>& pins, bool input,
                          int index) {
    if (index < 0) return nullptr;
    for (const auto& pin : pins) {
        if (pin->isInput() != input) continue;
        if (index-- == 0) return pin.get();
    }
    return nullptr;
}

ZRGraphPin* ZRGraphNode::inputPin(int index) const {
    return nthPin(m_pins, true, index);
}

ZRGraphPin* ZRGraphNode::outputPin(int index) const {
    return nthPin(m_pins, false, index);
}

ZRGraphPin* ZRGraphNode::findPin(std::string_view name) const {
    for (const auto& pin : m_pins)
        if (pin->name() == name) return pin.get();
    return nullptr;
}

ZRGraphResult ZRGraphNode::changeState(ZRGraphState to) {
    const ZRGraphState from = m_state.load();
    if (from == to) return kZRGraphOk;
    ZRGraphResult r = kZRGraphOk;
    switch (to) {
    case ZRGraphState::Stopped:
        r = onStop();
        break;
    case ZRGraphState::Paused:
        r = onPause(from);
        break;
    case ZRGraphState::Running:
        // Running is reached through paused, as every node expects to be cued first.
        if (from == ZRGraphState::Stopped) r = onPause(from);
        if (zrGraphSucceeded(r)) r = onRun();
        break;
    }
    if (!zrGraphSucceeded(r)) return r;
    if (from == ZRGraphState::Stopped) m_endedInputs.store(0);
    m_state.store(to);
    return r;
}

void ZRGraphNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    (void)input;
    (void)sample;
}

void ZRGraphNode::endOfStream(ZRGraphPin* input) {
    (void)input;
    if (isSink()) {
        int connectedInputs = 0;
        for (const auto& pin : m_pins)
            if (pin->isInput() && pin->isConnected()) ++connectedInputs;
        if (m_endedInputs.fetch_add(1) + 1 == connectedInputs && m_graph) m_graph->sinkEnded(this);
        return;
    }
    for (const auto& pin : m_pins)
        if (!pin->isInput()) deliverEndOfStream(pin.get());
}

ZRGraphResult ZRGraphNode::checkConnect(ZRGraphPin* own, const ZRMediaType& type) {
    return own->mediaType().accepts(type) ? kZRGraphOk : kZRGraphTypeNotAccepted;
}

ZRGraphPin* ZRGraphNode::addPin(ZRGraphPin::Direction direction, std::string name,
                                ZRMediaType type) {
    m_pins.push_back(
        std::make_unique<ZRGraphPin>(this, direction, std::move(name), std::move(type)));
    return m_pins.back().get();
}

bool ZRGraphNode::removePin(ZRGraphPin* pin) {
    auto it = std::find_if(m_pins.begin(), m_pins.end(), [&](auto& p) { return p.get() == pin; });
    if (it == m_pins.end() || pin->isConnected()) return false;
    m_pins.erase(it);
    return true;
}

bool ZRGraphNode::deliver(ZRGraphPin* output, const ZRMediaSample& sample) {
    ZRGraphPin* peer = output->m_peer;
    // The stream control is read once per sample, so a switch never splits one.
    if (!peer || !output->m_streaming.load()) {
        output->m_discarded.fetch_add(1);
        return false;
    }
    output->m_delivered.fetch_add(1);
    peer->m_node->receive(peer, sample);
    return true;
}

void ZRGraphNode::deliverEndOfStream(ZRGraphPin* output) {
    if (ZRGraphPin* peer = output->m_peer) peer->m_node->endOfStream(peer);
}

void ZRGraphNode::notify(int code, intptr_t param2) {
    if (m_graph) m_graph->postEvent(code, intptr_t(m_graph->idOf(this)), param2);
}

ZRMediaTime ZRGraphNode::streamTime() const {
    return m_graph ? m_graph->streamTime() : 0;
}
