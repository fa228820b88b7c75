#include "capture/ZRWDMCaptureFilter.h"

#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRDroppedFrames.h"
#include "platform/ieee1394/IZRAvcTransport.h"
#include "platform/ieee1394/ZRAvcCommands.h"

#include <QLoggingCategory>
#include <QMetaObject>

#include <mutex>

Q_LOGGING_CATEGORY(lcCamera, "clipstead.capture.camera", QtWarningMsg)

/// Carries outcomes from the device's thread to the filter under its own lock, with one queued
/// notice at a time (a plain slot call, which leaves the data to the lock); cleared when the
/// filter goes, so a late reply is dropped instead of reaching a destroyed object.
struct ZRWDMCaptureFilter::Relay {
    struct Outcome {
        std::function<void(int, std::vector<uint8_t>)> handle;
        int status;
        std::vector<uint8_t> reply;
    };
    std::mutex mutex;
    ZRWDMCaptureFilter* target = nullptr;
    std::vector<Outcome> outcomes;
    bool noticePosted = false;
};

ZRWDMCaptureFilter::ZRWDMCaptureFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                       ZRFilterBase* upstreamB, int indexB)
    : ZRFilterBase(graph, "dshow wdm capture filter", upstreamA, indexA, upstreamB, indexB),
      m_relay(std::make_shared<Relay>()) {
    m_relay->target = this;
    if (graph) graph->setCaptureFilter(this);
}

ZRWDMCaptureFilter::~ZRWDMCaptureFilter() {
    {
        std::lock_guard lock(m_relay->mutex);
        m_relay->target = nullptr;
    }
    if (ZRGraphBase* g = graphBase(); g && g->captureFilter() == this) g->setCaptureFilter(nullptr);
    setStateSender(nullptr, nullptr);
    setStateReceiver(nullptr, nullptr);
    setTimecodeReceiver(nullptr, nullptr);
    delete m_timer;
}

IZRAvcTransport* ZRWDMCaptureFilter::transport() const {
    ZRGraphBase* g = graphBase();
    ZRGraphNode* node = g ? g->node(m_device) : nullptr;
    return node ? node->as<IZRAvcTransport>() : nullptr;
}

long ZRWDMCaptureFilter::dvFormat() const {
    IZRAvcTransport* t = transport();
    return t && t->isNtsc() ? kDVFormat525 : kDVFormat625;
}

bool ZRWDMCaptureFilter::setStateSender(QObject* sender, const char* signal) {
    if (m_sender)
        QObject::disconnect(m_sender, m_senderSignal.constData(), this, SLOT(setState(long, long)));
    m_sender = sender;
    m_senderSignal = signal ? QByteArray(signal) : QByteArray();
    if (!sender || !signal) return false;
    return QObject::connect(sender, signal, this, SLOT(setState(long, long)));
}

bool ZRWDMCaptureFilter::setStateReceiver(QObject* receiver, const char* member) {
    if (m_stateReceiver)
        QObject::disconnect(this, SIGNAL(stateChanged(long, long)), m_stateReceiver,
                            m_stateMember.constData());
    m_stateReceiver = receiver;
    m_stateMember = member ? QByteArray(member) : QByteArray();
    if (!receiver || !member) return false;
    return QObject::connect(this, SIGNAL(stateChanged(long, long)), receiver, member);
}

bool ZRWDMCaptureFilter::setTimecodeReceiver(QObject* receiver, const char* member) {
    if (m_timecodeReceiver)
        QObject::disconnect(this, SIGNAL(timecodeChanged(long)), m_timecodeReceiver,
                            m_timecodeMember.constData());
    m_timecodeReceiver = receiver;
    m_timecodeMember = member ? QByteArray(member) : QByteArray();
    if (!receiver || !member) return false;
    return QObject::connect(this, SIGNAL(timecodeChanged(long)), receiver, member);
}

void ZRWDMCaptureFilter::send(std::vector<uint8_t> request,
                              std::function<void(int, std::vector<uint8_t>)> handle) {
    IZRAvcTransport* t = transport();
    if (!t) return;
    std::shared_ptr<Relay> relay = m_relay;
    t->submit(std::move(request), [relay, handle](ZR1394Status status, std::vector<uint8_t> reply) {
        std::lock_guard lock(relay->mutex);
        if (!relay->target) return;
        relay->outcomes.push_back({handle, int(status), std::move(reply)});
        if (relay->noticePosted) return;
        relay->noticePosted = true;
        // Posted under the relay's lock: the filter cannot be destroyed in between, and its
        // destruction removes what is still posted to it.
        QMetaObject::invokeMethod(relay->target, "takeOutcomes", Qt::QueuedConnection);
    });
}

