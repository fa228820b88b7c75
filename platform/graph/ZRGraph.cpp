#include "platform/graph/ZRGraph.h"

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/playback/ZRPlaybackClock.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <thread>
#include <unordered_set>

namespace {

const ZRMonotonicClock& systemClock() {
    static const ZRMonotonicClock clock;
    return clock;
}

} // namespace

ZRGraph::ZRGraph() = default;

ZRGraph::~ZRGraph() {
    (void)setState(ZRGraphState::Stopped);
    setNotifyTarget(nullptr, 0);
    // Connections first, so that no node's destructor sees a peer that is already gone.
    for (auto& entry : m_nodes)
        for (const auto& pin : entry.node->pins())
            (void)disconnect(pin.get());
    m_nodes.clear();
}

ZRGraphResult ZRGraph::addNode(std::unique_ptr<ZRGraphNode> node, std::string_view name,
                               NodeId* id) {
    if (id) *id = 0;
    if (!node || node->m_graph) return kZRGraphInvalidArg;
    if (m_state != ZRGraphState::Stopped) return kZRGraphNotStopped;
    std::string unique(name);
    for (int n = 1; findNode(unique) != 0; ++n) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, " %04d", n % 10000);
        unique = std::string(name) + suffix;
    }
    node->m_name = unique;
    node->m_graph = this;
    const NodeId made = m_nextId++;
    m_nodes.push_back({made, std::move(node)});
    if (id) *id = made;
    return kZRGraphOk;
}

ZRGraphResult ZRGraph::removeNode(NodeId id) {
    auto it = std::find_if(m_nodes.begin(), m_nodes.end(), [&](auto& e) { return e.id == id; });
    if (id == 0 || it == m_nodes.end()) return kZRGraphInvalidArg;
    if (m_state != ZRGraphState::Stopped) return kZRGraphNotStopped;
    // A node may drop pins of its own when one is disconnected (a splitter's outputs go with
    // its input): the list is looked at afresh after each disconnection.
    for (bool again = true; again;) {
        again = false;
        for (const auto& pin : it->node->pins())
            if (pin->isConnected()) {
                (void)disconnect(pin.get());
                again = true;
                break;
            }
    }
    if (m_syncNode == it->node.get()) (void)setSyncSource(nullptr);
    // Out of the list before it is destroyed: its destructor may look the graph up.
    std::unique_ptr<ZRGraphNode> gone = std::move(it->node);
    m_nodes.erase(it);
    return kZRGraphOk;
}

ZRGraphNode* ZRGraph::node(NodeId id) const {
    if (id == 0) return nullptr;
    for (const auto& entry : m_nodes)
        if (entry.id == id) return entry.node.get();
    return nullptr;
}

ZRGraph::NodeId ZRGraph::idOf(const ZRGraphNode* node) const {
    for (const auto& entry : m_nodes)
        if (entry.node.get() == node) return entry.id;
    return 0;
}

ZRGraph::NodeId ZRGraph::findNode(std::string_view name) const {
    for (const auto& entry : m_nodes)
        if (entry.node->name() == name) return entry.id;
    return 0;
}

std::vector<ZRGraph::NodeId> ZRGraph::nodeIds() const {
    std::vector<NodeId> ids;
    for (const auto& entry : m_nodes)
        ids.push_back(entry.id);
    return ids;
}

ZRGraphResult ZRGraph::connect(ZRGraphPin* output, ZRGraphPin* input, const ZRMediaType* type) {
    if (!output || !input || output->isInput() || !input->isInput()) return kZRGraphInvalidArg;
    if (idOf(output->node()) == 0 || idOf(input->node()) == 0) return kZRGraphInvalidArg;
    if (output->node() == input->node()) return kZRGraphInvalidArg;
    if (m_state != ZRGraphState::Stopped) return kZRGraphNotStopped;
    if (output->isConnected() || input->isConnected()) return kZRGraphAlreadyConnected;
    ZRMediaType agreed = output->mediaType();
    if (type) {
        if (!type->accepts(agreed) && !agreed.accepts(*type)) return kZRGraphTypeNotAccepted;
        if (agreed.major.empty()) agreed.major = type->major;
        if (agreed.subtype.empty()) agreed.subtype = type->subtype;
    }
    ZRGraphResult r = input->node()->checkConnect(input, agreed);
    if (!zrGraphSucceeded(r)) return r;
    r = output->node()->checkConnect(output, agreed);
    if (!zrGraphSucceeded(r)) return r;
    output->m_peer = input;
    input->m_peer = output;
    output->m_connectionType = agreed;
    input->m_connectionType = agreed;
    output->node()->connected(output);
    input->node()->connected(input);
    return kZRGraphOk;
}

ZRGraphResult ZRGraph::disconnect(ZRGraphPin* pin) {
    if (!pin || idOf(pin->node()) == 0) return kZRGraphInvalidArg;
    if (m_state != ZRGraphState::Stopped) return kZRGraphNotStopped;
    ZRGraphPin* peer = pin->m_peer;
    if (!peer) return kZRGraphFalse;
    pin->m_peer = nullptr;
    peer->m_peer = nullptr;
    pin->m_connectionType = {};
    peer->m_connectionType = {};
    pin->node()->disconnected(pin);
    peer->node()->disconnected(peer);
    return kZRGraphOk;
}

