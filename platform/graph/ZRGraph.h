#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

class QEvent;
class QObject;
class IZRReferenceClock;

/// A capture graph: it owns its nodes, connects their pins, changes the state of all of them
/// at once and carries their events to its owner.
///
/// Nodes are known by handles (never 0); a handle whose node was removed resolves to null.
/// Connections and nodes change only while stopped. State changes are synchronous: Pause and
/// Run go from the sinks up to the sources, Stop from the sources down, so that it returns
/// once every sink has written what reached it. Events are queued by any thread and announced
/// by a posted event to the notify target; `getEvent` takes them on the GUI thread.
///
/// Thread-safety: everything but `postEvent`, `streamTime` and `sinkEnded` belongs to the GUI
/// thread; the event queue has a mutex of its own.
class ZRGraph {
public:
    using NodeId = uint32_t;

    ZRGraph();
    /// Stops and removes every node.
    ~ZRGraph();
    ZRGraph(const ZRGraph&) = delete;
    ZRGraph& operator=(const ZRGraph&) = delete;

    /// Adds `node` under `name` (a taken name gets " 0001", " 0002", ...). Fails without a node
    /// or while not stopped.
    ZRGraphResult addNode(std::unique_ptr<ZRGraphNode> node, std::string_view name,
                          NodeId* id = nullptr);
    /// Disconnects and destroys the node; fails for an unknown handle or while not stopped.
    ZRGraphResult removeNode(NodeId id);
    ZRGraphNode* node(NodeId id) const;
    /// The handle of a node of this graph, 0 for others.
    NodeId idOf(const ZRGraphNode* node) const;
    NodeId findNode(std::string_view name) const;
    /// Handles in the order of adding.
    std::vector<NodeId> nodeIds() const;

    /// Connects an output pin to an input pin of nodes of this graph; `type` (may be null)
    /// narrows what they agree on.
    ZRGraphResult connect(ZRGraphPin* output, ZRGraphPin* input, const ZRMediaType* type = nullptr);
    /// Breaks the pin's connection (both ends); `kZRGraphFalse` when it had none.
    ZRGraphResult disconnect(ZRGraphPin* pin);

    /// Changes every node's state; on a refusal the nodes already changed go back and the
    /// graph keeps its state.
    ZRGraphResult setState(ZRGraphState state);
    ZRGraphState state() const { return m_state; }
    /// The state, waiting up to `timeoutMs` for a change under way or a node not yet ready:
    /// `kZRGraphStateIntermediate` or `kZRGraphCantCue` then (with the state aimed at).
    ZRGraphResult getState(int timeoutMs, ZRGraphState* state) const;

    /// The node whose clock the graph runs by (it must offer `IZRReferenceClock`); null: the
    /// system's monotonic clock.
    ZRGraphResult setSyncSource(ZRGraphNode* node);
    ZRGraphNode* syncSource() const { return m_syncNode; }
    /// The time since the graph started running, held while paused; 0 when stopped.
    ZRMediaTime streamTime() const;

    /// Where events are announced: a posted QEvent of type `type` (null: not announced). The
    /// target clears itself here before it is destroyed.
    void setNotifyTarget(QObject* target, int type);
    /// Queues an event (any thread).
    void postEvent(int code, intptr_t param1, intptr_t param2);
    /// Takes the oldest event, waiting up to `timeoutMs` for one; false when none came.
    bool getEvent(int* code, intptr_t* param1, intptr_t* param2, int timeoutMs);
    /// A running sink saw the end of all its inputs (any thread); once all have, the graph
    /// queues completion.
    void sinkEnded(ZRGraphNode* sink);

private:
    struct Entry {
        NodeId id;
        std::unique_ptr<ZRGraphNode> node;
    };
    struct Event {
        int code;
        intptr_t param1, param2;
    };

    /// Nodes ordered sources first.
    std::vector<ZRGraphNode*> upstreamOrder() const;
    void announceLocked();
    ZRMediaTime clockNow() const;

    std::vector<Entry> m_nodes;
    NodeId m_nextId = 1;
    ZRGraphState m_state = ZRGraphState::Stopped;
    ZRGraphState m_target = ZRGraphState::Stopped;
    ZRGraphNode* m_syncNode = nullptr;
    const IZRReferenceClock* m_clock = nullptr;

    // Stream time: while running, offset + (clock - run start).
    std::atomic<bool> m_running{false};
    std::atomic<ZRMediaTime> m_runStart{0};
    std::atomic<ZRMediaTime> m_streamOffset{0};

    mutable std::mutex m_eventMutex;
    std::condition_variable m_eventAdded;
    std::deque<Event> m_events;
    int m_sinksRunning = 0;
    int m_sinksEnded = 0;
    QObject* m_notifyTarget = nullptr;
    int m_notifyType = 0;
    // The announcement is made on the GUI thread and only handed over by streaming threads.
    std::unique_ptr<QEvent> m_notifyEvent;
};
