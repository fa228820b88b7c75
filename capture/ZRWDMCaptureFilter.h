#pragma once

#include "capture/ZRDeviceInfo.h"
#include "capture/ZRFilterBase.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class IZRAvcTransport;

/// "dshow wdm capture filter": the capture device of a path (a DV camcorder or deck on
/// IEEE 1394, or a capture card) in the graph as "WDM Capture", and the transport of a camera.
/// Transport requests (`setState`, a code and a parameter) become AV/C tape commands; a poll
/// every 500 ms reads, in turn, the transport state (then the frame counts) and the time code,
/// and reports changes through `stateChanged`, `timecodeChanged` and `framesDropped`.
///
/// Commands go to the device's own thread in order; their outcomes come back to the GUI thread
/// as queued calls, so a refusal shows in the last result after the event loop ran. A poll
/// waits for the last one's reply before it asks again. A device family 2 (IEEE 1394 DV) feeds
/// "iavs"; a playback of separate video ("vids") and sound goes through "DV Mux".
/// Thread-safety: GUI thread only.
class ZRWDMCaptureFilter : public ZRFilterBase {
    Q_OBJECT
public:
    /// DV format values a path reports for its stream: 525-line NTSC DV, 625-line PAL DV.
    static constexpr long kDVFormat525 = 0x1026;
    static constexpr long kDVFormat625 = 0x1025;
    static constexpr int kPollMs = 500;

    ZRWDMCaptureFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA = nullptr, int indexA = -1,
                       ZRFilterBase* upstreamB = nullptr, int indexB = -1);
    ~ZRWDMCaptureFilter() override;

    /// The part of the device's display name it is found by.
    void setDeviceName(const QString& part) { m_deviceName = part; }
    const QString& deviceName() const { return m_deviceName; }
    const VidCapDevInfo* deviceRecord() const { return m_record.get(); }
    int32_t familyMask() const { return m_record ? m_record->familyMask : 0; }
    int32_t modelMask() const { return m_record ? m_record->modelMask : 0; }
    ZRGraphBase::Filter device() const { return m_device; }
    ZRGraphBase::Filter dvMux() const { return m_dvMux; }
    /// `kDVFormat525` when the device's stream is 525-line, else `kDVFormat625`.
    long dvFormat() const;
    bool hasTransport() const { return transport() != nullptr; }
    bool isPolling() const { return m_timer != nullptr; }
    /// A poll's reply is still awaited.
    bool isPollPending() const { return m_pollPending; }

    long lastState() const { return m_state; }
    long lastParameter() const { return m_parameter; }
    long lastTimecode() const { return m_timecode; }

    /// The sender whose `signal` (a SIGNAL() text) drives `setState`; replaces the last one.
    bool setStateSender(QObject* sender, const char* signal);
    /// The receivers of `stateChanged` and `timecodeChanged` (SLOT() texts); each replaces the
    /// last.
    bool setStateReceiver(QObject* receiver, const char* member);
    bool setTimecodeReceiver(QObject* receiver, const char* member);

    ZRGraphPin* inputPin(int index) override;
    ZRGraphPin* outputPin(int index) override;
    ZRGraphResult addFilters() override;
    ZRGraphResult findPins() override;
    ZRGraphResult connectUpstream() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult lookUpPins() override;
    ZRGraphResult releasePins() override;
    ZRGraphResult teardown() override;
    ZRGraphResult disconnectFilters() override;
    ZRGraphResult removeFilters() override;
    ZRGraphResult releaseFilters() override;
    ZRGraphResult releaseInterfaces() override;

public Q_SLOTS:
    void setState(long state, long parameter);
    void doTimer();

Q_SIGNALS:
    void stateChanged(long state, long parameter);
    void timecodeChanged(long timecode);
    void framesDropped(long notDropped, long dropped);

private Q_SLOTS:
    /// Runs the handlers of the outcomes the device's thread handed over.
    void takeOutcomes();

private:
    struct Relay;
    IZRAvcTransport* transport() const;
    /// Queues `request`; `handle` runs on the GUI thread with the outcome.
    void send(std::vector<uint8_t> request,
              std::function<void(int status, std::vector<uint8_t> reply)> handle);
    void pollState();
    void pollTimecode();
    void timecodeRead(long timecode);

    QString m_deviceName;
    std::unique_ptr<VidCapDevInfo> m_record;
    ZRGraphBase::Filter m_device = 0;
    ZRGraphBase::Filter m_dvMux = 0;
    ZRGraphPin* m_outputPin = nullptr;
    std::shared_ptr<Relay> m_relay;
    long m_state = -1;
    long m_parameter = -1;
    long m_timecode = -1;
    QTimer* m_timer = nullptr;
    int m_pollMask = 3;
    int m_phase = 1;
    bool m_pollPending = false;
    QPointer<QObject> m_sender;
    QByteArray m_senderSignal;
    QPointer<QObject> m_stateReceiver;
    QByteArray m_stateMember;
    QPointer<QObject> m_timecodeReceiver;
    QByteArray m_timecodeMember;
};
