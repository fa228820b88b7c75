#pragma once

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"

#include <mutex>
#include <string>

/// "Dump": writes every sample it receives, unchanged and in order, to its file. The file is
/// created (replacing one of that name) when the graph leaves the stopped state and closed,
/// with every byte written, when it stops. A write that fails queues an error abort event and
/// drops what follows. Without a file name it takes the stream and writes nothing.
/// Thread-safety: `receive` on one upstream thread; the file is guarded by a mutex.
class ZRDumpNode final : public ZRGraphNode, public IZRFileSink {
public:
    ZRDumpNode();
    ~ZRDumpNode() override;

    ZRGraphResult setFileName(const std::string& path) override;
    std::string fileName() const override;
    /// Bytes written since the last start.
    int64_t written() const;

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void closeLocked();

    mutable std::mutex m_mutex;
    std::string m_path;
    int m_fd = -1;
    bool m_failed = false;
    int64_t m_written = 0;
};
