#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <deque>
#include <memory>
#include <mutex>

/// "DV Mux": whole DV frames at "Video" and 16-bit PCM at "Audio" in, interleaved DV frames out
/// at "DV A/V Out", made by libavformat's DV muxer (the video blocks kept, the sound written
/// into the frame's audio blocks). A frame goes out once the sound that plays during it has
/// arrived, or the sound has ended (silence then); without a connected "Audio" the frames keep
/// no sound. Frames that are not whole are dropped.
/// Thread-safety: the two inputs arrive on different threads; a mutex serialises them and
/// the frames go out under it, in order.
class ZRDVMuxNode final : public ZRGraphNode {
public:
    ZRDVMuxNode();
    ~ZRDVMuxNode() override;

    int64_t framesOut() const { return m_out; }

    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void endOfStream(ZRGraphPin* input) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    struct Muxer;
    /// Sends every frame whose sound is there (locked).
    void pumpLocked();

    std::mutex m_mutex;
    std::unique_ptr<Muxer> m_muxer;
    std::deque<ZRMediaSample> m_video;
    std::deque<int16_t> m_audio;
    bool m_videoEnded = false, m_audioEnded = false, m_sentEnd = false;
    int64_t m_frames = 0;
    int64_t m_out = 0;
};
