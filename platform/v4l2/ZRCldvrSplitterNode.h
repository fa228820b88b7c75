#pragma once

#include "platform/v4l2/ZRMvlWriterNode.h"

#include <string>
#include <utility>
#include <vector>

/// The Cirrus board's splitter control interface: numbered methods, 15 the output file name
/// (as a wide string, taken whole however long) and 9 the writing switch (1 writes).
class IZRSplitterControl {
public:
    virtual ~IZRSplitterControl() = default;
    virtual ZRGraphResult splitterMethod(int method, int32_t argument) = 0;
    virtual ZRGraphResult setOutputFileName(const std::u16string& name) = 0;
};

/// "CLDVR Splitter": takes the board's program stream at "Input", passes it on unchanged at
/// "Output" (for the preview) and, while writing is switched on, writes it whole to the file
/// it was given, cut only at pack starts like the multi-file writer (a capture that outgrows
/// the largest segment continues in "<base>02.mpg" with a list). Methods without a meaning of
/// their own are recorded.
/// Thread-safety: `receive` on one upstream thread; the rest under the writer's mutex.
class ZRCldvrSplitterNode final : public ZRMvlWriterNode, public IZRSplitterControl {
public:
    ZRCldvrSplitterNode();

    ZRGraphResult splitterMethod(int method, int32_t argument) override;
    ZRGraphResult setOutputFileName(const std::u16string& name) override;
    /// The methods recorded, in order: (method, argument).
    std::vector<std::pair<int, int32_t>> methods() const;
    bool isWriting() const;

    bool isSink() const override { return false; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

private:
    std::vector<std::pair<int, int32_t>> m_methods;
    bool m_writing = false;
};
