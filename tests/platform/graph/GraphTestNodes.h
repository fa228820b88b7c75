#pragma once

#include "platform/dvcodec/DVEncoder.h"
#include "platform/graph/ZRGraphNode.h"

#include <QString>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// Nodes and fixtures the graph tests share.
namespace graphtest {

/// Records the order of its state changes into a shared log and refuses the first `refusals`
/// changes to `refuseState`.
class LoggingNode : public ZRGraphNode {
public:
    LoggingNode(std::vector<std::string>* log, bool input, bool output)
        : ZRGraphNode("Logging"), m_log(log) {
        if (input) addPin(ZRGraphPin::Direction::Input, "In", {});
        if (output) addPin(ZRGraphPin::Direction::Output, "Out", {"vids", {}});
    }
    int refusals = 0;
    ZRGraphState refuseState = ZRGraphState::Running;
    int attempts = 0;
    ZRGraphResult reportState = kZRGraphOk;

    ZRGraphResult queryState() const override { return reportState; }

protected:
    ZRGraphResult onPause(ZRGraphState) override { return change(ZRGraphState::Paused, "pause"); }
    ZRGraphResult onRun() override { return change(ZRGraphState::Running, "run"); }
    ZRGraphResult onStop() override { return change(ZRGraphState::Stopped, "stop"); }

private:
    ZRGraphResult change(ZRGraphState to, const char* what) {
        if (to == refuseState) {
            ++attempts;
            if (refusals > 0) {
                --refusals;
                return kZRGraphFail;
            }
        }
        if (m_log) m_log->push_back(name() + " " + what);
        return kZRGraphOk;
    }
    std::vector<std::string>* m_log;
};

/// Pushes `count` frames from a thread of its own once running: frame n holds `sizeOf(n)` bytes,
/// each n & 0xFF, and carries n as its sequence number.
class PatternSource : public ZRGraphNode {
public:
    explicit PatternSource(int64_t count) : ZRGraphNode("Pattern"), m_count(count) {
        addPin(ZRGraphPin::Direction::Output, "Out", {"iavs", "dvvideo"});
    }
    ~PatternSource() override { (void)onStop(); }
    static size_t sizeOf(int64_t n) { return 100 + size_t(n % 977); }
    std::atomic<bool> done{false};
    /// Frames before which the source waits, with `waitingAt` set, until it is cleared to -1.
    int64_t gateA = -1, gateB = -1;
    std::atomic<int64_t> waitingAt{-1};

protected:
    ZRGraphResult onRun() override {
        if (m_thread.joinable()) return kZRGraphOk;
        m_thread = std::thread([this] {
            for (int64_t n = 0; n < m_count && !m_quit.load(); ++n) {
                if (n == gateA || n == gateB) {
                    waitingAt.store(n);
                    while (waitingAt.load() == n && !m_quit.load())
                        std::this_thread::yield();
                }
                ZRMediaSample s = ZRMediaSample::fromBytes(
                    std::vector<uint8_t>(sizeOf(n), uint8_t(n & 0xFF)), n * 400000);
                s.sequence = n;
                deliver(outputPin(0), s);
            }
            done.store(true);
            if (!m_quit.load()) deliverEndOfStream(outputPin(0));
        });
        return kZRGraphOk;
    }
    ZRGraphResult onStop() override {
        m_quit.store(true);
        if (m_thread.joinable()) m_thread.join();
        m_quit.store(false);
        return kZRGraphOk;
    }

private:
    int64_t m_count;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

/// Takes every sample and checks it is whole: the size and every byte its sequence number says.
class CheckingSink : public ZRGraphNode {
public:
    explicit CheckingSink(bool slow = false) : ZRGraphNode("Checking"), m_slow(slow) {
        addPin(ZRGraphPin::Direction::Input, "In", {});
    }
    bool isSink() const override { return true; }
    void receive(ZRGraphPin*, const ZRMediaSample& s) override {
        const int64_t n = s.sequence;
        bool whole = s.data && s.data->size() == PatternSource::sizeOf(n);
        for (size_t i = 0; whole && i < s.data->size(); ++i)
            whole = (*s.data)[i] == uint8_t(n & 0xFF);
        std::lock_guard lock(mutex);
        if (!whole) ++broken;
        if (n <= last) ++outOfOrder;
        last = n;
        ++received;
        if (m_slow) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::mutex mutex;
    int64_t received = 0, broken = 0, outOfOrder = 0, last = -1;

private:
    bool m_slow;
};

/// Writes `frames` PAL DV frames (a moving grey ramp) to `path` as a raw DV file.
inline bool writeRawDV(const std::string& path, int frames) {
    platform::DVEncoder encoder;
    std::vector<unsigned char> pixels(720 * 576 * 4);
    std::vector<unsigned char> frame(144000);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = true;
    for (int f = 0; f < frames && ok; ++f) {
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t((i / 4 + f * 8) & 0xFF);
        size_t length = 0;
        ok = encoder.encode(pixels.data(), 720 * 4, 720, 576, frame, length) ==
                 platform::DVStatus::Ok &&
             std::fwrite(frame.data(), 1, length, out) == length;
    }
    return std::fclose(out) == 0 && ok;
}

} // namespace graphtest
