#pragma once

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/segments/ZRMpegSegmentWriter.h"

#include <mutex>
#include <string>

/// The multi-file writer's split interface: method 3 sets the split limit in kilobytes.
class IZRSplitControl {
public:
    virtual ~IZRSplitControl() = default;
    virtual ZRGraphResult setSplitLimit(int64_t kilobytes) = 0;
};

/// The Intelli-Writer's interface: method 5 prepares, method 7 starts a new recording at the
/// next pack that holds a sequence header.
class IZRIntelliWriter {
public:
    virtual ~IZRIntelliWriter() = default;
    virtual ZRGraphResult prepare() = 0;
    virtual ZRGraphResult startNewRecording() = 0;
};

/// "Orvand MVL MultiFile Writer": writes the MPEG program stream it receives at "Input" into
/// segment files and their "OVMP" list (see ZRMpegSegmentWriter.h). The writing starts when
/// the graph leaves the stopped state and completes when it stops. A failed write posts error
/// abort (3), the segments and the list staying whole; without a file name it takes the stream
/// and writes nothing.
/// Thread-safety: `receive` on one upstream thread; the writer is guarded by the node's mutex.
class ZRMvlWriterNode : public ZRGraphNode, public IZRFileSink, public IZRSplitControl {
public:
    ZRMvlWriterNode();
    ~ZRMvlWriterNode() override;

    ZRGraphResult setFileName(const std::string& path) override;
    std::string fileName() const override;
    ZRGraphResult setSplitLimit(int64_t kilobytes) override;
    int64_t splitLimit() const;
    /// The write the segment files use (tests make it fail); set while stopped.
    void setWriteFunction(segments::ZRMpegSegmentWriter::WriteFn write);

    int64_t packsWritten() const;
    std::vector<std::string> segmentFiles() const;
    std::string lastError() const;
    /// The system error number of the last capture's failed write (ENOSPC, ...); 0 when none.
    int lastErrorNumber() const;

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    explicit ZRMvlWriterNode(std::string kind);
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;
    /// Called with the mutex held after the writer opened.
    virtual void openedLocked(segments::ZRMpegSegmentWriter&) {}

    mutable std::mutex m_mutex;
    std::unique_ptr<segments::ZRMpegSegmentWriter> m_writer;

private:
    std::string m_path;
    int64_t m_limit = segments::ZRMpegSegmentWriter::kDefaultLimitKB;
    segments::ZRMpegSegmentWriter::WriteFn m_write;
    std::vector<std::string> m_segments;
    int64_t m_packs = 0;
    std::string m_error;
    int m_errno = 0;
};

/// "Orvand MVL MultiFile Intelli-Writer": the writer with its Intelli interface. Once prepared
/// it writes nothing until a recording starts; a recording lasts until the graph stops.
class ZRMvlIntelliWriterNode final : public ZRMvlWriterNode, public IZRIntelliWriter {
public:
    ZRMvlIntelliWriterNode();
    ZRGraphResult prepare() override;
    ZRGraphResult startNewRecording() override;
    bool isRecording() const;
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    void openedLocked(segments::ZRMpegSegmentWriter& writer) override;
    ZRGraphResult onStop() override;

private:
    bool m_prepared = false;
    bool m_recording = false;
};
