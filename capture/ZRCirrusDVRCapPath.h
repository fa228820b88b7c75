#pragma once

#include "capture/ZRCardPathBase.h"

/// The Cirrus DVR capture path (kind 0x021, "dshow CLDVR capture path"): sets the board up
/// through its numbered control methods (those whose arguments show their meaning become V4L2
/// requests: 30 bit rate, 32 stream code, 7 and 8 standard, 3 and 4 input; the others are passed
/// on in order), writes the stream through the "CLDVR Splitter" to "<output>.mpg" and previews
/// it: splitter -> demultiplexer -> MPEG video decoder -> video renderer, -> MPEG audio decoder
/// -> audio renderer. A capture flag of 1 stops the graph, switches the splitter's writing on
/// (method 9 with 1) and runs it again. Input, tuner dialog and TV format writes are refused
/// while capturing.
/// Thread-safety: GUI thread only.
class ZRCirrusDVRCapPath final : public ZRCardPathBase {
    Q_OBJECT
public:
    static constexpr int kKind = 0x021;

    explicit ZRCirrusDVRCapPath(ZRGraphBase* graph);
    ~ZRCirrusDVRCapPath() override;

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    /// Only stored: the splitter writes one file.
    void setSplitLimit(long limit) override { m_splitLimit = limit; }
    /// As the Kestrel 250 paths'.
    void setCaptureSettings(const long* values, int count) override;

    ZRGraphResult stream(int capture, int preview) override;
    bool getAVProp(long code, ZRAVProp* out) override;
    /// From the splitter's failed write.
    int writerStopReason() const override;

    Filter splitter() const { return m_cldvr; }
    /// The input list's index of a board input (1 -> 1, 2 -> 2, 3 -> 0, 4 -> 1, 5 -> 3, else 0).
    static int inputIndexOfBoard(int32_t board);
    /// The board input of a list index (1 -> 1, 2 -> 2, 3 -> 5, else 0).
    static int32_t boardInputOfIndex(long index);

Q_SIGNALS:
    void propertyDialogRequested(int code);

protected:
    bool setProperty(long code, long value, const QString& name) override;

private:
    Filter m_cldvr = 0;
    Filter m_live = 0;
};