void ZRWDMCaptureFilter::takeOutcomes() {
    std::vector<Relay::Outcome> outcomes;
    {
        std::lock_guard lock(m_relay->mutex);
        outcomes.swap(m_relay->outcomes);
        m_relay->noticePosted = false;
    }
    for (Relay::Outcome& o : outcomes)
        o.handle(o.status, std::move(o.reply));
}

void ZRWDMCaptureFilter::setState(long state, long parameter) {
    qCDebug(lcCamera).noquote() << QStringLiteral("cam state <- %1 %2")
                                       .arg(state & 0xFFFF, 4, 16, QLatin1Char('0'))
                                       .arg(parameter & 0xFFFF, 4, 16, QLatin1Char('0'));
    IZRAvcTransport* t = transport();
    if (!t) return;
    const zravc::Request request = zravc::request(state, parameter, t->isNtsc());
    if (request.kind == zravc::Request::Kind::Unsupported) setLastResult(kZRGraphFail);
    if (request.kind != zravc::Request::Kind::Command) return;
    const zravc::Frame sent = request.frame;
    send(request.frame, [this, sent](int status, std::vector<uint8_t> reply) {
        const bool ok =
            status == int(ZR1394Status::Ok) && zravc::answers(sent, reply, zravc::kAccepted);
        setLastResult(ok ? kZRGraphOk : kZRGraphFail);
    });
}

void ZRWDMCaptureFilter::doTimer() {
    // One poll at a time: a silent device is not asked again before it answered.
    if (m_pollPending) return;
    const int phase = m_phase;
    // The next set bit of the mask, wrapping: 1, 2, 1, 2 ...
    for (int next = phase << 1;; next <<= 1) {
        if (next > m_pollMask) next = 1;
        if (m_pollMask & next) {
            m_phase = next;
            break;
        }
        if (next == phase) break;
    }
    if (phase == 1) pollState();
    if (phase == 2) pollTimecode();
}

void ZRWDMCaptureFilter::pollState() {
    if (!transport()) return;
    m_pollPending = true;
    send(zravc::transportStateRequest(), [this](int status, std::vector<uint8_t> reply) {
        m_pollPending = false;
        long state = 0, parameter = 0;
        if (status == int(ZR1394Status::Ok) && zravc::transportState(reply, &state, &parameter)) {
            qCDebug(lcCamera).noquote() << QStringLiteral("cam state -> %1 %2")
                                               .arg(state & 0xFFFF, 4, 16, QLatin1Char('0'))
                                               .arg(parameter & 0xFFFF, 4, 16, QLatin1Char('0'));
            if (state != m_state || parameter != m_parameter) {
                m_state = state;
                m_parameter = parameter;
                Q_EMIT stateChanged(state, parameter);
            }
        }
        // Frames the device took in, and those lost on the way to the writer.
        ZRGraphBase* g = graphBase();
        if (!g || !g->graph()) return;
        int64_t notDropped = 0, dropped = 0;
        bool any = false;
        for (ZRGraph::NodeId id : g->graph()->nodeIds()) {
            ZRGraphNode* node = g->graph()->node(id);
            auto* counts = node ? node->as<IZRDroppedFrames>() : nullptr;
            if (!counts) continue;
            any = true;
            if (id == m_device) notDropped += counts->framesNotDropped();
            dropped += counts->framesDropped();
        }
        if (any) Q_EMIT framesDropped(long(notDropped), long(dropped));
    });
}

void ZRWDMCaptureFilter::pollTimecode() {
    IZRAvcTransport* t = transport();
    if (!t) return;
    m_pollPending = true;
    const bool ntsc = t->isNtsc();
    send(zravc::timeCodeRequest(), [this, ntsc](int status, std::vector<uint8_t> reply) {
        if (status != int(ZR1394Status::Ok)) {
            m_pollPending = false;
            return;
        }
        const long code = zravc::timeCode(reply, ntsc);
        // A reply to the time-code status that is not a refusal but reads invalid stays -1;
        // a camera that refuses the status is asked for its track number instead.
        if (code >= 0 || zravc::answers(zravc::timeCodeRequest(), reply, zravc::kStable)) {
            m_pollPending = false;
            timecodeRead(code);
            return;
        }
        send(zravc::absoluteTrackRequest(), [this, ntsc](int status, std::vector<uint8_t> reply) {
            m_pollPending = false;
            if (status != int(ZR1394Status::Ok)) return;
            timecodeRead(zravc::timeCodeFromTrack(reply, ntsc));
        });
    });
}

