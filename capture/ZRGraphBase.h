#pragma once

#include "capture/ZRDeviceInfo.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRGraphInterfaces.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

/// Owns one capture graph and wraps every graph call of the capture layer: each call checks
/// its arguments, does its work and keeps the result as the last result, which callers test.
/// Filters are graph nodes known by handles (`Filter`, 0 for none); a handle whose node left
/// the graph counts as none, and a pin is accepted only while a node of the graph holds it.
/// Refused arguments give 0x80070057 and do nothing. Events of the graph are announced to the
/// owner window as a posted event of type 1025 (0x401).
/// Thread-safety: GUI thread only.
class ZRGraphBase : public QObject {
    Q_OBJECT
public:
    using Filter = ZRGraph::NodeId;
    /// The event type graph notifications reach the owner window with.
    static constexpr int kGraphNotify = 1025;

    explicit ZRGraphBase(QObject* parent = nullptr);
    ~ZRGraphBase() override;

    void setLastResult(ZRGraphResult result) { m_lastResult = result; }
    ZRGraphResult lastResult() const { return m_lastResult; }
    ZRGraph* graph() const { return m_graph.get(); }
    long currentState() const { return m_currentState; }

    /// The node behind a handle, null for 0, a stale handle or no graph.
    ZRGraphNode* node(Filter filter) const;
    /// The interface `T` of a filter; null (last result 0x80004002) when it has none.
    template <class T> T* queryInterface(Filter filter) {
        ZRGraphNode* n = node(filter);
        if (!n) {
            m_lastResult = kZRGraphInvalidArg;
            return nullptr;
        }
        T* found = n->as<T>();
        m_lastResult = found ? kZRGraphOk : kZRGraphNoInterface;
        return found;
    }

    /// Removes the filter from the graph and clears the handle (nothing for 0).
    ZRGraphResult kill(Filter* filter);
    /// A new standard or registry filter of class `clsid` (not yet in the graph).
    ZRGraphResult createInstance(const QString& clsid, std::unique_ptr<ZRGraphNode>* out);
    /// The filter of class `clsid` from the filter file `file`; 0x80040154 and nothing made
    /// when the file or the class is unknown.
    ZRGraphResult loadFilterFromFile(std::unique_ptr<ZRGraphNode>* out, const QString& file,
                                     const QString& clsid);
    /// Takes a filter loaded from a file out of the graph and clears the handle.
    ZRGraphResult unloadFilter(Filter* filter);
    ZRGraphResult addFilterByClsid(Filter* out, const QString& clsid, const QString& name);
    ZRGraphResult addFilterFromFile(Filter* out, const QString& file, const QString& clsid,
                                    const QString& name);
    /// Adds the first device of `category` whose display name contains `part` (with case).
    ZRGraphResult makeFilterEnumByDisplayName(Filter* out, ZRDeviceCategory category,
                                              const QString& part, const QString& name);
    /// Adds the first device of `category` whose friendly name contains `part` (with case).
    ZRGraphResult makeFilterEnumByFriendlyName(Filter* out, ZRDeviceCategory category,
                                               const QString& part, const QString& name);
    /// Adds `node` under `name` (an empty name is traced); `out` (may be null) gets its handle.
    ZRGraphResult addFilter(std::unique_ptr<ZRGraphNode> node, const QString& name,
                            Filter* out = nullptr);
    /// A copy of the first video device record whose display name contains `part`; null when
    /// there is none.
    std::unique_ptr<VidCapDevInfo> copyDeviceRecord(const QString& part);

    static QString connectorTypeName(long type);
    static QString videoStandardName(long standard);
    /// The first crossbar input of `physicalType` (a video type, below 4096) that can be routed
    /// to some output; -1 when none.
    int findCrossbarInput(IZRCrossbar* crossbar, long physicalType);
    /// The sizes the capabilities of `config` offer for `standard` (1 NTSC, 2 PAL/SECAM, any
    /// other: all), into `list`.
    void videoSizesFromStreamConfig(IZRStreamConfig* config, long standard,
                                    ZRVideoResolutions* list);
    void audioFormatsFromPin(ZRGraphPin* pin, ZRAudioResolutions* list);
    void audioFormatsFromStreamConfig(IZRStreamConfig* config, ZRAudioResolutions* list);
    ZRGraphResult connectPins(ZRGraphPin* output, ZRGraphPin* input,
                              const ZRMediaType* type = nullptr);
    ZRGraphResult disconnectPins(ZRGraphPin* a, ZRGraphPin* b);
    /// True when a node of the graph holds `pin`.
    bool holdsPin(const ZRGraphPin* pin) const;

    /// Makes the graph when there is none; with an owner window, events are announced to it.
    virtual void buildGraph();
    /// Stops the graph and destroys it with every node.
    virtual void destroyGraph();
    /// The capture device's filter of the path built on this graph (it registers itself and
    /// clears this when destroyed); null when none.
    void setCaptureFilter(QObject* filter) { m_captureFilter = filter; }
    QObject* captureFilter() const { return m_captureFilter.data(); }
    void setOwnerWindow(QObject* owner) { m_owner = owner; }
    QObject* ownerWindow() const { return m_owner; }
    ZRGraphResult setNotifyWindow(QObject* window, int type);
    /// Runs the graph by the clock of `filter` (it must be one); 0: the system clock.
    ZRGraphResult setReferenceClock(Filter filter);
    /// The oldest event, waiting up to `timeoutMs`; false when none.
    bool getEvent(long* code, intptr_t* param1, intptr_t* param2, int timeoutMs);
    void freeEventParams(long code, intptr_t param1, intptr_t param2);
    /// The state after up to 500 ms: 0-2, 3 while a change is under way, 4 when paused but
    /// unable to cue, -1 on failure; also kept as the current state.
    ZRGraphResult graphState(long* state);
    /// 0 stop, 1 pause, 2 run, tried up to four times; other values only report the last
    /// result. On success the state is kept and `graphStateChanged` emitted.
    ZRGraphResult setGraphState(long state);

Q_SIGNALS:
    void graphStateChanged(long state);

private:
    ZRGraphResult makeFilterEnum(Filter* out, ZRDeviceCategory category, const QString& part,
                                 const QString& name, bool friendly);

    std::unique_ptr<ZRGraph> m_graph;
    ZRGraphResult m_lastResult = kZRGraphOk;
    long m_currentState = 0;
    QObject* m_owner = nullptr;
    QPointer<QObject> m_captureFilter;
};
