#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/graph/ZRSampleQueue.h"
#include "platform/segments/ZRSegmentedInput.h"

#include <memory>
#include <string>
#include <thread>

/// A demuxer opened over what a reader reads, with what it reads from (declared first, so it
/// outlives the demuxer).
struct ZRDemuxInput {
    std::unique_ptr<segments::ZRSegmentedInput> list;
    platform::ffmpeg::InputHandle context;
};

/// A reader a splitter pulls its bytes from.
class IZRByteSource {
public:
    virtual ~IZRByteSource() = default;
    /// A demuxer over the loaded file from its start; null when there is none or it does not open.
    virtual std::unique_ptr<ZRDemuxInput> openDemuxer() const = 0;
};

/// A file reader ("Async File Reader"): one file, read by the splitter connected to its
/// output. With `lists` set it is a multi-file reader instead: it loads only segment lists
/// (".mvl" MPEG and ".ovl" DV, by their magic) and reads their segments as one stream.
/// GUI thread only; the splitter opens its own demuxer.
class ZRFileReaderNode final : public ZRGraphNode, public IZRFileSource, public IZRByteSource {
public:
    ZRFileReaderNode(std::string kind, bool lists);

    ZRGraphResult load(const std::string& path) override;
    std::string fileName() const override { return m_path; }
    std::unique_ptr<ZRDemuxInput> openDemuxer() const override;

private:
    bool m_lists;
    std::string m_path;
};

/// A splitter over libavformat: pulls from the reader connected to its input ("Input"), and
/// offers the first video stream at "Video" and the first audio stream at "Audio" once
/// connected, each sample one compressed frame with its time from the file's start. A thread
/// of its own reads from the start at each run from stopped, until the end (end of stream on
/// both outputs) or a stop; each output delivers from a bounded queue on a thread of its own,
/// so that a renderer waiting for its time never starves the other stream (and its clock).
class ZRSplitterNode final : public ZRGraphNode {
public:
    explicit ZRSplitterNode(std::string kind);
    ~ZRSplitterNode() override;

    ZRGraphResult checkConnect(ZRGraphPin* own, const ZRMediaType& type) override;
    void connected(ZRGraphPin* own) override;
    void disconnected(ZRGraphPin* own) override;
    void beginStop() override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void readLoop();
    void deliverLoop(int output);

    std::unique_ptr<ZRDemuxInput> m_input;
    /// Video, audio: about three seconds of frames each.
    ZRSampleQueue m_queues[2] = {ZRSampleQueue(80), ZRSampleQueue(160)};
    std::thread m_deliverThreads[2];
    int m_videoStream = -1, m_audioStream = -1;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

/// A live source of DV frames from a raw DV file (144000-byte PAL or 120000-byte NTSC frames,
/// by its first frame's header), delivered at "DV A/V Out" in real time by the graph's clock
/// from a thread of its own, the file read again from its start when it ends, until `frames`
/// were delivered (then end of stream). Each frame's sequence number counts from 0 at the run.
/// Paused, it cannot cue (a live source delivers nothing then).
class ZRDVFileSourceNode final : public ZRGraphNode {
public:
    ZRDVFileSourceNode(std::string path, int64_t frames);
    ~ZRDVFileSourceNode() override;

    /// False when the file holds no whole DV frame.
    bool isValid() const { return m_frameSize > 0; }
    bool isPal() const { return m_pal; }
    int64_t sent() const { return m_sent.load(); }

    ZRGraphResult queryState() const override;
    void beginStop() override { m_quit.store(true); }

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void pushLoop();

    std::string m_path;
    int64_t m_frames;
    size_t m_frameSize = 0;
    bool m_pal = true;
    std::atomic<bool> m_quit{false};
    std::atomic<int64_t> m_sent{0};
    std::thread m_thread;
};
