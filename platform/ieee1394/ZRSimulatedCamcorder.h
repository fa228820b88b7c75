#pragma once

#include "platform/ieee1394/ZR1394Bus.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace zrieee1394 {

/// A bus with one simulated DV camcorder on it, for tests and machines without a camera: a
/// DV file is its tape; it answers the AV/C tape commands, moves the tape by an injectable
/// clock, sends the frame under the head while playing forward at normal speed (the paused
/// frame while paused), keeps what it receives while recording, and reads its time code from
/// the tape position. Faults come on demand: incomplete frames, silence, refusals, short or
/// foreign replies, codes that are no BCD, bus resets and unplugging.
///
/// Thread-safety: every operation locks the camcorder; frames are sent from a thread of its
/// own, never under its lock.
class ZRSimulatedCamcorder final : public IZR1394Bus {
public:
    /// Milliseconds on some monotonic scale.
    using Clock = std::function<int64_t()>;
    /// Every request the camcorder got, and the frames it recorded.
    using Frames = std::vector<std::vector<uint8_t>>;

    ZRSimulatedCamcorder(uint64_t guid, std::string label, Frames tape);
    ~ZRSimulatedCamcorder() override;

    /// A camcorder whose tape is the raw DV file at `path` (whole frames of its first frame's
    /// system); null with `*error` set when it holds none.
    static std::unique_ptr<ZRSimulatedCamcorder> fromFile(const std::string& path, uint64_t guid,
                                                          std::string label, std::string* error);

    uint64_t guid() const { return m_guid; }
    bool isNtsc() const { return m_ntsc; }
    /// The tape's length in frames.
    int64_t tapeFrames() const;
    /// Makes the tape `frames` long, its stored frames repeated (a long tape from a short file).
    void setTapeLength(int64_t frames);

    /// The clock the tape moves by (default: the steady clock).
    void setClock(Clock clock);
    /// Free-running: at normal speed forward, each frame goes out as soon as the last was
    /// taken and the tape moves a frame a frame; otherwise one a frame period by the clock.
    void setFreeRunning(bool on);
    /// While free-running, frames still leave at least this far apart (0: none).
    void setFreeRunningPeriod(std::chrono::microseconds period);
    /// While free-running, each frame waits until `ready` (called without the camcorder's lock)
    /// answers true: a receiver's own flow control. Null: none.
    void setFreeRunningGate(std::function<bool()> ready);

    /// What receives every frame sent to the camcorder (`transmit`), called under the
    /// camcorder's lock on the sender's thread: it must not call the camcorder. Null: none.
    using TransmitSink = std::function<void(std::span<const uint8_t> frame)>;
    void setTransmitSink(TransmitSink sink);
    /// Paced: the camcorder takes one sent frame a frame period by its clock from a queue of
    /// three, `transmit` blocks while the queue is full, and a period with the queue empty
    /// repeats the last frame. Unpaced (the default): every frame is taken at once.
    void setTransmitPacing(bool paced);
    /// Frames sent to the camcorder since the last `startTransmit`.
    int64_t framesTransmitted() const;

    /// The transport's mode as it reports it: an opcode (0xC1..0xC4) and its operand.
    uint8_t modeOpcode() const;
    uint8_t modeOperand() const;
    /// The frame under the head.
    int64_t position() const;
    void setPosition(int64_t frame);
    std::vector<std::vector<uint8_t>> requests() const;
    Frames recorded() const;
    /// Frames sent to receivers since the last start of a receive.
    int64_t framesSent() const;

    /// From tape frame `frame` on, frames carry this recording date and time (seconds from
    /// 1970), a second further every 25 (or 30) frames, until the next such mark.
    void markRecording(int64_t frame, int64_t seconds);

    enum class Fault {
        None,
        Silence,
        Rejected,
        NotImplemented,
        Short,
        ForeignSubunit,
        ForeignOpcode,
        NonBcd
    };
    /// The next `count` replies (any count below 0: all) suffer `fault`.
    void setFault(Fault fault, int count = -1);
    /// No TIME CODE status: the time code is read from the track number.
    void setTimeCodeReader(bool on);
    /// These tape frames arrive incomplete.
    void setIncompleteFrames(std::set<int64_t> frames);
    /// A bus reset now (notices sent; the node keeps its GUID).
    void resetBus();
    /// The next transaction meets a bus reset while in flight.
    void resetDuringNextTransaction();
    /// Takes the camcorder off the bus (lost notice; receiving ends) or puts it back.
    void unplug();
    void plugIn();

    std::vector<ZR1394Node> nodes() override;
    ZR1394Status transact(uint64_t guid, std::span<const uint8_t> request,
                          std::vector<uint8_t>* reply) override;
    bool startReceive(uint64_t guid, FrameSink sink) override;
    void stopReceive(uint64_t guid) override;
    bool startTransmit(uint64_t guid, bool pal) override;
    bool transmit(uint64_t guid, std::span<const uint8_t> frame) override;
    void stopTransmit(uint64_t guid) override;
    int64_t repeatedFrames(uint64_t guid) override;
    int addNoticeSink(NoticeSink sink) override;
    void removeNoticeSink(int id) override;

private:
    void sendLoop();
    /// Moves the tape to the clock's time (locked).
    void advanceLocked();
    /// Frames a second the tape moves in the current mode (0: still).
    double speedLocked() const;
    std::vector<uint8_t> answerLocked(std::span<const uint8_t> request);
    std::vector<uint8_t> frameAtLocked(int64_t frame, bool* complete);
    /// The paced bus takes frames up to the clock's time (locked).
    void drainTransmitLocked();
    void notice(Notice what);

    const uint64_t m_guid;
    const std::string m_label;
    Frames m_tape;
    int64_t m_length = 0;
    bool m_ntsc = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock m_clock;
    bool m_freeRunning = false;
    std::chrono::microseconds m_freePeriod{0};
    std::function<bool()> m_gate;
    uint8_t m_opcode = 0xC4, m_operand = 0x60;
    double m_position = 0;
    int64_t m_lastTick = 0;
    std::vector<std::vector<uint8_t>> m_requests;
    Frames m_recorded;
    std::map<int64_t, int64_t> m_marks;
    Fault m_fault = Fault::None;
    int m_faultCount = 0;
    bool m_timeCodeReader = true;
    std::set<int64_t> m_incomplete;
    bool m_resetInFlight = false;
    bool m_plugged = true;
    bool m_transmitting = false;
    TransmitSink m_transmitSink;
    bool m_paced = false;
    bool m_transmitNtsc = false;
    bool m_txStarted = false;
    double m_txNextMs = 0; ///< when the bus takes its next frame (paced)
    int m_txQueued = 0;
    int64_t m_txTaken = 0;
    int64_t m_txCount = 0;
    int64_t m_txRepeats = 0;

    FrameSink m_sink;
    bool m_receiving = false;
    bool m_inSink = false;
    bool m_quit = false;
    int64_t m_sent = 0;
    std::thread m_thread;

    std::mutex m_noticeMutex;
    std::map<int, NoticeSink> m_noticeSinks;
    int m_nextNotice = 1;
};

} // namespace zrieee1394
