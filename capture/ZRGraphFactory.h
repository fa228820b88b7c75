#pragma once

#include "capture/ZRDeviceInfo.h"
#include "capture/ZRGraphFactoryPath.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class QEvent;
class QWidget;
class ZRGraphBase;
class ZRVideoWidget;

/// The one object through which the capture pages use the capture graph: it owns the graph
/// wrapper and at most one device path, chosen by a device kind (high part the family, low
/// nibble 1 capture into a new file, 2 playback of a file). It keeps the names, files, capture
/// settings and signal links a path needs and hands them over before the path builds, runs,
/// stops and tears down, caches the device lists, and turns graph events into `graphStopped`.
///
/// Paths are made through a process-wide table of makers keyed by kind (`registerPathMaker`);
/// a kind without a maker builds nothing. The factory calls the path base's operations and,
/// where the path implements it, `IZRFactoryPath`.
///
/// Life cycle: no graph -> graph (`buildGraph`) -> graph with a path (`buildPath`) -> graph
/// without a path (`teardownPath`) -> no graph (`destroyGraph`); the destructor runs both
/// teardowns, so no path outlives the factory. Thread-safety: GUI thread only, the maker table
/// included.
class ZRGraphFactory : public QObject {
    Q_OBJECT
public:
    /// Device kinds.
    enum Kind : long {
        NoKind = 0,
        WDMCapture = 0x001,
        WDMPlayback = 0x002,
        WDMCap = 0x011,
        CirrusCapture = 0x021,
        CirrusPlayback = 0x022,
        Wren80Capture = 0x081,
        Kestrel200Capture = 0x201,
        Kestrel200Playback = 0x202,
        Kestrel250Capture = 0x251,
        Kestrel250Playback = 0x252,
    };
    /// The kinds in slot order.
    static constexpr std::array<long, 10> kSlotKinds = {0x001, 0x002, 0x201, 0x202, 0x251,
                                                        0x252, 0x081, 0x011, 0x021, 0x022};
    /// Graph notification codes the factory acts on.
    static constexpr long kEventComplete = 1;
    static constexpr long kEventUserAbort = 2;
    static constexpr long kEventErrorAbort = 3;
    static constexpr long kEventDeviceLost = 0x1F;

    /// Stores the widget (not owned) and takes its graph notices.
    explicit ZRGraphFactory(ZRVideoWidget* videoWidget, QObject* parent = nullptr);
    /// Tears the path down and destroys the graph.
    ~ZRGraphFactory() override;

    /// Sets the maker of a kind's path (an empty function removes it); returns the one before.
    static ZRPathMaker registerPathMaker(long kind, ZRPathMaker maker);
    static bool hasPathMaker(long kind);
    static bool isCaptureKind(long kind);
    static bool isPlaybackKind(long kind);

    /// Makes the graph and keeps the links for the camera paths; traces and does nothing when a
    /// graph exists. The main widget is kept only.
    void buildGraph(QWidget* mainWidget, ZRVideoWidget* videoWidget,
                    const ZRSignalLink& stateSignal, const ZRSignalLink& stateSlot,
                    const ZRSignalLink& timecodeSlot);
    void setCaptureSettings(const std::array<long, 17>& settings) { m_settings = settings; }
    const std::array<long, 17>& captureSettings() const { return m_settings; }
    void setSplitLimit(long limit) { m_splitLimit = limit; }
    void setSecondPathFlag(bool on) { m_secondPath = on; }
    void setAudioDeviceName(const QString& name) { m_audioDeviceName = name; }
    void setVideoEncoderName(const QString& name) { m_videoEncoderName = name; }
    /// Builds and starts the path of `kind`. Empty texts keep the earlier ones. Capture kinds
    /// need a device name and an output file; playback kinds a device name and an input file
    /// that exists. A failed check, an unknown kind or a kind without a maker builds nothing
    /// (the kind stays set); a path whose build (`connectInternal`) fails is torn down and
    /// deleted, so no path is active. Traces and does nothing while a path is active.
    void buildPath(long kind, const QString& deviceName, const QString& inputFile,
                   const QString& outputFile);
    /// Arguments other than -2 replace the remembered stream pair; then the active path runs
    /// with it (kinds 0x252 and 0x022 have no run operation).
    void runActivePath(long capture, long preview);
    /// Switches the capture streams on.
    void start() { runActivePath(1, -2); }
    void stop() { setGraphState(0); }
    /// 0 stop, 1 pause, 2 run; nothing without a graph.
    void setGraphState(long state);
    /// The graph's state (0-4, -1 on failure); nothing without a graph.
    std::optional<long> graphState();
    /// Stops the graph, tears the active path down and deletes it; the kind becomes 0.
    void teardownPath();
    /// Deletes the path and the graph wrapper.
    void destroyGraph();
    void releaseGraph() { destroyGraph(); }

