#pragma once

#include "capture/ZRDVPathBase.h"

class ZRFileOutputPath;
class ZRWDMCaptureFilter;

/// "dshow wdm to file capture path", device kind 0x001: the device named by the first text
/// (`setDeviceName`) through a `ZRWDMCaptureFilter` into a `ZRFileOutputPath` writing the
/// sixth text (`setOutputFile`) with the split limit (kilobytes) and scene split; a DV device
/// (family bit 2) is the graph's clock. `teardown` takes both down again. Scene split is the
/// path base's second-path flag, which the graph factory hands over.
/// Thread-safety: GUI thread only.
class ZRWDMCapturePath : public ZRDVPathBase {
    Q_OBJECT
public:
    static constexpr long kKind = 0x001;

    explicit ZRWDMCapturePath(ZRGraphBase* graph);
    ~ZRWDMCapturePath() override;

    void setSceneSplit(bool on) { setSecondPathFlag(on); }
    ZRWDMCaptureFilter* captureFilter() const override { return m_capture; }
    ZRFileOutputPath* fileOutput() const { return m_output; }

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;

protected:
    ZRFileOutputPath* outputPath() const override { return m_output; }

private:
    ZRWDMCaptureFilter* m_capture = nullptr;
    ZRFileOutputPath* m_output = nullptr;
};
