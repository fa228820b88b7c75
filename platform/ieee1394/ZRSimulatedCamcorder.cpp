#include "platform/ieee1394/ZRSimulatedCamcorder.h"

#include "platform/ieee1394/ZRAvcCommands.h"
#include "platform/segments/DvFrame.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

namespace zrieee1394 {

namespace {

constexpr int kTransmitQueueFrames = 3;

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

ZRSimulatedCamcorder::ZRSimulatedCamcorder(uint64_t guid, std::string label, Frames tape)
    : m_guid(guid), m_label(std::move(label)), m_tape(std::move(tape)), m_clock(steadyMs) {
    m_ntsc = !m_tape.empty() && segments::isDv525(m_tape.front());
    m_length = int64_t(m_tape.size());
    m_lastTick = m_clock();
}

int64_t ZRSimulatedCamcorder::tapeFrames() const {
    std::lock_guard lock(m_mutex);
    return m_length;
}

void ZRSimulatedCamcorder::setTapeLength(int64_t frames) {
    std::lock_guard lock(m_mutex);
    if (!m_tape.empty() && frames > 0) m_length = frames;
}

ZRSimulatedCamcorder::~ZRSimulatedCamcorder() {
    stopReceive(m_guid);
}

std::unique_ptr<ZRSimulatedCamcorder> ZRSimulatedCamcorder::fromFile(const std::string& path,
                                                                     uint64_t guid,
                                                                     std::string label,
                                                                     std::string* error) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (bytes.size() < segments::kDvFrame525) {
        *error = "no DV frame in " + path;
        return nullptr;
    }
    // The system flag of the first frame's header block sets the frame size.
    const size_t size = (bytes[3] & 0x80) ? segments::kDvFrame625 : segments::kDvFrame525;
    Frames tape;
    for (size_t at = 0; at + size <= bytes.size(); at += size)
        tape.emplace_back(bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + size));
    if (tape.empty()) {
        *error = "no whole DV frame in " + path;
        return nullptr;
    }
    return std::make_unique<ZRSimulatedCamcorder>(guid, std::move(label), std::move(tape));
}

void ZRSimulatedCamcorder::setClock(Clock clock) {
    std::lock_guard lock(m_mutex);
    m_clock = clock ? std::move(clock) : Clock(steadyMs);
    m_lastTick = m_clock();
}

void ZRSimulatedCamcorder::setFreeRunning(bool on) {
    std::lock_guard lock(m_mutex);
    m_freeRunning = on;
    m_wake.notify_all();
}

void ZRSimulatedCamcorder::setFreeRunningPeriod(std::chrono::microseconds period) {
    std::lock_guard lock(m_mutex);
    m_freePeriod = period;
}

void ZRSimulatedCamcorder::setFreeRunningGate(std::function<bool()> ready) {
    std::lock_guard lock(m_mutex);
    m_gate = std::move(ready);
}

uint8_t ZRSimulatedCamcorder::modeOpcode() const {
    std::lock_guard lock(m_mutex);
    return m_opcode;
}

uint8_t ZRSimulatedCamcorder::modeOperand() const {
    std::lock_guard lock(m_mutex);
    return m_operand;
}

int64_t ZRSimulatedCamcorder::position() const {
    std::lock_guard lock(m_mutex);
    return int64_t(m_position);
}

void ZRSimulatedCamcorder::setPosition(int64_t frame) {
    std::lock_guard lock(m_mutex);
    m_position = double(std::clamp<int64_t>(frame, 0, std::max<int64_t>(m_length - 1, 0)));
}

std::vector<std::vector<uint8_t>> ZRSimulatedCamcorder::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

ZRSimulatedCamcorder::Frames ZRSimulatedCamcorder::recorded() const {
    std::lock_guard lock(m_mutex);
    return m_recorded;
}

int64_t ZRSimulatedCamcorder::framesSent() const {
    std::lock_guard lock(m_mutex);
    return m_sent;
}

