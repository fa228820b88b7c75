#pragma once

#include "capture/ZRGraphBase.h"
#include "platform/graph/ZRGraphPin.h"
#include "platform/graph/ZRGraphTypes.h"

#include <QObject>
#include <QPointer>

#include <string>

/// The building block of the capture layer: a part of a graph that adds its filters, connects
/// them to the outputs of up to two upstream blocks (output pin `indexA` of block A, `indexB`
/// of block B) and takes them down again, through fourteen operations the graph factory calls
/// in order. Each operation does nothing here. Results go to the graph's last result; without
/// a graph the last result reads as 0x80004005.
/// Thread-safety: GUI thread only.
class ZRFilterBase : public QObject {
    Q_OBJECT
public:
    ZRFilterBase(ZRGraphBase* graph, const char* name, ZRFilterBase* upstreamA = nullptr,
                 int indexA = -1, ZRFilterBase* upstreamB = nullptr, int indexB = -1);
    ~ZRFilterBase() override;

    /// The graph wrapper, null once it is gone.
    ZRGraphBase* graphBase() const { return m_graph.data(); }
    void setLastResult(ZRGraphResult result);
    ZRGraphResult lastResult() const;

    ZRFilterBase* upstreamA() const { return m_upstreamA; }
    ZRFilterBase* upstreamB() const { return m_upstreamB; }
    int indexA() const { return m_indexA; }
    int indexB() const { return m_indexB; }
    /// The stream types of the two streams (empty: none).
    std::string streamTypeA;
    std::string streamTypeB;

    // 1, 2
    virtual ZRGraphPin* inputPin(int index);
    virtual ZRGraphPin* outputPin(int index);
    // 3
    virtual ZRGraphResult addFilters();
    // 4, 5
    virtual ZRGraphResult findPins();
    virtual ZRGraphResult connectUpstream();
    // 6
    virtual ZRGraphResult prepare();
    // 7
    virtual ZRGraphResult connectInternal();
    // 8, 9
    virtual ZRGraphResult lookUpPins();
    virtual ZRGraphResult releasePins();
    // 10
    virtual ZRGraphResult teardown();
    // 11-14
    virtual ZRGraphResult disconnectFilters();
    virtual ZRGraphResult removeFilters();
    virtual ZRGraphResult releaseFilters();
    virtual ZRGraphResult releaseInterfaces();

protected:
    /// Output pin `indexA` of block A, `indexB` of block B (null without them).
    ZRGraphPin* upstreamPinA() const;
    ZRGraphPin* upstreamPinB() const;

private:
    QPointer<ZRGraphBase> m_graph;
    QPointer<ZRFilterBase> m_upstreamA;
    int m_indexA;
    QPointer<ZRFilterBase> m_upstreamB;
    int m_indexB;
};
