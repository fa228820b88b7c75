#pragma once

#include "capture/ZRDVPathBase.h"

class ZRFileSourceFilter;
class ZRWDMCaptureFilter;
class ZRWDMOutputPath;

/// "dshow file to wdm playback path", device kind 0x002: the fifth text (`setInputFile`, a DV
/// AVI or a ".ovl" list) through a `ZRFileSourceFilter` into a `ZRWDMOutputPath` ending at the
/// device the first text names. `teardown` takes both down again.
/// Thread-safety: GUI thread only.
class ZRWDMPlaybackPath : public ZRDVPathBase {
    Q_OBJECT
public:
    static constexpr long kKind = 0x002;

    explicit ZRWDMPlaybackPath(ZRGraphBase* graph);
    ~ZRWDMPlaybackPath() override;

    ZRFileSourceFilter* source() const { return m_source; }
    ZRWDMOutputPath* output() const { return m_output; }
    /// The device end (null before building).
    ZRWDMCaptureFilter* captureFilter() const override;

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;

protected:
    ZRFileOutputPath* outputPath() const override;

private:
    ZRFileSourceFilter* m_source = nullptr;
    ZRWDMOutputPath* m_output = nullptr;
};
