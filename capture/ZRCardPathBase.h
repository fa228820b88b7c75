#pragma once

#include "capture/ZRAVProp.h"
#include "capture/ZRFilterPathBase.h"
#include "capture/ZRGraphFactoryPath.h"

class ZRV4l2CaptureNode;

/// What the capture-card and MPEG-encoder paths share over the path base: their device node,
/// the picture controls, TV formats and inputs read and written through it, and the stream
/// pair. Property reads clear their outputs first and answer false when the graph or the device
/// filter is missing. The graph factory reaches them through `IZRFactoryPath`: its run
/// operation is the path's `stream`, its property writes the path's `setProperty`.
/// Thread-safety: GUI thread only.
class ZRCardPathBase : public ZRFilterPathBase, public IZRFactoryPath {
    Q_OBJECT
public:
    ZRCardPathBase(ZRGraphBase* graph, const char* name);

    /// Switches the capture streams (`capture`) and the preview (`preview`): 1 on, 0 off,
    /// other values leave them; what a capture start does is the path's.
    virtual ZRGraphResult stream(int capture, int preview) = 0;

    // IZRFactoryPath
    bool runPath(long capture, long preview) override;
    bool setAVProp(long code, long value) override { return setProperty(code, value, {}); }
    /// Only the TV format (9) is set by name.
    bool setAVPropName(long code, const QString& name) override;
    /// The device node's counts of frames taken and lost; false for an MPEG encoder's stream.
    bool frameCounts(long* captured, long* dropped) const override;

    /// The page's stop reason for a writer's system error number: 2 for no space (ENOSPC,
    /// EDQUOT), 3 for a file too large (EFBIG), 0 for any other or none.
    static int stopReasonOf(int errorNumber);

    /// The capture flag and the preview flag of the last stream operation.
    int captureFlag() const { return m_capture; }
    int previewFlag() const { return m_preview; }
    /// The device node, null without a graph or device.
    ZRV4l2CaptureNode* deviceNode() const;

    /// The TV format names of the standard's family the device offers (NTSC family for
    /// standard 1, else PAL and SECAM) and the index of the current one (-1: none of them).
    QStringList tvFormatNames(int* current) const;
    /// The analog standard bits behind `tvFormatNames`' entries, in the same order.
    std::vector<uint32_t> tvFormats() const;

protected:
    /// Writes property `code`: `value`, or for the TV format the entry named `name` when one is
    /// given (an unknown name changes nothing and answers false).
    virtual bool setProperty(long code, long value, const QString& name) = 0;
    /// Proc-amp property 0-4: value, low and high.
    bool readProcAmp(int property, ZRAVProp* out) const;
    bool writeProcAmp(int property, long value);
    /// Code 9: the list and the current one.
    bool readTVFormats(ZRAVProp* out) const;
    /// Code 9: by the name the page passes, else by index.
    bool writeTVFormat(long index, const QString& name);

    int m_capture = 0;
    int m_preview = 0;
};

/// Connects a demultiplexer's "Video" pin through `videoDecoder` and a live-preview node (added
/// to `g`, its id left in `*live`) to `videoRenderer`, and its "Audio" pin, where it has one,
/// through `audioDecoder` to `audioRenderer`; filters the graph does not hold are skipped.
void zrConnectLiveDecoders(ZRGraphBase* g, ZRGraphNode* demux, ZRGraphBase::Filter videoDecoder,
                           ZRGraphBase::Filter videoRenderer, ZRGraphBase::Filter audioDecoder,
                           ZRGraphBase::Filter audioRenderer, ZRGraphBase::Filter* live);
