#pragma once

#include "editor/ZRScopedPos.h"

#include <QThread>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class IZRPos;
class IZRTimeline;

/// The producer of real-time DV play: builds DV frames of the timeline with their share of the
/// mix ahead of the sender, in a ring of ten slots.
///
/// Each frame comes from the engine's DV output (`dvOutputFrame`); its size and the DSF bit of
/// its header choose the system, so the audio request (1600 or 1920 pairs a block) and the
/// cadence (1600, 1602 x 4 or 1920 pairs a frame) follow the frame, not a setting. The frame gets
/// the cadence's pairs of 48 kHz 16-bit stereo (`dvInsertAudio`); past the range's end, or when
/// the engine gives no sound, silence. A frame the engine could not make fills its slot with
/// size 0: the sender sends nothing for it and the next frames keep their places.
///
/// Thread-safety: the constructor fills all ten slots on the caller's thread; then `run` (the
/// thread) writes only slots whose ready flag is clear and sets the flag last (release); the
/// sender (`nextFrame`, `release`) reads only slots whose flag is set (acquire) and clears it
/// after use. The stop request and the finished flag are atomics. The engine's timeline is used
/// by the producer alone while it runs.
class ZRLiveOutputThread : public QThread {
    Q_OBJECT
public:
    static constexpr int kSlots = 10;
    static constexpr size_t kFrameBytes = 144000;
    static constexpr size_t kAudioBytes = 9000;
    static constexpr int kRate = 48000;

    /// One built frame: its bytes (`size` of them; 0 when the engine gave none), the frame's
    /// number since the start (its stamp) and its ready flag.
    struct Slot {
        std::array<uint8_t, kFrameBytes> frame{};
        int size = 0;
        int64_t stamp = -1;
        std::atomic<bool> ready{false};
    };

    /// Plays from `start` to before `end`; with `loop`, from `loopStart` again after `end`.
    /// Copies the positions, starts the engine's mix at `start` and fills the ten slots.
    ZRLiveOutputThread(IZRTimeline* timeline, const IZRPos* end, const IZRPos* start,
                       const IZRPos* loopStart, bool loop);
    /// Stops the thread and waits for it.
    ~ZRLiveOutputThread() override;

    /// The next slot in ring order once it is ready. While it waits, `waitStep` runs (the
    /// sender processes its events there); when it answers false, or the producer stopped, the
    /// wait ends with null.
    Slot* nextFrame(const std::function<bool()>& waitStep);
    /// Hands a slot back to the producer after sending it.
    void release(Slot* slot);

    void requestStop() { m_stop.store(true, std::memory_order_release); }
    /// Requests the stop and returns once `run` has ended (its finished flag seen, so that
    /// everything it wrote is visible to the caller).
    void stopAndWait();
    bool stopRequested() const { return m_stop.load(std::memory_order_acquire); }
    bool hasFinished() const { return m_finished.load(std::memory_order_acquire); }
    int64_t produced() const { return m_produced.load(std::memory_order_acquire); }
    int64_t consumed() const { return m_consumed; }

protected:
    void run() override;

private:
    /// Builds the next frame into `slot`; false when the range is over (no loop).
    bool build(Slot& slot);
    /// Fills `pairs` pairs of the frame's sound into the audio buffer.
    void takeAudio(int pairs, bool system50);

    IZRTimeline* m_timeline;
    ZRScopedPos m_end, m_video, m_audio, m_start;
    bool m_loop;
    std::unique_ptr<Slot[]> m_ring;
    std::array<uint8_t, kAudioBytes> m_audioBuffer{};
    const uint8_t* m_chunk = nullptr;
    int m_chunkBytes = 0;
    int m_chunkUsed = 0;
    bool m_system50 = true;
    std::atomic<int64_t> m_produced{0};
    int64_t m_consumed = 0; ///< the sender's alone
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
};
