#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class IZRDevice;
class IZRPos;
class IZRTimeline;
class ZRLiveOutputThread;
class ZRSBPSlider;

/// The DV live output of the produce page: the timeline sent as DV to a camcorder or deck,
/// frame by frame as the user moves (`sendFrameAt`, sound muted) or in real time over the
/// marked range (`playRange`), with the device's transport passed through.
///
/// Closed -> open (`open`) -> closed (`close`, the destructor). `open` starts the engine's DV
/// output and opens the device ("Live Output"); a failed device open stops the DV output again
/// and leaves no device. While `playRange` runs the state object's export-running flag is set
/// (so `sendFrameAt` does nothing) and the GUI processes its events between frames: the owner
/// must not destroy the object then, but request a stop (`isPlaying`, the state object's stop
/// request) and destroy it after `playRange` returned.
/// Thread-safety: GUI thread only; `playRange` runs the producer thread beside it.
class ZRLiveOutput {
public:
    static constexpr const char* kDeviceUser = "Live Output";
    static constexpr const char* kAvcKey = "AVC";

    /// `timeline` is not owned and outlives the object.
    explicit ZRLiveOutput(IZRTimeline* timeline);
    ~ZRLiveOutput();
    ZRLiveOutput(const ZRLiveOutput&) = delete;
    ZRLiveOutput& operator=(const ZRLiveOutput&) = delete;

    /// Starts the engine's DV output and opens the device `deviceName` for frames of
    /// `frameSize` bytes; true when open.
    bool open(const QString& deviceName, int frameSize);
    /// Closes the device, stops the DV output and forgets the position; nothing when closed.
    void close();
    /// Sends the frame at `position`, its sound muted, unless closed or an export or play runs.
    /// A frame the engine cannot make (null, or not 120000 or 144000 bytes) sends nothing.
    void sendFrameAt(IZRPos* position);
    /// Passes a transport code to the device ("AVC"); nothing when closed.
    void sendCommand(long code);
    /// The device's transport state as a transport code; 0 when closed or unreadable.
    void queryState(long* out);
    /// Plays the slider's marked range to the device in real time (the device's writes pace
    /// it), from the live position when it lies inside the range; with `loop` until a stop is
    /// requested. Ends on the last frame sent, repeated once with its sound muted.
    void playRange(ZRSBPSlider* slider, bool loop);

    bool isOpen() const { return m_open; }
    bool isPlaying() const { return m_playing; }
    IZRDevice* device() const { return m_device.get(); }
    /// The live position (null when closed): where `sendFrameAt` and play left the device.
    IZRPos* position() const { return m_position; }
    /// The last frame sent by `sendFrameAt` or at the end of play, and its size (0: none).
    const uint8_t* frame() const { return m_frame.data(); }
    int frameSize() const { return m_frameSize; }
    /// The producer while `playRange` runs (for measurements), else null.
    const ZRLiveOutputThread* producer() const { return m_producer; }

private:
    bool writeFrame(const uint8_t* data, int size);

    IZRTimeline* m_timeline;
    std::unique_ptr<IZRDevice> m_device;
    bool m_open = false;
    bool m_playing = false;
    IZRPos* m_position = nullptr;
    std::array<uint8_t, 144000> m_frame{};
    int m_frameSize = 0;
    const ZRLiveOutputThread* m_producer = nullptr;
};
