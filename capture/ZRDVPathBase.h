#pragma once

#include "capture/ZRFilterPathBase.h"
#include "capture/ZRGraphFactoryPath.h"

class ZRFileOutputPath;
class ZRWDMCaptureFilter;

/// What the two camera paths (DV capture 0x001, DV playback 0x002) give the graph factory: the
/// stream pair switches the smart tee's capture outputs (0, 1) and preview outputs (2, 3); the
/// camera transport requests, the links of the transport controller and the time-code display,
/// the device filter, the DV format and the preview size go to the path's
/// `ZRWDMCaptureFilter`; frame counts are those since the capture streams were last switched
/// on, and the writer's stop reason is read from the scene-split writer.
///
/// The links are kept and connected each time the capture filter is made (`linkCaptureFilter`
/// after the build), so they may be set before or after `connectInternal`.
/// Thread-safety: GUI thread only.
class ZRDVPathBase : public ZRFilterPathBase, public IZRFactoryPath {
    Q_OBJECT
public:
    ZRDVPathBase(ZRGraphBase* graph, const char* name);
    ~ZRDVPathBase() override;

    /// The camera's filter (null before building).
    virtual ZRWDMCaptureFilter* captureFilter() const = 0;

    bool runPath(long capture, long preview) override;
    void setCamState(long request, long value) override;
    void setSignalLinks(const ZRSignalLink& stateSignal, const ZRSignalLink& stateSlot,
                        const ZRSignalLink& timecodeSlot) override;
    ZRGraphBase::Filter deviceFilter() const override;
    std::optional<long> dvVideoFormat() const override;
    bool frameCounts(long* captured, long* dropped) const override;
    int writerStopReason() const override;
    bool resizePreview(int width, int height) override;

protected:
    /// The partial path that holds the smart tee and the preview (null before building).
    virtual ZRFileOutputPath* outputPath() const = 0;
    /// Connects the kept links to the capture filter just made.
    void linkCaptureFilter();

private:
    /// Frames the device took in and all frames lost on the way, as they stand now.
    void countFrames(int64_t* taken, int64_t* dropped) const;

    ZRSignalLink m_stateSignal;
    ZRSignalLink m_stateSlot;
    ZRSignalLink m_timecodeSlot;
    int64_t m_takenAtStart = 0;
    int64_t m_droppedAtStart = 0;
};
