#pragma once

#include "platform/graph/ZRGraphPin.h"
#include "platform/graph/ZRMediaSample.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ZRGraph;

/// A processing step of a capture graph: sources, tees, splitters, decoders, renderers and
/// sinks. Nodes belong to the graph they are added to; their interfaces are abstract classes
/// they derive from, found with `as<T>()`.
///
/// State changes come from the graph, on the GUI thread, one node at a time: sources are started
/// last and stopped first, and a node's `onStop` returns only when its own threads have ended and
/// what it received is written. Streaming calls (`receive`, `endOfStream`) come on the
/// upstream node's thread; a node that gets samples from more than one thread guards itself.
class ZRGraphNode {
public:
    /// `kind` is the node's class name (what a class identifier makes), for traces.
    explicit ZRGraphNode(std::string kind) : m_kind(std::move(kind)) {}
    virtual ~ZRGraphNode();
    ZRGraphNode(const ZRGraphNode&) = delete;
    ZRGraphNode& operator=(const ZRGraphNode&) = delete;

    const std::string& kind() const { return m_kind; }
    /// The name it was added under (empty before).
    const std::string& name() const { return m_name; }
    ZRGraph* graph() const { return m_graph; }

    int inputCount() const;
    int outputCount() const;
    /// The index-th input or output pin, null out of range.
    ZRGraphPin* inputPin(int index) const;
    ZRGraphPin* outputPin(int index) const;
    ZRGraphPin* findPin(std::string_view name) const;
    const std::vector<std::unique_ptr<ZRGraphPin>>& pins() const { return m_pins; }

    template <class T> T* as() { return dynamic_cast<T*>(this); }

    ZRGraphState state() const { return m_state.load(); }
    /// Called by the graph to move from the current state to `to`; on failure the node keeps
    /// its state.
    ZRGraphResult changeState(ZRGraphState to);
    /// `kZRGraphStateIntermediate` while the node has not finished its last change (a renderer
    /// paused before its first picture), `kZRGraphCantCue` for a live source while paused.
    virtual ZRGraphResult queryState() const { return kZRGraphOk; }
    /// A node that ends streams (renderer, file writer): the graph reports completion once each
    /// one running has seen the end of all its connected inputs.
    virtual bool isSink() const { return false; }

    /// A sample arrives at `input`.
    virtual void receive(ZRGraphPin* input, const ZRMediaSample& sample);
    /// No more samples will arrive at `input` until the next run. By default passed on to every
    /// output; a sink tells the graph once all its connected inputs have ended.
    virtual void endOfStream(ZRGraphPin* input);

    /// Called on every node, sources first, when a running graph is asked to stop and before
    /// anything stops: a live source hands downstream what it still holds (an encoder's last
    /// pictures), the graph still running. Returns once that is done or given up.
    virtual void finishStream() {}

    /// Called on every node before a stop reaches any of them: a node waiting on the upstream
    /// thread (a renderer holding a sample for its time) stops waiting.
    virtual void beginStop() {}

    /// Whether `own` can connect with `type`; the default compares with the pin's own type.
    virtual ZRGraphResult checkConnect(ZRGraphPin* own, const ZRMediaType& type);
    /// After a connection of `own` is made or broken (the graph is stopped).
    virtual void connected(ZRGraphPin* own) { (void)own; }
    virtual void disconnected(ZRGraphPin* own) { (void)own; }

protected:
    virtual ZRGraphResult onPause(ZRGraphState from) {
        (void)from;
        return kZRGraphOk;
    }
    virtual ZRGraphResult onRun() { return kZRGraphOk; }
    virtual ZRGraphResult onStop() { return kZRGraphOk; }

    ZRGraphPin* addPin(ZRGraphPin::Direction direction, std::string name, ZRMediaType type);
    /// Removes an unconnected pin; false when connected or not this node's.
    bool removePin(ZRGraphPin* pin);
    /// Passes `sample` to what `output` is connected to, unless its stream control holds it.
    /// False when dropped (not connected or stopped stream).
    bool deliver(ZRGraphPin* output, const ZRMediaSample& sample);
    void deliverEndOfStream(ZRGraphPin* output);
    /// Queues an event for the graph's owner with this node as its first parameter.
    void notify(int code, intptr_t param2 = 0);
    /// The graph's stream time (0 outside a graph).
    ZRMediaTime streamTime() const;

private:
    friend class ZRGraph;

    std::string m_kind;
    std::string m_name;
    ZRGraph* m_graph = nullptr;
    std::vector<std::unique_ptr<ZRGraphPin>> m_pins;
    std::atomic<ZRGraphState> m_state{ZRGraphState::Stopped};
    std::atomic<int> m_endedInputs{0};
};