void ZRSimulatedCamcorder::markRecording(int64_t frame, int64_t seconds) {
    std::lock_guard lock(m_mutex);
    m_marks[frame] = seconds;
}

void ZRSimulatedCamcorder::setFault(Fault fault, int count) {
    std::lock_guard lock(m_mutex);
    m_fault = fault;
    m_faultCount = count;
}

void ZRSimulatedCamcorder::setTimeCodeReader(bool on) {
    std::lock_guard lock(m_mutex);
    m_timeCodeReader = on;
}

void ZRSimulatedCamcorder::setIncompleteFrames(std::set<int64_t> frames) {
    std::lock_guard lock(m_mutex);
    m_incomplete = std::move(frames);
}

void ZRSimulatedCamcorder::resetBus() {
    notice(Notice::Reset);
}

void ZRSimulatedCamcorder::resetDuringNextTransaction() {
    std::lock_guard lock(m_mutex);
    m_resetInFlight = true;
}

void ZRSimulatedCamcorder::unplug() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_plugged) return;
        m_plugged = false;
        m_receiving = false;
        m_transmitting = false;
    }
    m_wake.notify_all();
    notice(Notice::Reset);
    notice(Notice::Lost);
}

void ZRSimulatedCamcorder::plugIn() {
    {
        std::lock_guard lock(m_mutex);
        if (m_plugged) return;
        m_plugged = true;
    }
    notice(Notice::Reset);
}

void ZRSimulatedCamcorder::notice(Notice what) {
    std::lock_guard lock(m_noticeMutex);
    for (auto& [id, sink] : m_noticeSinks)
        sink(what, m_guid);
}

int ZRSimulatedCamcorder::addNoticeSink(NoticeSink sink) {
    std::lock_guard lock(m_noticeMutex);
    const int id = m_nextNotice++;
    m_noticeSinks[id] = std::move(sink);
    return id;
}

void ZRSimulatedCamcorder::removeNoticeSink(int id) {
    std::lock_guard lock(m_noticeMutex);
    m_noticeSinks.erase(id);
}

std::vector<ZR1394Node> ZRSimulatedCamcorder::nodes() {
    std::lock_guard lock(m_mutex);
    if (!m_plugged) return {};
    return {ZR1394Node{m_guid, m_label, true, true}};
}

double ZRSimulatedCamcorder::speedLocked() const {
    const double rate = m_ntsc ? 30.0 : 25.0;
    switch (m_opcode) {
    case zravc::kOpPlay:
        if (m_operand == 0x75 || m_operand == 0x38) return rate;
        if (m_operand == 0x65 || m_operand == 0x48) return -rate;
        if (m_operand == 0x3F) return rate * 10;
        if (m_operand == 0x4F) return -rate * 10;
        // The other forward (0x31..0x3E) and reverse (0x41..0x4E) speeds, slow to fast.
        if (m_operand > 0x30 && m_operand < 0x3F) return rate * (m_operand - 0x30) / 8.0;
        if (m_operand > 0x40 && m_operand < 0x4F) return -rate * (m_operand - 0x40) / 8.0;
        return 0;
    case zravc::kOpWind:
        if (m_operand == 0x75) return rate * 30;
        if (m_operand == 0x65) return -rate * 30;
        if (m_operand == 0x45) return -rate * 60;
        return 0;
    case zravc::kOpRecord:
        return m_operand == 0x75 ? rate : 0;
    default:
        return 0;
    }
}

void ZRSimulatedCamcorder::advanceLocked() {
    const int64_t now = m_clock();
    const int64_t elapsed = now - m_lastTick;
    m_lastTick = now;
    // Playing forward at normal speed to a receiver, the sender moves the tape frame by frame;
    // recording what is sent to it, each frame recorded does.
    if (m_receiving && m_opcode == zravc::kOpPlay && m_operand == 0x75) return;
    if (m_transmitting && m_opcode == zravc::kOpRecord && m_operand == 0x75) return;
    const double speed = speedLocked();
    if (speed == 0 || elapsed <= 0) return;
    const double last = std::max<double>(double(m_length) - 1, 0);
    m_position += speed * double(elapsed) / 1000.0;
    if (m_position <= 0 || m_position >= last) {
        m_position = std::clamp(m_position, 0.0, last);
        m_opcode = zravc::kOpWind;
        m_operand = 0x60;
    }
}