void ZRWDMCaptureFilter::timecodeRead(long timecode) {
    if (timecode == m_timecode) return;
    m_timecode = timecode;
    Q_EMIT timecodeChanged(timecode);
}

ZRGraphPin* ZRWDMCaptureFilter::inputPin(int index) {
    if (index != 0 && index != 1) return nullptr;
    ZRGraphBase* g = graphBase();
    if (!g) return nullptr;
    if (ZRGraphNode* mux = g->node(m_dvMux)) return mux->inputPin(index);
    ZRGraphNode* device = g->node(m_device);
    return device && index == 0 ? device->inputPin(0) : nullptr;
}

ZRGraphPin* ZRWDMCaptureFilter::outputPin(int index) {
    if (index != 0) return nullptr;
    ZRGraphBase* g = graphBase();
    ZRGraphNode* device = g ? g->node(m_device) : nullptr;
    return device ? device->outputPin(0) : nullptr;
}

ZRGraphResult ZRWDMCaptureFilter::addFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    ZRGraphResult r = g->makeFilterEnumByDisplayName(&m_device, ZRDeviceCategory::VideoInput,
                                                     m_deviceName, QStringLiteral("WDM Capture"));
    if (!zrGraphSucceeded(r)) return r;
    m_record = g->copyDeviceRecord(m_deviceName);
    const int32_t family = familyMask();
    switch (family) {
    case 2:
        streamTypeA = kZRStreamInterleavedDV;
        streamTypeB.clear();
        break;
    case 4:
        streamTypeA = kZRStreamVideo;
        streamTypeB.clear();
        break;
    default:
        streamTypeA = streamTypeB = kZRStreamVideo;
        break;
    }
    // A playback of separate video and sound to a DV device is multiplexed first.
    if (family == 2 && upstreamA() && upstreamA()->streamTypeA == kZRStreamVideo) {
        r = g->addFilterByClsid(&m_dvMux, QString::fromLatin1(zroutsidefilters::kClsidDVMux),
                                QStringLiteral("DV Mux"));
        if (!zrGraphSucceeded(r)) return r;
    }
    setLastResult(kZRGraphOk);
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::findPins() {
    ZRGraphBase* g = graphBase();
    ZRGraphNode* device = g ? g->node(m_device) : nullptr;
    if (!device) return kZRGraphFail;
    m_outputPin = device->outputPin(0);
    setLastResult(kZRGraphOk);
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::connectUpstream() {
    ZRGraphBase* g = graphBase();
    ZRGraphNode* device = g ? g->node(m_device) : nullptr;
    if (!device) return kZRGraphFail;
    if (!upstreamA()) return kZRGraphOk;
    if (ZRGraphNode* mux = g->node(m_dvMux)) {
        ZRGraphResult r = g->connectPins(upstreamPinA(), mux->inputPin(0));
        if (zrGraphSucceeded(r) && upstreamPinB())
            r = g->connectPins(upstreamPinB(), mux->inputPin(1));
        if (zrGraphSucceeded(r)) r = g->connectPins(mux->outputPin(0), device->inputPin(0));
        return r;
    }
    return g->connectPins(upstreamPinA(), device->inputPin(0));
}

ZRGraphResult ZRWDMCaptureFilter::connectInternal() {
    ZRGraphResult r = connectUpstream();
    if (!zrGraphSucceeded(r)) return r;
    if (transport() && !m_timer) {
        m_timer = new QTimer;
        m_timer->setInterval(kPollMs);
        connect(m_timer, &QTimer::timeout, this, &ZRWDMCaptureFilter::doTimer);
        m_timer->start();
    }
    setLastResult(kZRGraphOk);
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::lookUpPins() {
    return findPins();
}

ZRGraphResult ZRWDMCaptureFilter::releasePins() {
    m_outputPin = nullptr;
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::teardown() {
    delete m_timer;
    m_timer = nullptr;
    m_pollPending = false;
    (void)releasePins();
    (void)removeFilters();
    (void)releaseInterfaces();
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::disconnectFilters() {
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::removeFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) {
        m_dvMux = m_device = 0;
        return kZRGraphFail;
    }
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_dvMux);
    (void)g->kill(&m_device);
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::releaseFilters() {
    m_dvMux = m_device = 0;
    return kZRGraphOk;
}

ZRGraphResult ZRWDMCaptureFilter::releaseInterfaces() {
    m_record.reset();
    return kZRGraphOk;
}
