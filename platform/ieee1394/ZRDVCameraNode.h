#pragma once

#include "platform/graph/ZRDroppedFrames.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/ieee1394/IZRAvcTransport.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

/// A DV camcorder or deck on an IEEE 1394 bus as a graph node: its frames come out of
/// "DV A/V Out" (interleaved DV, whole frames only: incomplete ones are counted as dropped),
/// frames reaching "DV A/V In" go to its input plug. It is a clock: the frames it moved, at
/// their rate. Its transport takes AV/C commands in order on a thread of its own. When it
/// leaves the bus while the graph runs, it queues event 0x1F (with itself) and ends its stream,
/// so what was captured is completed.
/// Thread-safety: state changes on the GUI thread; frames arrive on the bus's thread; the
/// transport's queue and the counters are guarded.
class ZRDVCameraNode final : public ZRGraphNode,
                             public IZRAvcTransport,
                             public IZRReferenceClock,
                             public IZRDroppedFrames {
public:
    ZRDVCameraNode(std::shared_ptr<IZR1394Bus> bus, uint64_t guid, std::string label);
    ~ZRDVCameraNode() override;

    const std::string& label() const { return m_label; }
    /// Frames sent to the device since the last start.
    int64_t framesSent() const { return m_sentFrames.load(); }

    void submit(std::vector<uint8_t> request, Done done) override;
    bool isNtsc() const override { return m_ntsc.load(); }
    uint64_t guid() const override { return m_guid; }
    ZRMediaTime clockTime() const override;
    int64_t framesNotDropped() const override { return m_received.load(); }
    int64_t framesDropped() const override { return m_incomplete.load(); }

    ZRGraphResult queryState() const override;
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    /// A sink while frames are sent to the device.
    bool isSink() const override { return inputPin(0)->isConnected(); }

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void transportLoop();
    void frameArrived(std::span<const uint8_t> frame, bool complete);

    std::shared_ptr<IZR1394Bus> m_bus;
    const uint64_t m_guid;
    const std::string m_label;
    int m_noticeId = 0;
    std::atomic<bool> m_ntsc{false};
    std::atomic<bool> m_receiving{false};
    std::atomic<bool> m_transmitting{false};
    std::atomic<bool> m_lost{false};
    std::atomic<int64_t> m_received{0};
    std::atomic<int64_t> m_incomplete{0};
    std::atomic<int64_t> m_sentFrames{0};
    std::atomic<int64_t> m_clockFrames{0};

    struct Job {
        std::vector<uint8_t> request;
        Done done;
    };
    std::mutex m_jobMutex;
    std::condition_variable m_jobWake;
    std::deque<Job> m_jobs;
    bool m_quit = false;
    std::thread m_transportThread;
};
