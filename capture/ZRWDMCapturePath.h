#pragma once

#include "capture/ZRFilterPathBase.h"

class ZRFileOutputPath;
class ZRWDMCaptureFilter;

/// "dshow wdm to file capture path", device kind 0x001: the device named by the first text
/// (`setDeviceName`) through a `ZRWDMCaptureFilter` into a `ZRFileOutputPath` writing the
/// sixth text (`setOutputFile`) with the split limit (kilobytes) and scene split; a DV device
/// (family bit 2) is the graph's clock. `teardown` takes both down again.
/// Thread-safety: GUI thread only.
class ZRWDMCapturePath : public ZRFilterPathBase {
    Q_OBJECT
public:
    static constexpr long kKind = 0x001;

    explicit ZRWDMCapturePath(ZRGraphBase* graph);
    ~ZRWDMCapturePath() override;

    void setSceneSplit(bool on) { m_sceneSplit = on; }
    ZRWDMCaptureFilter* captureFilter() const { return m_capture; }
    ZRFileOutputPath* fileOutput() const { return m_output; }

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;

private:
    ZRWDMCaptureFilter* m_capture = nullptr;
    ZRFileOutputPath* m_output = nullptr;
    bool m_sceneSplit = false;
};