std::vector<uint8_t> ZRSimulatedCamcorder::answerLocked(std::span<const uint8_t> request) {
    std::vector<uint8_t> reply(request.begin(), request.end());
    const auto refuse = [&](uint8_t code) {
        reply[0] = code;
        return reply;
    };
    if (request.size() < 4 || request[1] != zravc::kTapeSubunit)
        return request.empty() ? reply : refuse(zravc::kNotImplemented);
    const uint8_t opcode = request[2], operand = request[3];
    const double last = std::max<double>(double(m_length) - 1, 0);
    if (request[0] == zravc::kControl) {
        switch (opcode) {
        case zravc::kOpLoadMedium:
        case zravc::kOpRecord:
        case zravc::kOpWind:
            m_opcode = opcode;
            m_operand = operand;
            break;
        case zravc::kOpPlay:
            if (operand == 0x30) m_position = std::min(std::floor(m_position) + 1, last);
            if (operand == 0x40) m_position = std::max(std::floor(m_position) - 1, 0.0);
            m_opcode = opcode;
            m_operand = operand;
            break;
        case zravc::kOpAbsoluteTrack:
            if (operand != 0x20 || request.size() < 8) return refuse(zravc::kNotImplemented);
            m_position =
                std::clamp(double(request[4] | request[5] << 8 | request[6] << 16), 0.0, last);
            m_opcode = zravc::kOpPlay;
            m_operand = 0x7D;
            break;
        case 0x40:
            break;
        default:
            return refuse(zravc::kNotImplemented);
        }
        m_wake.notify_all();
        return refuse(zravc::kAccepted);
    }
    if (request[0] != zravc::kStatus) return refuse(zravc::kNotImplemented);
    const auto frame = int64_t(m_position);
    if (opcode == zravc::kOpTransportState && operand == 0x7F)
        return {zravc::kStable, zravc::kTapeSubunit, m_opcode, m_operand};
    if (opcode == zravc::kOpTimeCode && operand == 0x71 && request.size() >= 8) {
        if (!m_timeCodeReader) return refuse(zravc::kNotImplemented);
        uint32_t bcd = zravc::timeCodeOf(long(frame), m_ntsc);
        if (m_fault == Fault::NonBcd) bcd = 0x005A0000;
        return {zravc::kStable,     zravc::kTapeSubunit, opcode,      operand, uint8_t(bcd >> 24),
                uint8_t(bcd >> 16), uint8_t(bcd >> 8),   uint8_t(bcd)};
    }
    if (opcode == zravc::kOpAbsoluteTrack && operand == 0x71 && request.size() >= 8) {
        // A frame is 12 track pairs (10 on 525-line tapes); the head sits within it.
        const int64_t track = frame * (m_ntsc ? 20 : 24) + 3;
        return {zravc::kStable,      zravc::kTapeSubunit,  opcode, operand, uint8_t(track),
                uint8_t(track >> 8), uint8_t(track >> 16), 0xFF};
    }
    return refuse(zravc::kNotImplemented);
}

