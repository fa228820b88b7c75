#pragma once

#include "platform/graph/ZRGraphTypes.h"

#include <atomic>
#include <string>

class ZRGraphNode;
class IZRStreamConfig;

/// A named, typed connection point of a node. Input pins take samples, output pins deliver them
/// to the one input they are connected to. An output pin is also its stream control: stopped,
/// it drops what its node delivers, and a start or stop takes effect at the next whole sample.
/// Thread-safety: connections change only while the graph is stopped (GUI thread); the stream
/// control and the counters are atomics any thread may use.
class ZRGraphPin {
public:
    enum class Direction { Input, Output };

    ZRGraphPin(ZRGraphNode* node, Direction direction, std::string name, ZRMediaType type)
        : m_node(node), m_direction(direction), m_name(std::move(name)), m_type(std::move(type)) {}
    ZRGraphPin(const ZRGraphPin&) = delete;
    ZRGraphPin& operator=(const ZRGraphPin&) = delete;

    ZRGraphNode* node() const { return m_node; }
    Direction direction() const { return m_direction; }
    bool isInput() const { return m_direction == Direction::Input; }
    const std::string& name() const { return m_name; }
    /// What the pin offers (output) or wants (input).
    const ZRMediaType& mediaType() const { return m_type; }
    void setMediaType(ZRMediaType type) { m_type = std::move(type); }
    /// The type agreed on while connected.
    const ZRMediaType& connectionType() const { return m_connectionType; }
    ZRGraphPin* peer() const { return m_peer; }
    bool isConnected() const { return m_peer != nullptr; }

    /// Stream control: lets samples through from the next one on (the default).
    void startStream() { m_streaming.store(true); }
    /// Stream control: drops samples from the next one on.
    void stopStream() { m_streaming.store(false); }
    bool isStreaming() const { return m_streaming.load(); }

    /// The pin's format capabilities (a device's output), or null; owned by the node.
    IZRStreamConfig* streamConfig() const { return m_streamConfig; }
    void setStreamConfig(IZRStreamConfig* config) { m_streamConfig = config; }

    /// Samples the pin passed on, and those its stream control dropped.
    int64_t delivered() const { return m_delivered.load(); }
    int64_t discarded() const { return m_discarded.load(); }

private:
    friend class ZRGraph;
    friend class ZRGraphNode;

    ZRGraphNode* m_node;
    Direction m_direction;
    std::string m_name;
    ZRMediaType m_type;
    ZRMediaType m_connectionType;
    ZRGraphPin* m_peer = nullptr;
    IZRStreamConfig* m_streamConfig = nullptr;
    std::atomic<bool> m_streaming{true};
    std::atomic<int64_t> m_delivered{0};
    std::atomic<int64_t> m_discarded{0};
};
