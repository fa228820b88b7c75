#pragma once

#include "capture/ZRAVProp.h"
#include "capture/ZRDeviceInfo.h"
#include "capture/ZRFilterPathBase.h"

#include <QByteArray>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

/// A signal or slot that the graph factory hands to the camera paths: an object and a method
/// signature in Qt's normalised form ("rcStateChanged(long,long)"), found through the object's
/// meta-object. An empty link is none.
struct ZRSignalLink {
    QPointer<QObject> object;
    QByteArray method;
};

/// The operations of a device path that only the graph factory calls, beyond the path base:
/// running, device properties, formats, camera transport, the device filter the factory
/// compares a lost device with, and what the capture writer reports. A path class inherits it
/// next to `ZRFilterPathBase`; every operation has a default that does nothing and reports
/// failure, so a path implements only what its kind has. Same thread rule as the path.
class IZRFactoryPath {
public:
    virtual ~IZRFactoryPath() = default;

    /// Switches the capture streams (`capture`) and the preview (`preview`) on (1) or off (0).
    /// False for a kind that has no run operation.
    virtual bool runPath(long capture, long preview);
    virtual bool getAVProp(long code, ZRAVProp* out);
    virtual bool setAVProp(long code, long value);
    /// The list properties that are set by name (9, the TV format): an unknown name changes
    /// nothing and gives false.
    virtual bool setAVPropName(long code, const QString& name);
    virtual bool videoSize(int width, int height);
    virtual bool audioFormat(int sampleRate, int channels, int sampleSize);
    virtual std::optional<ZRVideoResolutions> videoSizeList();
    virtual std::optional<ZRAudioResolutions> audioFormatList();
    /// A camera transport request (the camera paths).
    virtual void setCamState(long request, long value);
    /// The camera paths' links: the transport controller's state signal, its state slot and the
    /// page's time-code slot.
    virtual void setSignalLinks(const ZRSignalLink& stateSignal, const ZRSignalLink& stateSlot,
                                const ZRSignalLink& timecodeSlot);
    /// The filter that is the device (a camera path's capture or playback filter); 0 to let the
    /// factory take the path base's capture device.
    virtual ZRGraphBase::Filter deviceFilter() const;
    /// The DV video format the camera reports (0x1026 NTSC); nothing when it cannot be read.
    virtual std::optional<long> dvVideoFormat() const;
    /// Frames captured and dropped by the capture filter since the capture started.
    virtual bool frameCounts(long* captured, long* dropped) const;
    /// Why the file writer ended a capture by itself: 2 no space, 3 file too large, 0 none.
    virtual int writerStopReason() const;
    /// Fits a preview window of the path's own to `width` x `height`; false when the path has
    /// none (the factory then sizes the renderer's window).
    virtual bool resizePreview(int width, int height);
};

/// Makes the path of one device kind on a graph wrapper; the path's classes register one each.
using ZRPathMaker = std::function<std::unique_ptr<ZRFilterPathBase>(ZRGraphBase* graph)>;
