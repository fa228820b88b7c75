#pragma once

#include "platform/aviwriter/AviWriter.h"
#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// The AVI multiplexer with its file writer: takes captured YUYV frames at "Video" and PCM at
/// "Audio" and writes them into an AVI file through the video compressor named (one that is
/// not found stores the frames as captured, uncompressed 4:2:2); with "Audio" unconnected the
/// file has no sound stream. The sound is the master
/// stream: the file starts with the sound, each frame goes where its time falls on the sound's
/// time line (the two are matched by when their first samples arrived), a frame number skipped
/// repeats the frame before it and a frame that comes too late is dropped, both counted. The file
/// is created when the graph leaves the stopped state and completed when it stops; a failed write
/// posts error abort (3) and keeps what was written up to it. Thread-safety: `receive` from the two
/// upstream threads, serialised by the node's mutex.
class ZRAviCaptureSinkNode final : public ZRGraphNode, public IZRFileSink {
public:
    ZRAviCaptureSinkNode();
    ~ZRAviCaptureSinkNode() override;

    ZRGraphResult setFileName(const std::string& path) override;
    std::string fileName() const override;
    /// The friendly name of the video compressor (AviCompressors.h); empty: none.
    void setVideoCompressor(const std::string& name);
    /// Whether the stream that carries the timing is the sound's (the default).
    void setAudioMaster(bool on) { m_audioMaster = on; }

    int64_t framesWritten() const { return m_frames.load(); }
    int64_t framesRepeated() const { return m_repeated.load(); }
    int64_t framesDropped() const { return m_dropped.load(); }
    /// The writer's code of the failed write that ended the last capture (a negative system
    /// error number such as -ENOSPC, or another writer code); 0 when none failed.
    int writeError() const { return m_error.load(); }
    /// The compressor the file was opened with (kAviUncompressedVideo when stored as captured).
    std::string compressorUsed() const;

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    bool writeFrameLocked(const std::vector<uint8_t>& bgra);
    /// Writes the waiting frames the sound has reached (all that can be, when `ending`).
    void writePendingLocked(bool ending);
    void failLocked(int error);

    mutable std::mutex m_mutex;
    std::string m_path;
    std::string m_compressor;
    std::string m_used;
    bool m_audioMaster = true;
    platform::AviWriter m_writer;
    platform::ffmpeg::SwsConversion m_convert;
    int m_width = 0, m_height = 0;
    ZRMediaTime m_frameDuration = 400000;
    int64_t m_next = 0;
    /// When the first sound and the first frame were captured, on the monotonic clock.
    ZRMediaTime m_audioOrigin = -1, m_videoOrigin = -1;
    std::vector<uint8_t> m_last;
    struct Pending {
        int64_t index;
        std::shared_ptr<const std::vector<uint8_t>> yuyv;
    };
    std::deque<Pending> m_pending;
    int64_t m_audioBytes = 0;
    int m_audioRate = 44100, m_audioBlock = 4;
    bool m_failed = false;
    std::atomic<int64_t> m_frames{0}, m_repeated{0}, m_dropped{0};
    std::atomic<int> m_error{0};
};
