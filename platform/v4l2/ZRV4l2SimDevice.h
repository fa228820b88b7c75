#pragma once

#include "platform/v4l2/ZRSimMpegEncoder.h"
#include "platform/v4l2/ZRV4l2Io.h"
#include "platform/v4l2/ZRV4l2Query.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

/// A V4L2 node without hardware, answering below the seam as a driver would: a capture card
/// (inputs, standards, sizes, controls, a tuner, numbered YUYV frames by streaming I/O), an
/// MPEG encoder (its stream encoded live at its controls' settings, as time passes when paced,
/// read in runs of any length, ended by the encoder's stop command) or an output (recording what it
/// is given). On demand it skips frame numbers, marks buffers as errors, fails with ENODEV or EIO,
/// adjusts sizes or answers with arbitrary bytes.
namespace zrv4l2 {

/// What a simulated node is and offers; tests set it before the node is opened.
struct SimConfig {
    std::string card = "Simulated Capture Card";
    std::string driver = "clipstead-sim";
    std::string busInfo = "platform:sim-0";
    enum class Mode { Uncompressed, Mpeg, Output } mode = Mode::Uncompressed;
    std::vector<Input> inputs;
    std::vector<Standard> standards;
    /// Sizes offered (discrete), and widths the driver answers instead of the one asked for.
    std::vector<std::pair<int, int>> sizes;
    std::map<int, int> adjustWidth;
    /// Controls with their current values (menus list their entries).
    std::vector<Control> controls;
    bool tuner = false;
    /// Frames a second of the pace (0: frames come as fast as they are asked for). Paced, frames
    /// not taken in their time are lost, their numbers skipped, as a card drops them.
    double speed = 0;
    /// Bytes an MPEG read returns at most (0: what was asked).
    size_t readChunk = 0;
    /// The card of a preset: a PAL capture card with three inputs and a tuner; an MPEG encoder.
    static SimConfig captureCard(std::string card);
    static SimConfig mpegEncoder(std::string card);
    static SimConfig output(std::string card);
};

/// What a simulated node received and did.
/// Thread-safety: everything locks the node.
class SimDevice final : public IZRV4l2Io {
public:
    explicit SimDevice(SimConfig config);
    ~SimDevice() override;

    int ioctl(unsigned long request, void* arg) override;
    ssize_t read(void* data, size_t size) override;
    ssize_t write(const void* data, size_t size) override;
    void* map(size_t length, long offset) override;
    void unmap(void* address, size_t length) override;
    void setStopped(bool on) override { m_stopped.store(on); }

    // Faults, from any thread.
    /// Frame numbers to skip (the frame after each is numbered one higher).
    void skipFrames(std::set<int64_t> sequences);
    /// Frames handed out with the error flag set.
    void errorFrames(std::set<int64_t> sequences);
    /// From the `after`-th capture read or dequeue on, every call fails with `error` (-ENODEV,
    /// -EIO).
    void failAfter(int64_t after, int error);
    /// Every reply is overwritten with bytes from `source` (the fuzzers' node).
    void setOddReplies(std::function<void(void* arg, size_t size)> source);

    // What it received.
    /// Controls set, in order, as (id, value).
    std::vector<std::pair<uint32_t, int32_t>> controlsReceived() const;
    int32_t controlValue(uint32_t id) const;
    uint32_t currentInput() const;
    v4l2_std_id currentStandard() const;
    PixFormat format() const;
    std::vector<uint8_t> outputBytes() const;
    uint32_t frequency() const;
    uint32_t audioMode() const;
    /// Frames made so far (since the last start); MPEG packs handed out by reads.
    int64_t framesMade() const;
    int64_t packsMade() const;

    /// The number a YUYV frame shows (its first 32 blocks of 16 x 8 pixels are its bits):
    /// -1 when the picture is too small.
    static int64_t frameNumberOf(const uint8_t* yuyv, int width, int height, int stride);
    /// The same on a 32-bit BGRA picture, reading luminance.
    static int64_t frameNumberOfBgra(const uint8_t* bgra, int width, int height, int stride);

private:
    int ioctlLocked(unsigned long request, void* arg);
    Control* findControl(uint32_t id);
    void fillFrame(uint8_t* yuyv, int64_t number) const;
    bool paceWait(int64_t frame);
    /// Paced, encodes the MPEG pictures whose time has come; false when encoding fails.
    bool encodeDueLocked();
    bool readFault(int* error);
    SimMpegSettings mpegSettings() const;

    mutable std::mutex m_mutex;
    SimConfig m_config;
    uint32_t m_input = 0;
    v4l2_std_id m_standard = 0;
    PixFormat m_format;
    std::vector<std::pair<uint32_t, int32_t>> m_received;
    uint32_t m_frequency = 0;
    uint32_t m_audioMode = V4L2_TUNER_MODE_STEREO;
    std::vector<uint8_t> m_output;

    struct Buffer {
        std::vector<uint8_t> memory;
        bool queued = false;
    };
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    int64_t m_sequence = 0; ///< the next frame's number
    int64_t m_made = 0;
    int64_t m_calls = 0;
    int64_t m_readBytes = 0;
    int m_packSize = 0;
    std::set<int64_t> m_skip, m_errors;
    int64_t m_failAfter = -1;
    int m_failError = 0;
    std::function<void(void*, size_t)> m_odd;
    SimMpegEncoder m_encoder;
    std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_stopped{false};
    bool m_encoderStopped = false; ///< the stop command came: reads drain, then end
};

} // namespace zrv4l2