ZR1394Status ZRSimulatedCamcorder::transact(uint64_t guid, std::span<const uint8_t> request,
                                            std::vector<uint8_t>* reply) {
    reply->clear();
    bool reset = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_plugged || guid != m_guid) return ZR1394Status::NodeGone;
        m_requests.emplace_back(request.begin(), request.end());
        if (m_resetInFlight) {
            m_resetInFlight = false;
            reset = true;
        }
    }
    if (reset) {
        notice(Notice::Reset);
        return ZR1394Status::Reset;
    }
    std::lock_guard lock(m_mutex);
    advanceLocked();
    Fault fault = m_faultCount != 0 ? m_fault : Fault::None;
    if (m_faultCount > 0 && --m_faultCount == 0) m_fault = Fault::None;
    if (fault == Fault::Silence) return ZR1394Status::NoReply;
    if (fault == Fault::Rejected || fault == Fault::NotImplemented) {
        reply->assign(request.begin(), request.end());
        if (!reply->empty())
            (*reply)[0] = fault == Fault::Rejected ? zravc::kRejected : zravc::kNotImplemented;
        return ZR1394Status::Ok;
    }
    const Fault saved = m_fault;
    m_fault = fault; // the time-code answer reads it
    *reply = answerLocked(request);
    m_fault = saved;
    if (fault == Fault::Short && reply->size() > 2) reply->resize(2);
    if (fault == Fault::ForeignSubunit && reply->size() > 1) (*reply)[1] = 0x28;
    if (fault == Fault::ForeignOpcode && reply->size() > 2) (*reply)[2] = 0x0F;
    return ZR1394Status::Ok;
}

std::vector<uint8_t> ZRSimulatedCamcorder::frameAtLocked(int64_t frame, bool* complete) {
    std::vector<uint8_t> bytes = m_tape[size_t(frame % int64_t(m_tape.size()))];
    auto mark = m_marks.upper_bound(frame);
    if (mark != m_marks.begin()) {
        --mark;
        const int64_t rate = m_ntsc ? 30 : 25;
        segments::stampDvRecordingTime(bytes, mark->second + (frame - mark->first) / rate);
    }
    *complete = !m_incomplete.count(frame);
    // A frame with lost packets: the receiver fills what never came.
    if (!*complete) std::fill(bytes.begin() + ptrdiff_t(bytes.size() / 2), bytes.end(), 0xFF);
    return bytes;
}

bool ZRSimulatedCamcorder::startReceive(uint64_t guid, FrameSink sink) {
    stopReceive(guid);
    std::lock_guard lock(m_mutex);
    if (!m_plugged || guid != m_guid || !sink || m_tape.empty()) return false;
    m_sink = std::move(sink);
    m_receiving = true;
    m_quit = false;
    m_sent = 0;
    m_thread = std::thread([this] { sendLoop(); });
    return true;
}

void ZRSimulatedCamcorder::stopReceive(uint64_t) {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_receiving = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard lock(m_mutex);
    m_sink = nullptr;
}

void ZRSimulatedCamcorder::sendLoop() {
    std::unique_lock lock(m_mutex);
    const auto period = std::chrono::microseconds(m_ntsc ? 33367 : 40000);
    auto due = std::chrono::steady_clock::now();
    while (!m_quit) {
        advanceLocked();
        const bool playing = m_opcode == zravc::kOpPlay && m_operand == 0x75;
        const bool still =
            (m_opcode == zravc::kOpPlay &&
             (m_operand == 0x7D || m_operand == 0x30 || m_operand == 0x40 || m_operand == 0x6D)) ||
            (m_opcode == zravc::kOpRecord && m_operand == 0x7D);
        if (!m_receiving || !m_plugged || (!playing && !still)) {
            m_wake.wait_for(lock, std::chrono::milliseconds(20));
            due = std::chrono::steady_clock::now();
            continue;
        }
        // A gated sender sends no frame before its gate opens, the first of a play included.
        if (m_freeRunning && playing && m_gate) {
            const std::function<bool()> gate = m_gate;
            lock.unlock();
            const bool ready = gate();
            lock.lock();
            if (!ready) {
                m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_quit; });
                due = std::chrono::steady_clock::now();
                continue;
            }
        }
        const auto last = m_length - 1;
        const int64_t at = std::clamp<int64_t>(int64_t(m_position), 0, last);
        bool complete = true;
        std::vector<uint8_t> frame = frameAtLocked(at, &complete);
        if (playing) {
            m_position = double(at + 1);
            // The tape's end stops the transport after its last frame.
            if (at >= last) {
                m_position = double(last);
                m_opcode = zravc::kOpWind;
                m_operand = 0x60;
            }
        }
        ++m_sent;
        FrameSink sink = m_sink;
        m_inSink = true;
        lock.unlock();
        sink(frame, complete);
        lock.lock();
        m_inSink = false;
        if (m_freeRunning && playing) {
            if (m_freePeriod.count() > 0)
                m_wake.wait_for(lock, m_freePeriod, [this] { return m_quit; });
            while (m_gate && !m_quit) {
                const std::function<bool()> gate = m_gate;
                lock.unlock();
                const bool ready = gate();
                lock.lock();
                if (ready) break;
                m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_quit; });
            }
            continue;
        }
        due += period;
        m_wake.wait_until(lock, due, [this] { return m_quit; });
    }
}