    /// A device property of the first capture device path of kinds 0x201, 0x251, 0x081, 0x011,
    /// 0x021; false (and `out` reset) when there is none or it fails.
    bool getAVProp(long code, ZRAVProp* out);
    bool setAVProp(long code, long value);
    /// The TV format (9) by name; an unknown name changes nothing.
    bool setAVPropName(long code, const QString& name);
    /// Formats of the kind 0x011 path only.
    bool videoSize(int width, int height);
    bool audioFormat(int sampleRate, int channels, int sampleSize);
    std::optional<ZRVideoResolutions> videoSizeList();
    std::optional<ZRAudioResolutions> audioFormatList();
    /// The camera path's DV video format; nothing without one.
    std::optional<long> dvVideoFormat() const;
    /// Frames captured and dropped by the active path.
    bool frameCounts(long* captured, long* dropped) const;
    /// Why the writer of the active path ended a capture (0 none).
    int writerStopReason() const;
    /// Fits the active path's preview to the size: its own window, else the renderer's.
    bool resizePreview(int width, int height);

    /// The device lists, asked afresh and cached until the next call; null when empty.
    const VidCapDevInfoList* getVidCapDevInfoList(int32_t familyMask, int32_t modelMask);
    const AudCapDevInfoList* getAudCapDevInfoList(int32_t flags, int32_t modelMask);
    const VidEncInfoList* getVidEncInfoList(int32_t flags1, int32_t flags2);
    /// The cached lists of the last call; null before one or when empty.
    const VidCapDevInfoList* videoDevices() const { return m_videoDevices.get(); }
    const AudCapDevInfoList* audioDevices() const { return m_audioDevices.get(); }
    const VidEncInfoList* encoders() const { return m_encoders.get(); }
    /// Index -> display name of the cached list; null without one.
    std::unique_ptr<ZRDisplayNameDict> getIndex2VidCapDevDisplayNameDict() const;
    std::unique_ptr<ZRDisplayNameDict> gGetIndex2AudCapDevDisplayNameDict() const;
    std::unique_ptr<ZRDisplayNameDict> getIndex2VidEncDisplayNameDict() const;

    ZRGraphBase* graph() const { return m_graph.get(); }
    long kind() const { return m_kind; }
    ZRFilterPathBase* activePath() const { return m_activePath; }
    ZRFilterPathBase* activeDevicePath() const { return m_activeDevicePath; }
    /// The path in the slot of `kind`; null when empty or not a slot kind.
    ZRFilterPathBase* pathOfKind(long kind) const;
    const QString& deviceName() const { return m_deviceName; }
    const QString& inputFileName() const { return m_inputFile; }
    const QString& outputFileName() const { return m_outputFile; }
    long captureFlag() const { return m_captureFlag; }
    long previewFlag() const { return m_previewFlag; }
    long splitLimit() const { return m_splitLimit; }
    bool secondPathFlag() const { return m_secondPath; }

public Q_SLOTS:
    void setCamState(long request, long value);
    /// Graph notices from the video widget: drains the graph's events and marks the notice
    /// handled. A notice already handled is left alone.
    void myWinEvent(bool* handled, QEvent* event);

Q_SIGNALS:
    /// Declared for the pages; never emitted (device arrival has no notice here).
    void devicesChanged();
    /// The graph stopped by itself: 1 complete, 2 user abort, 3 error abort, 0x1F device lost.
    void graphStopped(long code);

public:
    /// Takes every pending graph event; emits `graphStopped` once with the last stopping code.
    /// 0 without a graph, else 1.
    int drainGraphEvents();

private:
    void connectWinEvent();
    void createGraph();
    /// Hands the active path its names and settings and builds it; the build's result.
    ZRGraphResult configureAndBuildPath();
    IZRFactoryPath* factoryPath(const ZRFilterPathBase* path) const;
    /// The first filled slot among the capture device kinds with properties.
    IZRFactoryPath* propertyPath() const;
    IZRFactoryPath* pathOps(long kind) const;
    int slotOf(long kind) const;

    std::unique_ptr<ZRGraphBase> m_graph;
    std::unique_ptr<VidCapDevInfoList> m_videoDevices;
    std::unique_ptr<AudCapDevInfoList> m_audioDevices;
    std::unique_ptr<VidEncInfoList> m_encoders;
    std::array<std::unique_ptr<ZRFilterPathBase>, 10> m_slots;
    ZRFilterPathBase* m_activePath = nullptr;
    ZRFilterPathBase* m_activeDevicePath = nullptr;
    long m_kind = NoKind;
    QPointer<ZRVideoWidget> m_videoWidget;
    QPointer<QWidget> m_mainWidget;
    QMetaObject::Connection m_winEventConnection;
    long m_captureFlag = 0;
    long m_previewFlag = 1;
    QString m_inputFile;
    QString m_outputFile;
    long m_splitLimit = 0;
    bool m_secondPath = true;
    QString m_deviceName;
    QString m_audioDeviceName;
    QString m_videoEncoderName;
    QString m_fourthName;
    ZRSignalLink m_stateSignal;
    ZRSignalLink m_stateSlot;
    ZRSignalLink m_timecodeSlot;
    std::array<long, 17> m_settings{0, 0, 0, 15, 3};
};
