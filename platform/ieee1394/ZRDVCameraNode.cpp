#include "platform/ieee1394/ZRDVCameraNode.h"

#include "platform/segments/DvFrame.h"

ZRDVCameraNode::ZRDVCameraNode(std::shared_ptr<IZR1394Bus> bus, uint64_t guid, std::string label)
    : ZRGraphNode("DV Camcorder"), m_bus(std::move(bus)), m_guid(guid), m_label(std::move(label)) {
    addPin(ZRGraphPin::Direction::Output, "DV A/V Out", {kZRStreamInterleavedDV, "dvsd"});
    addPin(ZRGraphPin::Direction::Input, "DV A/V In", {kZRStreamInterleavedDV, ""});
    m_noticeId = m_bus->addNoticeSink([this](IZR1394Bus::Notice what, uint64_t guid) {
        if (what != IZR1394Bus::Notice::Lost || guid != m_guid || m_lost.exchange(true)) return;
        if (state() == ZRGraphState::Stopped) return;
        notify(kZREventDeviceLost);
        // What reached the writers is completed when the graph stops.
        if (m_receiving.load()) deliverEndOfStream(outputPin(0));
    });
    m_transportThread = std::thread([this] { transportLoop(); });
}

ZRDVCameraNode::~ZRDVCameraNode() {
    m_bus->removeNoticeSink(m_noticeId);
    (void)ZRDVCameraNode::onStop();
    {
        std::lock_guard lock(m_jobMutex);
        m_quit = true;
    }
    m_jobWake.notify_all();
    m_transportThread.join();
}

void ZRDVCameraNode::submit(std::vector<uint8_t> request, Done done) {
    {
        std::lock_guard lock(m_jobMutex);
        if (!m_quit) {
            m_jobs.push_back({std::move(request), std::move(done)});
            m_jobWake.notify_one();
            return;
        }
    }
    if (done) done(ZR1394Status::NodeGone, {});
}

void ZRDVCameraNode::transportLoop() {
    std::unique_lock lock(m_jobMutex);
    for (;;) {
        m_jobWake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty()) return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        const bool quitting = m_quit;
        lock.unlock();
        std::vector<uint8_t> reply;
        // Commands still queued at destruction never reach the device.
        const ZR1394Status status =
            quitting ? ZR1394Status::NodeGone : m_bus->transact(m_guid, job.request, &reply);
        if (job.done) job.done(status, std::move(reply));
        lock.lock();
    }
}

ZRMediaTime ZRDVCameraNode::clockTime() const {
    const ZRMediaTime frame = isNtsc() ? 333667 : 400000;
    return m_clockFrames.load() * frame;
}

ZRGraphResult ZRDVCameraNode::queryState() const {
    // A live source delivers nothing while paused.
    return state() == ZRGraphState::Paused && outputPin(0)->isConnected() ? kZRGraphCantCue
                                                                          : kZRGraphOk;
}

ZRGraphResult ZRDVCameraNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    m_received = m_incomplete = m_sentFrames = m_clockFrames = 0;
    m_lost = false;
    if (outputPin(0)->isConnected()) {
        const bool started =
            m_bus->startReceive(m_guid, [this](std::span<const uint8_t> frame, bool complete) {
                frameArrived(frame, complete);
            });
        if (!started) return kZRGraphFail;
        m_receiving = true;
    }
    if (inputPin(0)->isConnected()) {
        if (!m_bus->startTransmit(m_guid, !isNtsc())) {
            onStop();
            return kZRGraphFail;
        }
        m_transmitting = true;
    }
    return kZRGraphOk;
}

ZRGraphResult ZRDVCameraNode::onStop() {
    if (m_receiving.exchange(false)) m_bus->stopReceive(m_guid);
    if (m_transmitting.exchange(false)) m_bus->stopTransmit(m_guid);
    return kZRGraphOk;
}

void ZRDVCameraNode::frameArrived(std::span<const uint8_t> frame, bool complete) {
    if (!complete || !segments::isWholeDvFrame(frame.size())) {
        ++m_incomplete;
        return;
    }
    m_ntsc = segments::isDv525(frame);
    if (state() != ZRGraphState::Running) return;
    const int64_t n = m_received++;
    ZRMediaSample sample =
        ZRMediaSample::fromBytes(std::vector<uint8_t>(frame.begin(), frame.end()));
    const ZRMediaTime duration = isNtsc() ? 333667 : 400000;
    sample.time = n * duration;
    sample.duration = duration;
    sample.sequence = n;
    sample.discontinuity = n == 0;
    m_clockFrames = n + 1;
    deliver(outputPin(0), sample);
}

void ZRDVCameraNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!m_transmitting.load() || !sample.data) return;
    if (segments::isWholeDvFrame(sample.size())) m_ntsc = segments::isDv525(*sample.data);
    if (m_bus->transmit(m_guid, *sample.data)) {
        ++m_sentFrames;
        ++m_clockFrames;
    }
}