bool ZRSimulatedCamcorder::startTransmit(uint64_t guid, bool pal) {
    std::lock_guard lock(m_mutex);
    if (!m_plugged || guid != m_guid) return false;
    m_transmitting = true;
    m_transmitNtsc = !pal;
    m_txStarted = false;
    m_txQueued = 0;
    m_txTaken = m_txCount = m_txRepeats = 0;
    return true;
}

void ZRSimulatedCamcorder::setTransmitSink(TransmitSink sink) {
    std::lock_guard lock(m_mutex);
    m_transmitSink = std::move(sink);
}

void ZRSimulatedCamcorder::setTransmitPacing(bool paced) {
    std::lock_guard lock(m_mutex);
    m_paced = paced;
}

int64_t ZRSimulatedCamcorder::framesTransmitted() const {
    std::lock_guard lock(m_mutex);
    return m_txCount;
}

// The bus takes a frame at every frame period from the first one on; a period that finds the
// queue empty sends the last frame again.
void ZRSimulatedCamcorder::drainTransmitLocked() {
    if (!m_txStarted) return;
    const double period = m_transmitNtsc ? 1001.0 / 30.0 : 40.0;
    const double now = double(m_clock());
    while (m_txNextMs <= now) {
        if (m_txQueued > 0) {
            --m_txQueued;
            ++m_txTaken;
        } else if (m_txTaken > 0) {
            ++m_txRepeats;
        }
        m_txNextMs += period;
    }
}

bool ZRSimulatedCamcorder::transmit(uint64_t guid, std::span<const uint8_t> frame) {
    std::unique_lock lock(m_mutex);
    if (!m_plugged || guid != m_guid || !m_transmitting || !segments::isWholeDvFrame(frame.size()))
        return false;
    if (m_paced) {
        if (!m_txStarted) {
            m_txStarted = true;
            m_txNextMs = double(m_clock());
        }
        drainTransmitLocked();
        while (m_txQueued >= kTransmitQueueFrames) {
            m_wake.wait_for(lock, std::chrono::milliseconds(1));
            if (!m_plugged || !m_transmitting) return false;
            drainTransmitLocked();
        }
        ++m_txQueued;
    }
    ++m_txCount;
    if (m_transmitSink) m_transmitSink(frame);
    advanceLocked();
    if (m_opcode == zravc::kOpRecord && m_operand == 0x75) {
        m_recorded.emplace_back(frame.begin(), frame.end());
        m_position = std::min(m_position + 1, std::max<double>(double(m_length) - 1, 0));
    }
    return true;
}

void ZRSimulatedCamcorder::stopTransmit(uint64_t) {
    std::lock_guard lock(m_mutex);
    drainTransmitLocked();
    m_transmitting = false;
    m_txStarted = false;
    m_wake.notify_all();
}

int64_t ZRSimulatedCamcorder::repeatedFrames(uint64_t guid) {
    std::lock_guard lock(m_mutex);
    if (guid != m_guid) return 0;
    if (m_transmitting) drainTransmitLocked();
    return m_txRepeats;
}

} // namespace zrieee1394