std::vector<ZRGraphNode*> ZRGraph::upstreamOrder() const {
    // Depth first from each node through its inputs: a node comes after everything upstream.
    std::vector<ZRGraphNode*> order;
    std::unordered_set<const ZRGraphNode*> seen;
    std::vector<std::pair<ZRGraphNode*, bool>> stack;
    for (const auto& entry : m_nodes) {
        stack.push_back({entry.node.get(), false});
        while (!stack.empty()) {
            auto [node, expanded] = stack.back();
            stack.pop_back();
            if (expanded) {
                order.push_back(node);
                continue;
            }
            if (!seen.insert(node).second) continue;
            stack.push_back({node, true});
            for (const auto& pin : node->pins())
                if (pin->isInput() && pin->peer() && !seen.count(pin->peer()->node()))
                    stack.push_back({pin->peer()->node(), false});
        }
    }
    return order;
}

ZRGraphResult ZRGraph::setState(ZRGraphState state) {
    if (state == m_state) return kZRGraphOk;
    std::vector<ZRGraphNode*> order = upstreamOrder();
    if (state != ZRGraphState::Stopped) std::reverse(order.begin(), order.end());

    const ZRGraphState old = m_state;
    if (old == ZRGraphState::Running && state == ZRGraphState::Stopped)
        for (ZRGraphNode* node : order)
            node->finishStream();
    const ZRMediaTime now = clockNow();
    if (old == ZRGraphState::Running) {
        m_streamOffset.store(m_streamOffset.load() + (now - m_runStart.load()));
        m_running.store(false);
    }
    if (old == ZRGraphState::Stopped) {
        std::lock_guard lock(m_eventMutex);
        m_sinksEnded = 0;
        m_sinksRunning = 0;
        for (ZRGraphNode* node : order) {
            if (!node->isSink()) continue;
            for (const auto& pin : node->pins())
                if (pin->isInput() && pin->isConnected()) {
                    ++m_sinksRunning;
                    break;
                }
        }
    }
    if (state == ZRGraphState::Running) {
        m_runStart.store(now);
        m_running.store(true);
    }
    if (state == ZRGraphState::Stopped)
        for (ZRGraphNode* node : order)
            node->beginStop();
    std::vector<ZRGraphNode*> changed;
    for (ZRGraphNode* node : order) {
        const ZRGraphResult r = node->changeState(state);
        if (zrGraphSucceeded(r)) {
            changed.push_back(node);
            continue;
        }
        m_running.store(old == ZRGraphState::Running);
        for (auto it = changed.rbegin(); it != changed.rend(); ++it)
            (void)(*it)->changeState(old);
        return r;
    }
    m_state = state;
    if (state == ZRGraphState::Stopped) m_streamOffset.store(0);
    return kZRGraphOk;
}

ZRGraphResult ZRGraph::getState(int timeoutMs, ZRGraphState* state) const {
    if (!state) return kZRGraphInvalidArg;
    *state = m_state;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ZRGraphResult worst = kZRGraphOk;
        for (const auto& entry : m_nodes) {
            const ZRGraphResult r = entry.node->queryState();
            if (!zrGraphSucceeded(r)) return r;
            if (r == kZRGraphStateIntermediate)
                worst = r;
            else if (r == kZRGraphCantCue && worst == kZRGraphOk)
                worst = r;
        }
        if (worst != kZRGraphStateIntermediate || std::chrono::steady_clock::now() >= deadline)
            return worst;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ZRGraphResult ZRGraph::setSyncSource(ZRGraphNode* node) {
    if (!node) {
        m_syncNode = nullptr;
        m_clock = nullptr;
        return kZRGraphOk;
    }
    if (idOf(node) == 0) return kZRGraphInvalidArg;
    auto* clock = node->as<IZRReferenceClock>();
    if (!clock) return kZRGraphNoInterface;
    if (m_state != ZRGraphState::Stopped) return kZRGraphNotStopped;
    m_syncNode = node;
    m_clock = clock;
    return kZRGraphOk;
}

ZRMediaTime ZRGraph::clockNow() const {
    return m_clock ? m_clock->clockTime() : systemClock().now();
}

ZRMediaTime ZRGraph::streamTime() const {
    if (!m_running.load()) return m_streamOffset.load();
    return m_streamOffset.load() + (clockNow() - m_runStart.load());
}

void ZRGraph::setNotifyTarget(QObject* target, int type) {
    std::lock_guard lock(m_eventMutex);
    m_notifyTarget = target;
    m_notifyType = type;
    m_notifyEvent.reset(target ? new QEvent(QEvent::Type(type)) : nullptr);
    if (!m_events.empty()) announceLocked();
}

void ZRGraph::postEvent(int code, intptr_t param1, intptr_t param2) {
    std::lock_guard lock(m_eventMutex);
    m_events.push_back({code, param1, param2});
    m_eventAdded.notify_all();
    announceLocked();
}

void ZRGraph::announceLocked() {
    // One announcement stands for every event queued until the owner takes one.
    if (m_notifyTarget && m_notifyEvent)
        QCoreApplication::postEvent(m_notifyTarget, m_notifyEvent.release());
}

bool ZRGraph::getEvent(int* code, intptr_t* param1, intptr_t* param2, int timeoutMs) {
    std::unique_lock lock(m_eventMutex);
    if (m_notifyTarget && !m_notifyEvent)
        m_notifyEvent.reset(new QEvent(QEvent::Type(m_notifyType)));
    if (m_events.empty() && timeoutMs > 0)
        m_eventAdded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return !m_events.empty(); });
    if (m_events.empty()) return false;
    const Event e = m_events.front();
    m_events.pop_front();
    if (code) *code = e.code;
    if (param1) *param1 = e.param1;
    if (param2) *param2 = e.param2;
    return true;
}

void ZRGraph::sinkEnded(ZRGraphNode* sink) {
    (void)sink;
    bool complete = false;
    {
        std::lock_guard lock(m_eventMutex);
        complete = ++m_sinksEnded == m_sinksRunning;
    }
    if (complete) postEvent(kZREventComplete, 0, 0);
}
